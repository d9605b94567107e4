// Test helpers for real windows: find a top-level window, read its controls, press its
// buttons, and let pending messages run. Works across threads and processes for the
// standard controls (the texts travel through WM_GETTEXT).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tabulon::testing::win32 {

struct ControlInfo {
  HWND hwnd = nullptr;
  std::wstring class_name;
  std::wstring text;
  int id = 0;
  bool visible = false;
  RECT rect{};  // in the parent's client coordinates
};

std::wstring ClassName(HWND hwnd);
std::wstring WindowText(HWND hwnd);

// The first visible top-level window whose class and title match (an empty argument
// matches anything) and, when `pid` is not 0, that belongs to that process. Polls until
// `timeout_ms` has passed; nullptr when none appeared.
HWND WaitForTopWindow(const std::wstring& class_name, const std::wstring& title, DWORD pid = 0,
                      int timeout_ms = 10000);

// Waits until `hwnd` is no longer a window; false on timeout.
bool WaitForWindowGone(HWND hwnd, int timeout_ms = 10000);

// All descendant controls of `top`, in Z order.
std::vector<ControlInfo> ChildControls(HWND top);
// The texts of the static (label) controls of `top`, in Z order, for dialogs that show a message.
std::vector<std::wstring> StaticTexts(HWND top);

// Presses the button of `top` whose caption is `caption` (an "&" accelerator marker in the
// caption is ignored) the way a click does: the dialog receives WM_COMMAND/BN_CLICKED.
// False when no such button exists.
bool PressButton(HWND top, const std::wstring& caption);

// Runs the calling thread's pending messages for about `ms` milliseconds.
void PumpMessages(int ms);

}  // namespace tabulon::testing::win32
