#include "control/launch_win32.h"

#include <shellapi.h>

#include <algorithm>

#include "control/server.h"

namespace tabulon::control {

std::string WindowsLaunchEnvironment::ReadRegistryString(RegistryRoot root, std::string_view key,
                                                         std::string_view value_name) {
  // Read access is all that is needed; asking for more fails for a normal user on the
  // machine-wide key and would hide an installed program.
  HKEY root_key = root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root_key, std::string(key).c_str(), 0, KEY_READ | kRegistryView, &handle) != ERROR_SUCCESS) {
    return {};
  }
  const std::string name(value_name);
  auto is_string = [](DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; };
  std::string text;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(handle, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS && is_string(type)) {
    // The value may grow between two calls; then ask again with the new size.
    LONG rc = ERROR_MORE_DATA;
    for (int attempt = 0; rc == ERROR_MORE_DATA && attempt < 4; ++attempt) {
      text.assign(size, '\0');
      rc = RegQueryValueExA(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
    }
    if (rc == ERROR_SUCCESS && is_string(type)) {
      text.resize(std::min<size_t>(size, text.size()));
      // The text up to the first NUL; a stored string need not end in one.
      text.resize(static_cast<size_t>(std::find(text.begin(), text.end(), '\0') - text.begin()));
    } else {
      text.clear();
    }
  }
  RegCloseKey(handle);
  return text;
}

bool WindowsLaunchEnvironment::IsExistingFile(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void WindowsLaunchEnvironment::ShowMessage(std::u16string_view text) {
  ShowMessageDialog(GetActiveWindow(), text, ApplicationTitle());
}

void WindowsLaunchEnvironment::StartProgram(const std::string& path, const std::string& arguments) {
  ShellExecuteA(nullptr, "open", path.c_str(), arguments.c_str(), nullptr, SW_SHOWNORMAL);
}

std::u16string ApplicationTitleOf(std::u16string_view module_path) {
  std::u16string_view name = module_path;
  size_t slash = name.find_last_of(u'\\');
  if (slash != std::u16string_view::npos) name.remove_prefix(slash + 1);
  name = name.substr(0, name.find(u'.'));
  std::u16string title(name);
  if (title.size() > 1) {
    CharLowerBuffW(reinterpret_cast<LPWSTR>(title.data() + 1), static_cast<DWORD>(title.size() - 1));
  }
  return title;
}

std::u16string ApplicationTitle() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return ApplicationTitleOf(std::u16string(path.begin(), path.end()));
}

}  // namespace tabulon::control
