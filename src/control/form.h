// The control's form: a window of our own that holds the form's state (caption, colour,
// font, the Boolean switches a page can read and set) and reports the form's events to
// its owner. While the control is not active in a container, the form lives as a child of a
// hidden parking window of its own, so it is never seen on the screen there; in place, it is
// a child of the container's window.
//
// Text held by the form (caption, help file) is ANSI; the window is an ANSI window, so key
// characters arrive as ANSI bytes.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>

namespace tabulon::control {

// Receives the form's events; the control object forwards them to its page.
class FormHandlers {
 public:
  virtual void FormActivate() = 0;
  virtual void FormClick() = 0;
  virtual void FormCreate() = 0;
  virtual void FormDblClick() = 0;
  virtual void FormDeactivate() = 0;
  virtual void FormDestroy() = 0;
  // `key` may be changed; 0 swallows the key.
  virtual void FormKeyPress(char& key) = 0;
  virtual void FormPaint() = 0;

 protected:
  ~FormHandlers() = default;
};

// Border styles of the form (TxActiveFormBorderStyle).
enum FormBorderStyle : int32_t { kBorderNone = 0, kBorderSingle = 1, kBorderSunken = 2, kBorderRaised = 3 };

// The form library's encoding of the button-face system colour (clBtnFace): system colours
// carry 0xFF in the top byte, the system colour index in the low byte.
inline constexpr OLE_COLOR kClBtnFace = 0xFF00000F;

class BrindleForm {
 public:
  // Creates the form's windows and font with the design values; nullptr with `*hr` set
  // when Windows refuses.
  static BrindleForm* Create(HRESULT* hr);

  BrindleForm(const BrindleForm&) = delete;
  BrindleForm& operator=(const BrindleForm&) = delete;

  // Sets the handlers that receive the form's events (nullptr: none). Until then the form
  // raises no event.
  void SetHandlers(FormHandlers* handlers) { handlers_ = handlers; }
  // Runs the form's OnCreate handler.
  void DoCreate();
  // Raises OnDestroy, then destroys the form: at once, or when the window message that is
  // being handled (a handler may release the control) has finished.
  void Close();

  HWND hwnd() const { return hwnd_; }

  // Properties. Setters named Set... act on the window as the form does; set_... only store.
  bool visible() const;
  void SetVisible(bool visible);
  bool auto_scroll() const { return auto_scroll_; }
  void SetAutoScroll(bool value) { auto_scroll_ = value; }
  bool auto_size() const { return auto_size_; }
  void SetAutoSize(bool value) { auto_size_ = value; }
  int32_t ax_border_style() const { return ax_border_style_; }
  void SetAxBorderStyle(int32_t style);
  std::string caption() const;
  void SetCaption(const std::string& text);
  OLE_COLOR color() const { return color_; }
  void SetColor(OLE_COLOR color);
  // The form's OLE font object (never null once created).
  IFontDisp* font() const { return font_.Get(); }
  // Copies the given font's name, size, weight, style and character set into the form's font.
  HRESULT AssignFont(IFontDisp* font);
  bool key_preview() const { return key_preview_; }
  void set_key_preview(bool value) { key_preview_ = value; }
  int32_t pixels_per_inch() const { return pixels_per_inch_; }
  void SetPixelsPerInch(int32_t value);
  uint8_t print_scale() const { return print_scale_; }
  void set_print_scale(uint8_t value) { print_scale_ = value; }
  bool scaled() const { return scaled_; }
  void SetScaled(bool value);
  bool active() const { return active_; }
  bool drop_target() const { return drop_target_; }
  void set_drop_target(bool value) { drop_target_ = value; }
  const std::string& help_file() const { return help_file_; }
  void set_help_file(std::string value) { help_file_ = std::move(value); }
  bool screen_snap() const { return screen_snap_; }
  void set_screen_snap(bool value) { screen_snap_ = value; }
  int32_t snap_buffer() const { return snap_buffer_; }
  void set_snap_buffer(int32_t value) { snap_buffer_ = value; }
  bool double_buffered() const { return double_buffered_; }
  void set_double_buffered(bool value) { double_buffered_ = value; }
  bool align_disabled() const { return false; }
  int32_t visible_dock_client_count() const { return 0; }
  bool enabled() const;
  void SetEnabled(bool enabled);

  // The key character of the last key press after the handler had its say (0: swallowed).
  char last_key() const { return last_key_; }

  // Design size of the form in pixels.
  SIZE design_size() const { return {kDesignWidth, kDesignHeight}; }

  // In-place activation: the form becomes a visible child of `parent` at `bounds`, or goes
  // back to its parking window.
  void Attach(HWND parent, const RECT& bounds);
  void SetBounds(const RECT& bounds);
  void Detach();

  // Paints the form's background into `dc` (for containers that draw the control).
  void Draw(HDC dc, const RECT& bounds) const;

 private:
  static constexpr int kDesignLeft = 192;
  static constexpr int kDesignTop = 130;
  static constexpr int kDesignWidth = 924;
  static constexpr int kDesignHeight = 480;

  BrindleForm() = default;
  ~BrindleForm();

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void ApplyBorderStyle();

  HWND parking_ = nullptr;
  HWND hwnd_ = nullptr;
  FormHandlers* handlers_ = nullptr;
  int busy_ = 0;  // depth of window messages being handled
  bool close_pending_ = false;
  bool mouse_down_ = false;

  bool auto_scroll_ = true;
  bool auto_size_ = false;
  int32_t ax_border_style_ = kBorderNone;
  OLE_COLOR color_ = kClBtnFace;
  Microsoft::WRL::ComPtr<IFontDisp> font_;
  bool key_preview_ = false;
  int32_t pixels_per_inch_ = 96;
  uint8_t print_scale_ = 1;  // poProportional
  bool scaled_ = true;
  bool active_ = false;
  bool drop_target_ = false;
  std::string help_file_;
  bool screen_snap_ = false;
  int32_t snap_buffer_ = 10;
  bool double_buffered_ = false;
  char last_key_ = 0;
};

}  // namespace tabulon::control
