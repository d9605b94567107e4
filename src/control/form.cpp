#include "control/form.h"

#include <mutex>

#include "control/server.h"

namespace tabulon::control {
namespace {

// The form's window class, named after the form's class as the form library names it.
constexpr char kFormClass[] = "TBrindleX";

// The class is registered while any form exists: a module that is unloaded and loaded
// again must not find a class whose window procedure points into its old image.
std::mutex g_class_mutex;
int g_class_users = 0;

bool AcquireFormClass(WNDPROC window_proc) {
  std::lock_guard<std::mutex> lock(g_class_mutex);
  if (g_class_users == 0) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kFormClass;
    if (!RegisterClassExA(&wc)) return false;
  }
  ++g_class_users;
  return true;
}

void ReleaseFormClass() {
  std::lock_guard<std::mutex> lock(g_class_mutex);
  if (--g_class_users == 0) UnregisterClassA(kFormClass, ThisModule());
}

// Colours as the form holds them: the form library's system colours (top byte 0xFF) and
// OLE's (top byte 0x80) name a system colour by its index in the low byte; others are RGB.
COLORREF ToColorRef(OLE_COLOR color) {
  uint32_t kind = color & 0xFF000000u;
  if (kind == 0xFF000000u || kind == 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0x00FFFFFFu;
}

}  // namespace

BrindleForm* BrindleForm::Create(HRESULT* hr) {
  *hr = S_OK;
  if (!AcquireFormClass(&BrindleForm::WindowProc)) {
    *hr = HRESULT_FROM_WIN32(GetLastError());
    return nullptr;
  }
  auto* form = new (std::nothrow) BrindleForm;
  if (!form) {
    ReleaseFormClass();
    *hr = E_OUTOFMEMORY;
    return nullptr;
  }
  HINSTANCE instance = ThisModule();
  form->parking_ = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                                   nullptr);
  if (form->parking_) {
    CreateWindowExA(0, kFormClass, "BrindleX", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, kDesignLeft, kDesignTop,
                    kDesignWidth, kDesignHeight, form->parking_, nullptr, instance, form);
  }
  if (!form->hwnd_) {
    *hr = HRESULT_FROM_WIN32(GetLastError());
    if (SUCCEEDED(*hr)) *hr = E_FAIL;
    delete form;
    return nullptr;
  }
  // MS Sans Serif, 11 pixels high at 96 pixels per inch: 8.25 points.
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof(desc);
  desc.lpstrName = const_cast<LPOLESTR>(L"MS Sans Serif");
  desc.cySize.int64 = 82500;
  desc.sWeight = FW_NORMAL;
  desc.sCharset = DEFAULT_CHARSET;
  *hr = OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(form->font_.GetAddressOf()));
  if (FAILED(*hr)) {
    delete form;
    return nullptr;
  }
  return form;
}

BrindleForm::~BrindleForm() {
  if (hwnd_) {
    // Messages sent while the window goes away no longer reach this object.
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (parking_) DestroyWindow(parking_);
  ReleaseFormClass();
}

void BrindleForm::DoCreate() {
  if (handlers_) handlers_->FormCreate();
}

void BrindleForm::Close() {
  if (handlers_) handlers_->FormDestroy();
  handlers_ = nullptr;
  if (busy_ > 0) {
    close_pending_ = true;
    return;
  }
  delete this;
}

LRESULT CALLBACK BrindleForm::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<BrindleForm*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    form->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<BrindleForm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcA(hwnd, message, wparam, lparam);
  ++form->busy_;
  LRESULT result = form->HandleMessage(message, wparam, lparam);
  if (--form->busy_ == 0 && form->close_pending_) delete form;
  return result;
}

LRESULT BrindleForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT client;
      GetClientRect(hwnd_, &client);
      Draw(dc, client);
      EndPaint(hwnd_, &ps);
      if (handlers_) handlers_->FormPaint();
      return 0;
    }
    case WM_SETFOCUS:
      active_ = true;
      if (handlers_) handlers_->FormActivate();
      return 0;
    case WM_KILLFOCUS:
      active_ = false;
      if (handlers_) handlers_->FormDeactivate();
      return 0;
    case WM_LBUTTONDOWN:
      SetCapture(hwnd_);
      mouse_down_ = true;
      return 0;
    case WM_LBUTTONUP:
      if (mouse_down_) {
        mouse_down_ = false;
        ReleaseCapture();
        RECT client;
        GetClientRect(hwnd_, &client);
        POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        if (PtInRect(&client, at) && handlers_) handlers_->FormClick();
      }
      return 0;
    case WM_CAPTURECHANGED:
      mouse_down_ = false;
      return 0;
    case WM_LBUTTONDBLCLK:
      if (handlers_) handlers_->FormDblClick();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS;
    case WM_CHAR: {
      char key = static_cast<char>(static_cast<BYTE>(wparam));
      if (handlers_) handlers_->FormKeyPress(key);
      last_key_ = key;
      if (key == 0) return 0;
      return DefWindowProcA(hwnd_, WM_CHAR, static_cast<BYTE>(key), lparam);
    }
    default:
      return DefWindowProcA(hwnd_, message, wparam, lparam);
  }
}

bool BrindleForm::visible() const { return (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void BrindleForm::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

void BrindleForm::SetAxBorderStyle(int32_t style) {
  ax_border_style_ = style;
  ApplyBorderStyle();
}

void BrindleForm::ApplyBorderStyle() {
  LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER | WS_DLGFRAME);
  LONG_PTR ex_style = GetWindowLongPtrA(hwnd_, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE);
  switch (ax_border_style_) {
    case kBorderSingle:
      style |= WS_BORDER;
      break;
    case kBorderSunken:
      ex_style |= WS_EX_CLIENTEDGE;
      break;
    case kBorderRaised:
      style |= WS_DLGFRAME;
      ex_style |= WS_EX_WINDOWEDGE;
      break;
    default:
      break;
  }
  SetWindowLongPtrA(hwnd_, GWL_STYLE, style);
  SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, ex_style);
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string BrindleForm::caption() const {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd_)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(hwnd_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void BrindleForm::SetCaption(const std::string& text) { SetWindowTextA(hwnd_, text.c_str()); }

void BrindleForm::SetColor(OLE_COLOR color) {
  color_ = color;
  InvalidateRect(hwnd_, nullptr, TRUE);
}

HRESULT BrindleForm::AssignFont(IFontDisp* font) {
  if (!font) return S_OK;
  Microsoft::WRL::ComPtr<IFont> from;
  Microsoft::WRL::ComPtr<IFont> to;
  HRESULT hr = font->QueryInterface(IID_IFont, reinterpret_cast<void**>(from.GetAddressOf()));
  if (FAILED(hr)) return hr;
  hr = font_.As(&to);
  if (FAILED(hr)) return hr;
  if (from.Get() == to.Get()) return S_OK;
  BSTR name = nullptr;
  CY size{};
  SHORT weight = FW_NORMAL;
  SHORT charset = DEFAULT_CHARSET;
  BOOL italic = FALSE;
  BOOL underline = FALSE;
  BOOL strikethrough = FALSE;
  if (SUCCEEDED(from->get_Name(&name))) {
    to->put_Name(name);
    SysFreeString(name);
  }
  if (SUCCEEDED(from->get_Size(&size))) to->put_Size(size);
  if (SUCCEEDED(from->get_Weight(&weight))) to->put_Weight(weight);
  if (SUCCEEDED(from->get_Italic(&italic))) to->put_Italic(italic);
  if (SUCCEEDED(from->get_Underline(&underline))) to->put_Underline(underline);
  if (SUCCEEDED(from->get_Strikethrough(&strikethrough))) to->put_Strikethrough(strikethrough);
  if (SUCCEEDED(from->get_Charset(&charset))) to->put_Charset(charset);
  InvalidateRect(hwnd_, nullptr, TRUE);
  return S_OK;
}

void BrindleForm::SetPixelsPerInch(int32_t value) {
  // The form takes 0 (no scaling information) or a plausible resolution only.
  if (value != pixels_per_inch_ && (value == 0 || value >= 36)) pixels_per_inch_ = value;
}

void BrindleForm::SetScaled(bool value) {
  if (value == scaled_) return;
  scaled_ = value;
  // An unscaled form is laid out for the screen it runs on.
  if (!scaled_) {
    HDC screen = GetDC(nullptr);
    SetPixelsPerInch(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
  }
}

bool BrindleForm::enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

void BrindleForm::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

void BrindleForm::Attach(HWND parent, const RECT& bounds) {
  if (GetParent(hwnd_) != parent) SetParent(hwnd_, parent);
  SetWindowPos(hwnd_, nullptr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void BrindleForm::SetBounds(const RECT& bounds) {
  SetWindowPos(hwnd_, nullptr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void BrindleForm::Detach() {
  ShowWindow(hwnd_, SW_HIDE);
  if (GetParent(hwnd_) != parking_) SetParent(hwnd_, parking_);
}

void BrindleForm::Draw(HDC dc, const RECT& bounds) const {
  HBRUSH brush = CreateSolidBrush(ToColorRef(color_));
  FillRect(dc, &bounds, brush);
  DeleteObject(brush);
}

}  // namespace tabulon::control
