// Windows, window classes, layered attributes and message boxes, as the core sees them.
#pragma once

#include <cstdint>

#include "core/bounded_text.h"
#include "platform/handles.h"

namespace kestrane {

// Message box styles, with the values Windows gives them.
namespace box {
constexpr unsigned kOk = 0x0;
constexpr unsigned kYesNo = 0x4;
constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconInformation = 0x40;
constexpr unsigned kTopMost = 0x40000;
constexpr int kAnswerOk = 1;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;
}  // namespace box

// Window styles and flags the core asks for, with the values Windows gives them.
namespace winstyle {
constexpr std::uint32_t kExToolWindow = 0x80;
constexpr std::uint32_t kExLayered = 0x80000;
constexpr std::uint32_t kPopupVisibleClipped =
    0x96000000;  // popup, visible, clip siblings+children
constexpr unsigned kClassDoubleClicks = 0x8;
constexpr unsigned kLayeredColourKey = 0x1;
constexpr unsigned kLayeredAlpha = 0x2;
constexpr unsigned kPosShowWindow = 0x40;
constexpr unsigned kPosNoActivate = 0x10;
constexpr unsigned kPosNoSize = 0x1;
constexpr unsigned kPosNoZOrder = 0x4;
}  // namespace winstyle

enum class ZOrder { kTopMost, kNotTopMost, kUnchanged };

struct ScreenSize {
  int width = 0;
  int height = 0;
};

struct WindowMessage {
  WindowHandle window = kNoWindow;
  unsigned id = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  int x = 0, y = 0;  // the new position, for a window that has moved
};

// What the core answers for one window message.
struct MessageResult {
  bool handled = false;  // false: the system's default procedure runs
  std::intptr_t value = 0;
};

// Receives the messages of the window class the core registers.
class WindowMessageHandler {
 public:
  virtual ~WindowMessageHandler() = default;
  virtual MessageResult OnMessage(const WindowMessage &message) = 0;
};

struct WindowClassRequest {
  const char *name = nullptr;
  unsigned style = 0;
  ModuleHandle module = kNoModule;
  WindowMessageHandler *handler = nullptr;
};

struct WindowRequest {
  const char *className = nullptr;
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  ModuleHandle module = kNoModule;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  virtual bool RegisterWindowClass(const WindowClassRequest &request) = 0;
  virtual void UnregisterWindowClass(const char *name, ModuleHandle module) = 0;
  virtual WindowHandle MakeWindow(const WindowRequest &request) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;

  virtual void HideWindow(WindowHandle window) = 0;
  virtual bool IsVisible(WindowHandle window) = 0;
  virtual std::uint32_t ExStyle(WindowHandle window) = 0;
  virtual void SetExStyle(WindowHandle window, std::uint32_t exStyle) = 0;
  virtual void SetLayeredAttributes(WindowHandle window, std::uint32_t colourKey,
                                    unsigned char alpha, unsigned flags) = 0;
  virtual void SetWindowPos(WindowHandle window, ZOrder order, int x, int y, int width, int height,
                            unsigned flags) = 0;
  virtual void Invalidate(WindowHandle window) = 0;  // whole window, no erase

  virtual ScreenSize PrimaryScreen() = 0;
  // The system's open-file dialog with one filter; empty when the user cancels.
  virtual Path ChooseFile(const char *title, const char *filterName, const char *pattern) = 0;
  virtual int ShowMessageBox(WindowHandle owner, const char *text, const char *caption,
                             unsigned style) = 0;
};

}  // namespace kestrane
