// Small Windows services shared by the programs: where the running program lies and how
// another program is started. Text is in the ANSI code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tabulon::win32 {

// The directory of the running executable, ending in exactly one backslash.
std::string GetAppPath();

// Starts `command_line` (program path first, as CreateProcessA parses it) in
// `working_directory` with the given show state, in a new console at normal priority,
// without waiting. Returns whether the process was created.
bool ExecuteProgram(std::string_view working_directory, std::string_view command_line, uint16_t show_state);

// UTF-16 text at the Win32 boundary: std::u16string and wchar_t share the representation.
inline const wchar_t* AsWide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline std::u16string FromWide(const wchar_t* s) { return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string(); }

}  // namespace tabulon::win32
