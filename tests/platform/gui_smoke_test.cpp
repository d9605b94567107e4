// A real window with Chinese texts under Xvfb: found, read back and pressed through the
// window helpers, and photographed for review.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/win32/screenshot.h"
#include "support/win32/windows.h"

namespace tabulon::testing::win32 {
namespace {

constexpr int kOkId = 100;
const wchar_t kClass[] = L"TabulonGuiSmoke";
const std::wstring kTitle = L"\u4E91\u5C9A\u8D22\u52A1\u62A5\u8868\u8F6C\u6362\u7CFB\u7EDF";  // 云岚财务报表转换系统
const std::wstring kNote = L"\u6B63\u5728\u542F\u52A8,\u8BF7\u7A0D\u540E ... ...";         // 正在启动,请稍后 ... ...
const std::wstring kOk = L"\u786E\u5B9A";                                                 // 确定

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && LOWORD(wp) == kOkId) {
    DestroyWindow(hwnd);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(GuiSmoke, ChineseWindowIsFoundReadPhotographedAndPressed) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kClass;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  ASSERT_NE(RegisterClassW(&wc), 0);

  HWND top = CreateWindowExW(0, kClass, kTitle.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 100, 100, 360, 160,
                             nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(top, nullptr);
  // 宋体 9 pt, as the product's forms use; the harness maps it to a CJK font.
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, L"\u5B8B\u4F53");
  HWND label = CreateWindowExW(0, L"STATIC", kNote.c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER, 10, 20, 330, 25, top,
                               nullptr, wc.hInstance, nullptr);
  HWND ok = CreateWindowExW(0, L"BUTTON", kOk.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 130, 60, 90, 28, top,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kOkId)), wc.hInstance, nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SendMessageW(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ShowWindow(top, SW_SHOWNORMAL);
  UpdateWindow(top);
  PumpMessages(300);

  HWND found = WaitForTopWindow(kClass, kTitle, GetCurrentProcessId(), 5000);
  ASSERT_EQ(found, top);
  EXPECT_EQ(WindowText(found), kTitle);
  auto texts = StaticTexts(found);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], kNote);

  std::string error;
  auto png = SaveWindowPng(found, "gui_smoke", &error);
  EXPECT_FALSE(png.empty()) << error;

  ASSERT_TRUE(PressButton(found, kOk));
  EXPECT_TRUE(WaitForWindowGone(found, 5000));
  DeleteObject(font);
}

}  // namespace
}  // namespace tabulon::testing::win32
