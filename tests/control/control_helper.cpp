// A helper the script test runs beside its JScript clients, under Wine:
//   control_helper dialog <caption> <report file> <screenshot name>
//       waits for the launch method's message box titled <caption> (up to 20 s), writes a
//       report (UTF-8, one item a line: caption, text, buttons, whether an icon shows,
//       whether it is centred on the screen), saves a screenshot, presses "OK" and waits
//       until the box is gone. Exit code 0 when all that happened, 1 otherwise.
//   control_helper shortpath <path>
//       prints the short (8.3) form of an existing path.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/encoding.h"
#include "support/win32/screenshot.h"
#include "support/win32/windows.h"

namespace {

using namespace tabulon::testing::win32;

std::string Utf8(const std::wstring& text) {
  return tabulon::Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

int Dialog(const std::wstring& caption, const std::wstring& report, const std::wstring& screenshot) {
  HWND box = WaitForTopWindow(L"#32770", caption, 0, 20000);
  if (!box) {
    std::fprintf(stderr, "no message box titled %s\n", Utf8(caption).c_str());
    return 1;
  }
  PumpMessages(300);  // let it paint before the picture is taken
  std::string text;
  std::string buttons;
  bool icon = false;
  for (const auto& c : ChildControls(box)) {
    if (_wcsicmp(c.class_name.c_str(), L"Static") == 0) {
      if ((GetWindowLongW(c.hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = true;
      if (!c.text.empty()) text += (text.empty() ? "" : "|") + Utf8(c.text);
    } else if (_wcsicmp(c.class_name.c_str(), L"Button") == 0) {
      buttons += (buttons.empty() ? "" : "|") + Utf8(c.text);
    }
  }
  RECT r;
  GetWindowRect(box, &r);
  int dx = (r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2;
  int dy = (r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2;
  bool centred = std::abs(dx) <= 2 && std::abs(dy) <= 2;

  std::string error;
  if (SaveWindowPng(box, Utf8(screenshot), &error).empty()) std::fprintf(stderr, "screenshot: %s\n", error.c_str());

  FILE* f = _wfopen(report.c_str(), L"wb");
  if (!f) return 1;
  std::fprintf(f, "%s\n%s\n%s\nicon=%d\ncentred=%d\n", Utf8(WindowText(box)).c_str(), text.c_str(), buttons.c_str(),
               icon ? 1 : 0, centred ? 1 : 0);
  std::fclose(f);

  if (!PressButton(box, L"OK")) return 1;
  return WaitForWindowGone(box, 10000) ? 0 : 1;
}

int ShortPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 2];
  DWORD n = GetShortPathNameW(path.c_str(), buffer, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return 1;
  std::printf("%s\n", Utf8(buffer).c_str());
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc == 5 && std::wstring(argv[1]) == L"dialog") return Dialog(argv[2], argv[3], argv[4]);
  if (argc == 3 && std::wstring(argv[1]) == L"shortpath") return ShortPath(argv[2]);
  std::fprintf(stderr, "usage: control_helper dialog <caption> <report> <screenshot> | shortpath <path>\n");
  return 2;
}
