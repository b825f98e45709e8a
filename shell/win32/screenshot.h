// `screenshot`: the window's rectangle as the screen shows it, saved as a 24-bit BMP.
#pragma once

#include <windows.h>

#include <string>

namespace corvane::win32 {

// The size written ("25x25"), or an error text starting with "error".
std::string SaveScreenshot(HWND window, const std::string &path);

}  // namespace corvane::win32
