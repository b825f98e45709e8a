// The shell's own windows: the hidden core window plug-ins talk to, and the visible Slit.
#pragma once

#include <windows.h>

namespace corvane::win32 {

bool CreateShellWindows(HINSTANCE instance);
HWND CreateSlitWindow(HINSTANCE instance);
void DestroyShellWindows();

// Sends `message` to every window registered for it; how many got it.
int SendToSubscribers(unsigned message, WPARAM wParam, LPARAM lParam);

// Whether `window` sits in the Slit.
bool IsDocked(HWND window);

}  // namespace corvane::win32
