#include "support/win32/windows.h"

namespace tabulon::testing::win32 {
namespace {

std::wstring StripAccelerator(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'&') {
      if (i + 1 < s.size() && s[i + 1] == L'&') out.push_back(L'&'), ++i;
      continue;
    }
    out.push_back(s[i]);
  }
  return out;
}

struct FindArgs {
  const std::wstring* class_name;
  const std::wstring* title;
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindTop(HWND hwnd, LPARAM lp) {
  auto* a = reinterpret_cast<FindArgs*>(lp);
  if (!IsWindowVisible(hwnd)) return TRUE;
  if (a->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != a->pid) return TRUE;
  }
  if (!a->class_name->empty() && ClassName(hwnd) != *a->class_name) return TRUE;
  if (!a->title->empty() && WindowText(hwnd) != *a->title) return TRUE;
  a->found = hwnd;
  return FALSE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lp) {
  auto* out = reinterpret_cast<std::vector<ControlInfo>*>(lp);
  ControlInfo info;
  info.hwnd = hwnd;
  info.class_name = ClassName(hwnd);
  info.text = WindowText(hwnd);
  info.id = GetDlgCtrlID(hwnd);
  info.visible = IsWindowVisible(hwnd) != FALSE;
  GetWindowRect(hwnd, &info.rect);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&info.rect), 2);
  out->push_back(std::move(info));
  return TRUE;
}

}  // namespace

std::wstring ClassName(HWND hwnd) {
  wchar_t buf[256];
  int n = GetClassNameW(hwnd, buf, 256);
  return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring WindowText(HWND hwnd) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return {};
  std::wstring buf(len + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                           SMTO_ABORTIFHUNG, 2000, &got))
    return {};
  buf.resize(got);
  return buf;
}

HWND WaitForTopWindow(const std::wstring& class_name, const std::wstring& title, DWORD pid, int timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    FindArgs a{&class_name, &title, pid, nullptr};
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&a));
    if (a.found) return a.found;
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return nullptr;
    PumpMessages(50);
  }
}

bool WaitForWindowGone(HWND hwnd, int timeout_ms) {
  DWORD start = GetTickCount();
  while (IsWindow(hwnd)) {
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return false;
    PumpMessages(50);
  }
  return true;
}

std::vector<ControlInfo> ChildControls(HWND top) {
  std::vector<ControlInfo> out;
  EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::vector<std::wstring> StaticTexts(HWND top) {
  std::vector<std::wstring> out;
  for (const auto& c : ChildControls(top)) {
    if (_wcsicmp(c.class_name.c_str(), L"Static") == 0 && !c.text.empty()) out.push_back(c.text);
  }
  return out;
}

bool PressButton(HWND top, const std::wstring& caption) {
  std::wstring want = StripAccelerator(caption);
  for (const auto& c : ChildControls(top)) {
    if (_wcsicmp(c.class_name.c_str(), L"Button") != 0) continue;
    if (StripAccelerator(c.text) != want) continue;
    PostMessageW(GetParent(c.hwnd), WM_COMMAND, MAKEWPARAM(c.id, BN_CLICKED), reinterpret_cast<LPARAM>(c.hwnd));
    return true;
  }
  return false;
}

void PumpMessages(int ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (ms > 0) Sleep(10);
  } while (static_cast<int>(GetTickCount() - start) < ms);
}

}  // namespace tabulon::testing::win32
