// The button window's procedure: every message the shell or the user sends to Kestrane.
#pragma once

#include "platform/desktop.h"

namespace kestrane {

struct Manager;

namespace wm {
constexpr unsigned kCreate = 0x0001;
constexpr unsigned kDestroy = 0x0002;
}  // namespace wm

// The messages the window asks the shell for; zero-terminated as the shell expects.
extern const unsigned kRegisteredMessages[3];

class ManagerWindowProc final : public WindowMessageHandler {
 public:
  explicit ManagerWindowProc(Manager &manager) : manager_(manager) {}
  MessageResult OnMessage(const WindowMessage &message) override;

 private:
  Manager &manager_;
};

}  // namespace kestrane
