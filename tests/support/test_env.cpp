#include "support/test_env.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace tabulon::testing {
namespace fs = std::filesystem;

namespace {
std::optional<fs::path> DirFromEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::nullopt;
  std::error_code ec;
  fs::path p(v);
  if (!fs::is_directory(p, ec)) return std::nullopt;
  return p;
}
}  // namespace

std::optional<fs::path> SharedDir() { return DirFromEnv("TABULON_SHARED_DIR"); }
std::optional<fs::path> SourceDir() { return DirFromEnv("TABULON_SOURCE_DIR"); }

fs::path ScreenshotDir() {
  const char* v = std::getenv("TABULON_SCREENSHOT_DIR");
  fs::path p = (v && *v) ? fs::path(v) : fs::path("screenshots");
  std::error_code ec;
  fs::create_directories(p, ec);
  return p;
}

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::ostringstream name;
    name << "tabulon-test-" << std::hex << rd() << '-' << stamp << '-' << counter++;
    fs::path candidate = fs::temp_directory_path() / name.str();
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  ADD_FAILURE() << "cannot create a temporary directory";
}

TempDir::~TempDir() {
  if (path_.empty() || std::getenv("TABULON_KEEP_TEMP")) return;
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool WriteFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace tabulon::testing
