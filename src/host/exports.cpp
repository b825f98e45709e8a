// The five functions the shell calls, on the shell's thread. Kestrane is built without C++
// exceptions, so none can escape into the shell.
#include <windows.h>

#include "core/manager.h"
#include "core/plugin_info.h"
#include "core/startup.h"
#include "platform/win32/win32_canvas.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_folder_browser.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_internet.h"
#include "platform/win32/win32_kernel.h"
#include "platform/win32/win32_libraries.h"
#include "platform/win32/win32_shell.h"

namespace {

using namespace kestrane;

win32::Win32Shell g_shell;
win32::Win32Desktop g_desktop;
win32::Win32Kernel g_kernel;
win32::Win32Libraries g_libraries;
win32::Win32Canvas g_canvas;
win32::Win32Internet g_internet;
win32::Win32FolderBrowser g_folders;
Manager g_manager{
    Ports{g_shell, g_desktop, g_kernel, g_libraries, g_canvas, g_internet, g_folders}};

}  // namespace

extern "C" {

__declspec(dllexport) int beginPlugin(HINSTANCE module) {
  return StartManager(g_manager, win32::FromHmodule(module));
}

__declspec(dllexport) int beginSlitPlugin(HINSTANCE module, HWND slit) {
  return StartManagerInSlit(g_manager, win32::FromHmodule(module), win32::FromHwnd(slit));
}

__declspec(dllexport) int beginPluginEx(HINSTANCE module, HWND slit) {
  return beginSlitPlugin(module, slit);
}

__declspec(dllexport) void endPlugin(HINSTANCE module) {
  EndManager(g_manager, win32::FromHmodule(module));
  // Every hook is gone now, so nothing can call into psapi any more.
  g_desktop.ReleaseOptionalLibraries();
}

__declspec(dllexport) const char *pluginInfo(int code) { return PluginInfoAnswer(code); }

}  // extern "C"
