// The button window's procedure: every message the shell or the user sends to Kestrane.
#pragma once

#include "platform/desktop.h"

namespace kestrane {

struct Manager;

namespace wm {
constexpr unsigned kCreate = 0x0001;
constexpr unsigned kDestroy = 0x0002;
constexpr unsigned kPaint = 0x000F;
constexpr unsigned kClose = 0x0010;
constexpr unsigned kWindowPosChanging = 0x0046;
constexpr unsigned kWindowPosChanged = 0x0047;
constexpr unsigned kNcHitTest = 0x0084;
constexpr unsigned kTimer = 0x0113;
constexpr unsigned kNcRButtonUp = 0x00A5;
constexpr unsigned kRButtonUp = 0x0205;
}  // namespace wm

constexpr std::intptr_t kHitClient = 1;
constexpr std::intptr_t kHitCaption = 2;  // the whole free-standing window drags
constexpr int kSnapDistance = 10;

// The messages the window asks the shell for; zero-terminated as the shell expects.
extern const unsigned kRegisteredMessages[3];

class ManagerWindowProc final : public WindowMessageHandler {
 public:
  explicit ManagerWindowProc(Manager &manager) : manager_(manager) {}
  MessageResult OnMessage(const WindowMessage &message) override;
  void OnFault(const Fault &fault) override;

 private:
  MessageResult Dispatch(const WindowMessage &message);

  Manager &manager_;
};

}  // namespace kestrane
