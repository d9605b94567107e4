// Windows conversions through the system's code page tables (see base/encoding.h).
#include <windows.h>

#include "base/encoding.h"

namespace tabulon {
namespace {

std::u16string ToUtf16(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()),
                      reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

std::string FromUtf16(UINT code_page, std::u16string_view text) {
  if (text.empty()) return {};
  auto* w = reinterpret_cast<const wchar_t*>(text.data());
  int n = WideCharToMultiByte(code_page, 0, w, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, w, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

unsigned AnsiCodePage() { return GetACP(); }

std::u16string AnsiToUtf16(std::string_view ansi) { return ToUtf16(CP_ACP, ansi); }
std::string Utf16ToAnsi(std::u16string_view utf16) { return FromUtf16(CP_ACP, utf16); }
std::u16string Utf8ToUtf16(std::string_view utf8) { return ToUtf16(CP_UTF8, utf8); }
std::string Utf16ToUtf8(std::u16string_view utf16) { return FromUtf16(CP_UTF8, utf16); }

}  // namespace tabulon
