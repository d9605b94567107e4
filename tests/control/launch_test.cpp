// The decision logic of CallMorvaneExe against a scripted Windows: which key is read, which
// path is tested, what is shown or started, and what fails.
#include "control/launch.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/encoding.h"

namespace tabulon::control {
namespace {

class FakeEnvironment : public LaunchEnvironment {
 public:
  std::map<std::tuple<RegistryRoot, std::string, std::string>, std::string> registry;
  std::set<std::string> files;

  std::vector<std::string> reads;  // "HKLM|key|value"
  std::vector<std::string> tested;
  std::vector<std::u16string> messages;
  std::vector<std::pair<std::string, std::string>> started;

  std::string ReadRegistryString(RegistryRoot root, std::string_view key, std::string_view value_name) override {
    reads.push_back(std::string(root == RegistryRoot::kLocalMachine ? "HKLM|" : "HKCU|") + std::string(key) + "|" +
                    std::string(value_name));
    auto it = registry.find({root, std::string(key), std::string(value_name)});
    return it == registry.end() ? std::string() : it->second;
  }
  bool IsExistingFile(const std::string& path) override {
    tested.push_back(path);
    return files.count(path) > 0;
  }
  void ShowMessage(std::u16string_view text) override { messages.emplace_back(text); }
  void StartProgram(const std::string& path, const std::string& arguments) override {
    started.emplace_back(path, arguments);
  }
};

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kVevoKey[] = "SOFTWARE\\reduve\\vevo";

FakeEnvironment Installed() {
  FakeEnvironment env;
  env.registry[{RegistryRoot::kLocalMachine, kRunKey, "ZodurPath"}] = "C:\\Tax";
  env.registry[{RegistryRoot::kCurrentUser, kVevoKey, "path"}] = "D:\\Kv\\";
  env.files = {"C:\\Tax\\Levyrun.exe", "D:\\Kv\\Tabulon.exe"};
  return env;
}

const std::u16string kMissing = u"要打开的软件不存在，请确认是否已安装或已被损坏!";

TEST(CallMorvaneExe, StartsTheProgramOfEachTypeFromItsRegistryDirectory) {
  struct Case {
    std::u16string exetype;
    std::string read;
    std::string path;
  } cases[] = {
      {u"zodur", std::string("HKLM|") + kRunKey + "|ZodurPath", "C:\\Tax\\Levyrun.exe"},
      // The directory already ends in a backslash: none is added.
      {u"kvTabulon", std::string("HKCU|") + kVevoKey + "|path", "D:\\Kv\\Tabulon.exe"},
  };
  for (const auto& c : cases) {
    FakeEnvironment env = Installed();
    ASSERT_TRUE(CallMorvaneExe(c.exetype, u"YTtiO2M=", env).ok());
    EXPECT_EQ(env.reads, std::vector<std::string>{c.read});
    EXPECT_EQ(env.tested, std::vector<std::string>{c.path});
    ASSERT_EQ(env.started.size(), 1u);
    EXPECT_EQ(env.started[0].first, c.path);
    EXPECT_EQ(env.started[0].second, "a b c");  // ";" separates the arguments
    EXPECT_TRUE(env.messages.empty());
  }
}

TEST(CallMorvaneExe, ShowsTheMessageWhenNoProgramIsFound) {
  struct Case {
    const char* name;
    std::u16string exetype;
    std::optional<std::string> zodur_dir;  // nullopt: no value
    bool file_present;
  } cases[] = {
      {"unknown type", u"levy", "C:\\Tax", true},
      {"empty type", u"", "C:\\Tax", true},
      {"letter case differs", u"Zodur", "C:\\Tax", true},
      {"letter case differs (2)", u"ZODUR", "C:\\Tax", true},
      {"no registry value", u"zodur", std::nullopt, true},
      {"empty registry value", u"zodur", "", true},
      {"program file missing", u"zodur", "C:\\Tax", false},
  };
  for (const auto& c : cases) {
    FakeEnvironment env;
    if (c.zodur_dir) env.registry[{RegistryRoot::kLocalMachine, kRunKey, "ZodurPath"}] = *c.zodur_dir;
    if (c.file_present) env.files.insert("C:\\Tax\\Levyrun.exe");
    // Arguments that would not decode do not matter on this path: they are never looked at.
    Status status = CallMorvaneExe(c.exetype, u"YTtiO2M", env);
    EXPECT_TRUE(status.ok()) << c.name << ": " << status.ToString();
    EXPECT_EQ(env.messages, std::vector<std::u16string>{kMissing}) << c.name;
    EXPECT_TRUE(env.started.empty()) << c.name;
  }
}

TEST(CallMorvaneExe, TheUserKeyAloneLocatesKvTabulon) {
  // A value of the same name under the machine-wide key is not consulted.
  FakeEnvironment env;
  env.registry[{RegistryRoot::kLocalMachine, kVevoKey, "path"}] = "D:\\Kv";
  env.files = {"D:\\Kv\\Tabulon.exe"};
  ASSERT_TRUE(CallMorvaneExe(u"kvTabulon", u"", env).ok());
  EXPECT_EQ(env.messages.size(), 1u);
  EXPECT_TRUE(env.started.empty());
}

TEST(CallMorvaneExe, UndecodableArgumentsFailWhileTheProgramIsPresent) {
  FakeEnvironment env = Installed();
  Status status = CallMorvaneExe(u"zodur", u"YTtiO2M", env);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.message(), "Uneven size in DecodeToStream.");
  EXPECT_TRUE(env.started.empty());
  EXPECT_TRUE(env.messages.empty());
}

TEST(CallMorvaneExe, PassesTheDecodedArgumentBytesUnchanged) {
  struct Case {
    std::u16string params;
    std::string arguments;
  } cases[] = {
      {u"", ""},
      {u"YTtiO2M=", "a b c"},
      {u"Ozs7", "   "},
      // GBK bytes of 报表;2024 stay GBK bytes; only the ";" becomes a blank.
      {u"saix7TsyMDI0", "\xb1\xa8\xb1\xed 2024"},
  };
  for (const auto& c : cases) {
    FakeEnvironment env = Installed();
    ASSERT_TRUE(CallMorvaneExe(u"zodur", c.params, env).ok());
    ASSERT_EQ(env.started.size(), 1u);
    EXPECT_EQ(env.started[0].second, c.arguments);
  }
}

TEST(CallMorvaneExe, AddsTheBackslashAfterADoubleByteCharacterEndingInByte5C) {
  // 誠 is D5 5C in code page 936: its second byte is no path separator.
  const std::string dir = Utf16ToAnsi(u"C:\\税务誠");
  ASSERT_EQ(dir.back(), '\\');
  FakeEnvironment env;
  env.registry[{RegistryRoot::kLocalMachine, kRunKey, "ZodurPath"}] = dir;
  env.files = {dir + "\\Levyrun.exe"};
  ASSERT_TRUE(CallMorvaneExe(u"zodur", u"", env).ok());
  ASSERT_EQ(env.started.size(), 1u);
  EXPECT_EQ(env.started[0].first, dir + "\\Levyrun.exe");
}

}  // namespace
}  // namespace tabulon::control
