#pragma once

#include "platform/desktop.h"
#include "platform/win32/optional_functions.h"
#include "platform/win32/win32_hooks.h"

namespace kestrane::win32 {

// user32: the window class and window, layered attributes, message boxes; other programs'
// windows and the hooks the window controllers use (psapi and the newer user32 and kernel32
// functions are looked up at run time).
class Win32Desktop final : public Desktop {
 public:
  bool RegisterWindowClass(const WindowClassRequest &request) override;
  void UnregisterWindowClass(const char *name, ModuleHandle module) override;
  WindowHandle MakeWindow(const WindowRequest &request) override;
  void DestroyWindow(WindowHandle window) override;
  void HideWindow(WindowHandle window) override;
  bool IsVisible(WindowHandle window) override;
  std::uint32_t ExStyle(WindowHandle window) override;
  bool SetExStyle(WindowHandle window, std::uint32_t exStyle) override;
  bool SetLayeredAttributes(WindowHandle window, std::uint32_t colourKey, unsigned char alpha,
                            unsigned flags) override;
  void SetWindowPos(WindowHandle window, ZOrder order, int x, int y, int width, int height,
                    unsigned flags) override;
  void Invalidate(WindowHandle window) override;
  bool StartTimer(WindowHandle window, unsigned id, unsigned milliseconds) override;
  void StopTimer(WindowHandle window, unsigned id) override;
  ScreenSize PrimaryScreen() override;
  Path ChooseFile(const char *title, const char *filterName, const char *pattern,
                  Fault &fault) override;
  int ShowMessageBox(WindowHandle owner, const char *text, const char *caption, unsigned style,
                     Fault &fault) override;

  void ForEachTopLevelWindow(WindowVisitor &visitor) override;
  bool WindowExists(WindowHandle window) override;
  ClassName WindowClass(WindowHandle window) override;
  Path ProcessExecutable(WindowHandle window) override;
  bool ReadLayeredAttributes(WindowHandle window, LayeredAttributes &attributes) override;
  ScreenPoint CursorPosition() override;
  WindowHandle WindowAt(ScreenPoint point) override;
  bool Post(WindowHandle window, unsigned message, std::uintptr_t wParam,
            std::intptr_t lParam) override;
  ThreadId WindowThread(WindowHandle window) override;
  bool ThreadAnswers(WindowHandle window, unsigned milliseconds) override;
  HookHandle InstallWinEventHook(unsigned event, WinEventHandler &handler) override;
  HookHandle InstallKeyboardHook(KeyboardHandler &handler) override;
  void RemoveHook(HookHandle hook) override;

  // psapi, loaded on first use; freed at endPlugin, once nothing can call into it.
  void ReleaseOptionalLibraries() { psapi_.Release(); }

 private:
  Path ExecutableFromModules(unsigned long processId);

  OptionalLibrary psapi_{"psapi.dll"};
  // Loaded on the first "Add Plugin" rather than with Kestrane: with the libraries it brings
  // it holds more memory than all of Kestrane. Never freed: a dialog's loop, or a thread of the
  // shell's folder view in it, may still be running its code when the shell ends Kestrane.
  OptionalLibrary commonDialogs_{"comdlg32.dll"};
  HookTable hooks_;
};

}  // namespace kestrane::win32
