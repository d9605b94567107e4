#include "win_support.h"

#include <fstream>
#include <sstream>

namespace tabulon::control::testing {
namespace fs = std::filesystem;

fs::path BinDir() {
  wchar_t path[MAX_PATH * 2] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  return fs::path(path).parent_path();
}

fs::path StubProgram(const std::wstring& name) { return BinDir() / L"control_stubs" / name; }

fs::path InstallStub(const fs::path& dir, const std::wstring& name) {
  fs::create_directories(dir);
  fs::copy_file(StubProgram(name), dir / name, fs::copy_options::overwrite_existing);
  return dir / name;
}

std::string WaitForStubRecord(const fs::path& program, int timeout_ms) {
  fs::path record = program;
  record.replace_extension(L".started.txt");
  DWORD start = GetTickCount();
  for (;;) {
    std::error_code ec;
    if (fs::file_size(record, ec) > 0 && !ec) {
      Sleep(100);  // the stub writes it in one go; let it finish
      std::ifstream in(record, std::ios::binary);
      std::ostringstream out;
      out << in.rdbuf();
      return out.str();
    }
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return {};
    Sleep(50);
  }
}

ScopedRegistryString::ScopedRegistryString(HKEY root, const std::wstring& key, const std::wstring& name,
                                           const std::wstring& data)
    : root_(root), key_(key), name_(name) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  ok_ = RegSetValueExW(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  RegCloseKey(handle);
}

ScopedRegistryString::~ScopedRegistryString() {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &handle) == ERROR_SUCCESS) {
    RegDeleteValueW(handle, name_.c_str());
    RegCloseKey(handle);
  }
}

}  // namespace tabulon::control::testing
