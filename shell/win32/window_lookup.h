// Naming and finding windows the way the transcript and the script refer to them.
#pragma once

#include <windows.h>

#include <string>

namespace corvane::win32 {

std::string ClassOf(HWND window);

// "wnd:CLASS", or "wnd:0" for none.
std::string WindowName(HWND window);

// The first window of that class in this process: top-level, docked in the Slit, or
// message-only.
HWND FindShellWindow(const std::string &className);

// The `window` line: styles, screen rectangle, visibility, topmost bit, parent.
std::string DescribeWindow(HWND window);

// A window's text through WM_GETTEXT, giving up on a window whose thread is stuck.
std::string TextOf(HWND window);

}  // namespace corvane::win32
