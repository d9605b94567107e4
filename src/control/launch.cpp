#include "control/launch.h"

#include <algorithm>

#include "base/encoding.h"
#include "control/mime64.h"

namespace tabulon::control {
namespace {

constexpr ProgramType kProgramTypes[] = {
    {u"zodur", RegistryRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "ZodurPath",
     "Levyrun.exe"},
    {u"kvTabulon", RegistryRoot::kCurrentUser, "SOFTWARE\\reduve\\vevo", "path", "Tabulon.exe"},
};

}  // namespace

const char16_t kProgramMissingMessage[] =
    u"\u8981\u6253\u5F00\u7684\u8F6F\u4EF6\u4E0D\u5B58\u5728\uFF0C\u8BF7\u786E\u8BA4\u662F\u5426\u5DF2\u5B89\u88C5"
    u"\u6216\u5DF2\u88AB\u635F\u574F!";

const ProgramType* FindProgramType(std::u16string_view exetype) {
  for (const auto& type : kProgramTypes) {
    if (type.exetype == exetype) return &type;
  }
  return nullptr;
}

Status CallMorvaneExe(std::u16string_view exetype, std::u16string_view params, LaunchEnvironment& env) {
  // An unknown type has no registry entry, so no directory can be found for it.
  std::string dir;
  std::string path;
  if (const ProgramType* type = FindProgramType(exetype)) {
    dir = env.ReadRegistryString(type->root, type->key, type->value_name);
    if (!dir.empty()) {
      // The last character, not the last byte: a backslash (0x5C) is also the second byte of some
      // double-byte characters of code page 936 (誠 is D5 5C).
      if (AnsiToUtf16(dir).back() != u'\\') dir.push_back('\\');
      path = dir;
      path.append(type->program);
    }
  }
  if (dir.empty() || !env.IsExistingFile(path)) {
    // The arguments are not looked at on this path.
    env.ShowMessage(kProgramMissingMessage);
    return Status::Ok();
  }

  // Base64 text is plain ASCII; the decoded bytes are the ANSI argument string.
  Result<std::string> arguments = Mime64Decode(Utf16ToAnsi(params));
  if (!arguments.ok()) return arguments.status();
  // A page separates the program's arguments with ";". The byte ";" never occurs inside a
  // double-byte character of code page 936, so a byte-wise replacement is safe.
  std::replace(arguments->begin(), arguments->end(), ';', ' ');
  env.StartProgram(path, *arguments);
  return Status::Ok();
}

}  // namespace tabulon::control
