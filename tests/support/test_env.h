// What the test programs learn from their environment: the shared fixture folder, the
// screenshot folder, and scratch directories that clean up after themselves.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace tabulon::testing {

// The shared fixtures folder (TABULON_SHARED_DIR), when it exists.
std::optional<std::filesystem::path> SharedDir();
// The checkout (TABULON_SOURCE_DIR), when known.
std::optional<std::filesystem::path> SourceDir();
// Where screenshots go (TABULON_SCREENSHOT_DIR, else "screenshots" in the current directory).
std::filesystem::path ScreenshotDir();

// A fresh directory under the system's temporary folder, removed with its contents when
// the object goes away (unless TABULON_KEEP_TEMP is set, for post-mortems).
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);
// Writes a whole file, replacing it; false on failure.
bool WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace tabulon::testing

// Skips the current test with a message when the shared fixtures are absent, and otherwise
// declares `var` as their path.
#define TABULON_REQUIRE_SHARED(var)                                               \
  auto var##_opt = ::tabulon::testing::SharedDir();                               \
  if (!var##_opt) GTEST_SKIP() << "shared fixtures folder absent (TABULON_SHARED_DIR); skipped"; \
  const std::filesystem::path var = *var##_opt
