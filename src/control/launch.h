// The decision logic of CallMorvaneExe: which installed program a page asks for, where the
// registry says it lies, whether it is there, and what it is started with. Every contact
// with Windows goes through LaunchEnvironment, so the logic runs and is tested anywhere.
//
// Text encodings: `exetype` and `params` arrive as UTF-16 (the page's BSTRs); registry
// paths, the program path and the argument string are ANSI (code page 936 on the Chinese
// Windows the product runs on); the message for the user is UTF-16.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"

namespace tabulon::control {

enum class RegistryRoot { kCurrentUser, kLocalMachine };

// A program that a page can start by its type code.
struct ProgramType {
  std::u16string_view exetype;  // compared exactly, letter case included
  RegistryRoot root;
  std::string_view key;         // key path below the root
  std::string_view value_name;  // string value holding the installation directory
  std::string_view program;     // file name in that directory
};

// The two known programs.
const ProgramType* FindProgramType(std::u16string_view exetype);

// Shown when no program file is found for the request: "要打开的软件不存在，请确认是否已安装或已被损坏!"
extern const char16_t kProgramMissingMessage[];

class LaunchEnvironment {
 public:
  virtual ~LaunchEnvironment() = default;
  // The text of the string value `value_name` of the key, up to its first NUL. Empty when
  // the key is missing or cannot be opened, or the value is missing, empty or not a string.
  // Never fails otherwise: whatever goes wrong yields no directory.
  virtual std::string ReadRegistryString(RegistryRoot root, std::string_view key, std::string_view value_name) = 0;
  // Whether `path` names an existing file that is not a directory.
  virtual bool IsExistingFile(const std::string& path) = 0;
  // Shows `text` in a modal message box and returns once the user has closed it.
  virtual void ShowMessage(std::u16string_view text) = 0;
  // Starts `path` with the argument string `arguments` through the shell, without waiting
  // and without reporting whether it started.
  virtual void StartProgram(const std::string& path, const std::string& arguments) = 0;
};

// Starts the program of type `exetype` with the Base64-coded argument string `params`
// (";" separating the arguments), or tells the user that it is not installed. Fails only
// when `params` cannot be decoded while the program is present (nothing is started then);
// the Status message is what the page sees.
Status CallMorvaneExe(std::u16string_view exetype, std::u16string_view params, LaunchEnvironment& env);

}  // namespace tabulon::control
