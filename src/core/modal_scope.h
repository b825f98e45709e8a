// Message boxes and dialogs run a modal loop on the shell's thread. Inside it the shell, the
// user and other programs go on sending Kestrane messages and commands: the table may change,
// and the shell may even end Kestrane and free its library before the box returns. So every
// box and dialog of the window thread is opened through here. While it is open, Kestrane's
// library holds one more reference, so the box returns into code that is still there. When
// no shut-down came meanwhile the reference is given back and the step goes on, re-checking
// what it relies on. After a shut-down the reference stays (the library is then pinned until
// the process ends) and SessionEnded leaves the whole call, back to the window procedure or
// the begin function that began it, touching nothing but the stack on the way.
#pragma once

#include "core/bounded_text.h"
#include "platform/handles.h"

namespace kestrane {

struct Manager;

// Thrown after a box or dialog when the session it was opened in has ended; caught where the
// shell called in (ManagerWindowProc, the begin functions).
struct SessionEnded {};

class ModalScope {
 public:
  explicit ModalScope(Manager &manager);
  ~ModalScope();
  ModalScope(const ModalScope &) = delete;
  ModalScope &operator=(const ModalScope &) = delete;

  // Once the box or dialog has returned: throws SessionEnded when Kestrane was shut down while
  // it was open.
  void Leave() const;

 private:
  friend void EndOpenModals(Manager &manager);

  Manager &manager_;
  ModalScope *outer_;  // the box this one was opened from, or none
  ModuleHandle held_;
  bool ended_ = false;  // set by shut-down; lives on the stack, so reading it touches nothing
};

// The first step of shut-down: every box and dialog still open learns that its session is over.
void EndOpenModals(Manager &manager);

// The window thread's boxes and the open-file dialog, each inside a ModalScope.
int ShowModalBox(Manager &manager, WindowHandle owner, const char *text, const char *caption,
                 unsigned style);
Path ChooseFileModal(Manager &manager, const char *title, const char *filterName,
                     const char *pattern);

}  // namespace kestrane
