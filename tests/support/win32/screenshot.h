// PNG screenshots of a window or of the whole screen, saved under the screenshot folder
// (see support/test_env.h) for review. The pixels are read from the screen, so the window
// must be visible and unobscured; the PNG is written by the Windows Imaging Component.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

namespace tabulon::testing::win32 {

// Saves `hwnd` (its outer rectangle) as <screenshot folder>/<name>.png. Returns the path
// written, or an empty path on failure (with the reason in *error when given).
std::filesystem::path SaveWindowPng(HWND hwnd, const std::string& name, std::string* error = nullptr);
std::filesystem::path SaveScreenPng(const std::string& name, std::string* error = nullptr);

}  // namespace tabulon::testing::win32
