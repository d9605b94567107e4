#include "platform/win32/system.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/encoding.h"
#include "support/test_env.h"

namespace tabulon::win32 {
namespace {
using tabulon::Utf16ToAnsi;
namespace fs = std::filesystem;

std::string ExeDirectory() {
  char buf[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string p(buf, n);
  return p.substr(0, p.find_last_of('\\') + 1);
}

TEST(GetAppPath, IsTheExecutablesDirectoryWithOneTrailingBackslash) {
  std::string dir = GetAppPath();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir, ExeDirectory());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_NE(dir.substr(dir.size() - 2), "\\\\");
}

// Waits for the stand-in program to write its record.
std::string WaitForRecord(const fs::path& file) {
  for (int i = 0; i < 200; ++i) {
    std::string s = testing::ReadFileBytes(file);
    if (s.find('\n') != std::string::npos && s.back() == '\n') return s;
    Sleep(50);
  }
  return {};
}

TEST(ExecuteProgram, StartsTheCommandLineInTheWorkingDirectory) {
  testing::TempDir work;
  // A directory with a blank and Chinese characters (in the ANSI code page).
  fs::path dir = work.path() / L"\u5DE5\u4F5C \u76EE\u5F55";  // 工作 目录
  fs::create_directories(dir);
  std::string program = ExeDirectory() + "record_start.exe";
  std::string ansi_dir = Utf16ToAnsi(dir.u16string());
  ASSERT_TRUE(ExecuteProgram(ansi_dir, program + " one two", SW_SHOWNORMAL));
  std::string record = WaitForRecord(dir / "started.txt");
  ASSERT_FALSE(record.empty()) << "the program did not run";
  EXPECT_EQ(record.substr(0, record.find('\n')), program + " one two");
  std::string cwd = record.substr(record.find('\n') + 1);
  cwd.pop_back();
  EXPECT_EQ(cwd, ansi_dir);
}

TEST(ExecuteProgram, ReportsFailureForAMissingProgramOrDirectory) {
  testing::TempDir work;
  std::string dir = work.path().string();
  EXPECT_FALSE(ExecuteProgram(dir, dir + "\\missing.exe", SW_SHOWNORMAL));
  EXPECT_FALSE(ExecuteProgram(dir + "\\no-such-dir", ExeDirectory() + "record_start.exe", SW_SHOWNORMAL));
}

}  // namespace
}  // namespace tabulon::win32
