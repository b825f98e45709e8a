#pragma once

#include "platform/desktop.h"

namespace kestrane::win32 {

// user32: the window class and window, layered attributes, message boxes.
class Win32Desktop final : public Desktop {
 public:
  bool RegisterWindowClass(const WindowClassRequest &request) override;
  void UnregisterWindowClass(const char *name, ModuleHandle module) override;
  WindowHandle MakeWindow(const WindowRequest &request) override;
  void DestroyWindow(WindowHandle window) override;
  void HideWindow(WindowHandle window) override;
  bool IsVisible(WindowHandle window) override;
  std::uint32_t ExStyle(WindowHandle window) override;
  void SetExStyle(WindowHandle window, std::uint32_t exStyle) override;
  void SetLayeredAttributes(WindowHandle window, std::uint32_t colourKey, unsigned char alpha,
                            unsigned flags) override;
  void SetWindowPos(WindowHandle window, ZOrder order, int x, int y, int width, int height,
                    unsigned flags) override;
  void Invalidate(WindowHandle window) override;
  ScreenSize PrimaryScreen() override;
  Path ChooseFile(const char *title, const char *filterName, const char *pattern) override;
  int ShowMessageBox(WindowHandle owner, const char *text, const char *caption,
                     unsigned style) override;
};

}  // namespace kestrane::win32
