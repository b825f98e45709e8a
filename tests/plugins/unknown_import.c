/* A plug-in importing a shell function no shell exports (unknown_import.def names it). */
#include <windows.h>

__declspec(dllimport) HWND GetCVWnd(void);
__declspec(dllimport) void CVFlyToTheMoon(void);

__declspec(dllexport) int beginPlugin(HINSTANCE module) {
  (void)module;
  CVFlyToTheMoon();
  return GetCVWnd() == NULL;
}

__declspec(dllexport) void endPlugin(HINSTANCE module) { (void)module; }
