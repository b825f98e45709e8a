// Windows as a test sees them: a registry of fake windows whose creation and destruction
// call the registered handler just as the system would, plus scripted failures and answers.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "call_log.h"
#include "platform/desktop.h"

namespace kestrane::testing {

struct FakeWindow {
  std::string className;
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  bool visible = false;
  bool topMost = false;
  bool layeredSet = false;
  std::uint32_t colourKey = 0;
  unsigned alpha = 0;
  unsigned layeredFlags = 0;
  int invalidations = 0;
};

struct ShownBox {
  WindowHandle owner;
  std::string text;
  std::string caption;
  unsigned style;
};

class FakeDesktop final : public Desktop {
 public:
  explicit FakeDesktop(CallLog &log) : log_(log) {}

  bool failRegisterClass = false;
  bool failCreateWindow = false;
  ScreenSize screen{1024, 768};
  std::map<WindowHandle, FakeWindow> windows;
  std::map<std::string, WindowMessageHandler *> classes;
  std::deque<int> answers;  // for the next message boxes; OK when empty
  std::vector<ShownBox> boxes;
  std::function<void(const ShownBox &)> whileShown;  // runs while a box is open

  FakeWindow &Window(WindowHandle w) { return windows.at(w); }

  bool RegisterWindowClass(const WindowClassRequest &request) override;
  void UnregisterWindowClass(const char *name, ModuleHandle module) override;
  WindowHandle MakeWindow(const WindowRequest &request) override;
  void DestroyWindow(WindowHandle window) override;
  void HideWindow(WindowHandle window) override;
  bool IsVisible(WindowHandle window) override { return Window(window).visible; }
  std::uint32_t ExStyle(WindowHandle window) override;
  void SetExStyle(WindowHandle window, std::uint32_t exStyle) override;
  void SetLayeredAttributes(WindowHandle window, std::uint32_t colourKey, unsigned char alpha,
                            unsigned flags) override;
  void SetWindowPos(WindowHandle window, ZOrder order, int x, int y, int width, int height,
                    unsigned flags) override;
  void Invalidate(WindowHandle window) override;
  ScreenSize PrimaryScreen() override;
  std::deque<std::string> chosenFiles;  // answers of the next open-file dialogs; empty: cancel
  Path ChooseFile(const char *title, const char *filterName, const char *pattern) override;
  int ShowMessageBox(WindowHandle owner, const char *text, const char *caption,
                     unsigned style) override;

 private:
  CallLog &log_;
  std::uintptr_t nextWindow_ = 0x100;
  std::mutex boxesMutex_;  // update workers show boxes from their own threads
};

}  // namespace kestrane::testing
