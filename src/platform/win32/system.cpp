#include "platform/win32/system.h"

#include <windows.h>

#include <vector>

namespace tabulon::win32 {

std::string GetAppPath() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return "\\";
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.resize(buf.size() * 2);
  }
  std::string path(buf.begin(), buf.end());
  // Directory part including its separator.
  size_t sep = path.find_last_of("\\/:");
  std::string dir = sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  if (dir.empty() || dir.back() != '\\') dir.push_back('\\');
  return dir;
}

bool ExecuteProgram(std::string_view working_directory, std::string_view command_line, uint16_t show_state) {
  STARTUPINFOA si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = show_state;
  PROCESS_INFORMATION pi{};
  // CreateProcessA may write into the command line buffer.
  std::string cmd(command_line);
  std::string dir(working_directory);
  BOOL ok = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE,
                           CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr,
                           dir.empty() ? nullptr : dir.c_str(), &si, &pi);
  if (!ok) return false;
  // We never wait for the program; drop our handles so they do not outlive their use.
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

}  // namespace tabulon::win32
