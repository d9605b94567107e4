// The message box of the launch method, built from an in-memory dialog template: the text,
// one "OK" button, no icon, laid out for the text in the system's message font and centred
// on the screen.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control/launch_win32.h"
#include "control/server.h"

namespace tabulon::control {
namespace {

constexpr int kTextId = 100;

struct DialogState {
  std::wstring text;
  HFONT font = nullptr;
};

// Dialog template words: DLGTEMPLATE, then each DLGITEMTEMPLATE on a DWORD boundary.
class TemplateWriter {
 public:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void String(const wchar_t* s) {
    for (; *s; ++s) Word(static_cast<WORD>(*s));
    Word(0);
  }
  void AlignDword() {
    if (words_.size() % 2) Word(0);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD class_atom, const wchar_t* text) {
    AlignDword();
    Dword(style);
    Dword(0);  // extended style
    Word(static_cast<WORD>(x));
    Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(id);
    Word(0xFFFF);
    Word(class_atom);
    String(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  std::vector<WORD> words_;
};

// Lays the dialog out around its text once the controls exist.
void Layout(HWND dialog, DialogState& state) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    state.font = CreateFontIndirectW(&metrics.lfMessageFont);
  }
  HWND label = GetDlgItem(dialog, kTextId);
  HWND button = GetDlgItem(dialog, IDOK);
  HFONT font = state.font ? state.font : reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  // Margins and spacing of 8 dialog units, a button of 50 by 14, text at most half a
  // screen wide.
  RECT units{8, 8, 50, 14};
  MapDialogRect(dialog, &units);
  const int margin_x = units.left;
  const int margin_y = units.top;
  const int button_width = units.right;
  const int button_height = units.bottom;
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);

  RECT text{0, 0, screen_width / 2, 0};
  HDC dc = GetDC(dialog);
  HGDIOBJ old = SelectObject(dc, font);
  DrawTextW(dc, state.text.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(dialog, dc);

  const int client_width = std::max<int>(text.right, button_width) + 2 * margin_x;
  const int client_height = margin_y + text.bottom + margin_y + button_height + margin_y;
  MoveWindow(label, margin_x, margin_y, text.right, text.bottom, FALSE);
  MoveWindow(button, (client_width - button_width) / 2, margin_y + text.bottom + margin_y, button_width, button_height,
             FALSE);

  RECT frame{0, 0, client_width, client_height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(dialog, nullptr, (screen_width - width) / 2, (screen_height - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<DialogState*>(lparam);
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      Layout(dialog, *state);
      return TRUE;  // focus on the button
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowMessageDialog(HWND owner, std::u16string_view text, std::u16string_view caption) {
  DialogState state;
  state.text.assign(text.begin(), text.end());
  const std::wstring title(caption.begin(), caption.end());

  // Positions and sizes are placeholders; Layout fits them to the text.
  TemplateWriter t;
  t.Dword(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  t.Dword(0);  // extended style
  t.Word(2);   // controls
  t.Word(0);
  t.Word(0);
  t.Word(200);
  t.Word(60);
  t.Word(0);  // no menu
  t.Word(0);  // the standard dialog class
  t.String(title.c_str());
  t.Word(9);  // points
  t.String(L"MS Shell Dlg");
  t.Item(WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 8, 8, 184, 20, kTextId, 0x0082 /* static */,
         state.text.c_str());
  t.Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 75, 36, 50, 14, IDOK, 0x0080 /* button */, L"OK");
  DialogBoxIndirectParamW(ThisModule(), t.Get(), owner, DialogProc, reinterpret_cast<LPARAM>(&state));
  if (state.font) DeleteObject(state.font);
}

}  // namespace tabulon::control
