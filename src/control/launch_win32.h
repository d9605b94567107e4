// The Windows side of CallMorvaneExe: registry, file test, message dialog and shell start.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "control/launch.h"

namespace tabulon::control {

class WindowsLaunchEnvironment final : public LaunchEnvironment {
 public:
  // Opens keys for reading only, in the server's registry view.
  std::string ReadRegistryString(RegistryRoot root, std::string_view key, std::string_view value_name) override;
  bool IsExistingFile(const std::string& path) override;
  // Owned by the thread's active window, captioned with the host's application title.
  void ShowMessage(std::u16string_view text) override;
  void StartProgram(const std::string& path, const std::string& arguments) override;
};

// The application title of a host program: its file name without the directory, cut at the
// first ".", every character after the first in lower case (HOSTAPP.EXE gives Hostapp).
std::u16string ApplicationTitleOf(std::u16string_view module_path);
// The application title of the program the control runs in.
std::u16string ApplicationTitle();

// A modal message box: `text`, one "OK" button, no icon, `caption` as title, centred on the
// screen. Returns when the user has closed it.
void ShowMessageDialog(HWND owner, std::u16string_view text, std::u16string_view caption);

}  // namespace tabulon::control
