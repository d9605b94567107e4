// Text conversion between the three encodings that meet in this program:
//   ANSI   the system ANSI code page, in which all text is held inside the programs
//          (code page 936, GBK, on the Chinese Windows the product runs on);
//   UTF-8  text on the wire (service envelope, bean documents);
//   UTF-16 text at the Win32, COM and XML DOM boundaries (std::u16string here; the
//          Windows layer reinterprets it as wchar_t).
//
// On Windows the ANSI side is whatever code page the system uses (CP_ACP), converted by
// MultiByteToWideChar / WideCharToMultiByte with flags 0: a character that the code page
// cannot hold becomes the code page's best-fit character where Windows defines one, else
// "?"; a byte sequence that is not valid in the code page becomes the code page's default
// Unicode character. In the native build the ANSI code page is GBK (code page 936, through
// iconv), so that native tests behave as a Chinese Windows does: a character that GBK
// cannot hold becomes "?" (one per character, also for a surrogate pair), and each byte
// that does not start a valid GBK sequence becomes U+FFFD.
// Invalid UTF-8 input becomes U+FFFD per bad byte; an unpaired surrogate in UTF-16 input
// becomes U+FFFD in UTF-8 output.
#pragma once

#include <string>
#include <string_view>

namespace tabulon {

// The numeric identifier of the ANSI code page in use (936 natively).
unsigned AnsiCodePage();

std::u16string AnsiToUtf16(std::string_view ansi);
std::string Utf16ToAnsi(std::u16string_view utf16);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

}  // namespace tabulon
