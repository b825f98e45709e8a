// Message boxes and dialogs run a modal loop on the shell's thread. Inside it the shell, the
// user and other programs go on sending Kestrane messages and commands: the table may change,
// and the shell may even end Kestrane and free its library before the box returns. So every
// box and dialog of the window thread is opened through here. While it is open, Kestrane's
// library holds one more reference, so the box returns into code that is still there. When
// no shut-down came meanwhile the reference is given back and the step goes on, re-checking
// what it relies on. After a shut-down the reference stays (the library is then pinned until
// the process ends) and the whole call is left at once, back to where the shell or the system
// called in (the window procedure, a hook, a begin function): the frames in between are
// abandoned as they stand, touching nothing of the session that ended.
#pragma once

#if !defined(_WIN32)
#include <csetjmp>
#endif

#include "core/bounded_text.h"
#include "platform/handles.h"

namespace kestrane {

struct Manager;

// Where the shell or the system called in. The jump needs no system function: Windows builds
// use the compiler's own, natively the library's (which the address sanitizer follows).
struct SessionEntry {
#if defined(_WIN32)
  void *jump[5];
#else
  std::jmp_buf jump;
#endif
  SessionEntry *outer;
};

class ModalScope {
 public:
  explicit ModalScope(Manager &manager);
  ~ModalScope();
  ModalScope(const ModalScope &) = delete;
  ModalScope &operator=(const ModalScope &) = delete;

  // Once the box or dialog has returned: when Kestrane was shut down while it was open, leaves
  // for the entry it was opened under and does not return.
  void Leave() const;

 private:
  friend void EndOpenModals(Manager &manager);

  Manager &manager_;
  ModalScope *outer_;  // the box this one was opened from, or none
  SessionEntry *entry_;
  ModuleHandle held_;
  bool ended_ = false;  // set by shut-down; lives on the stack, so reading it touches nothing
};

// Runs call() as a call from the shell or the system; false when the session ended in a box
// below, which left the call unfinished.
template <typename Call>
bool RunInSession(SessionEntry *&innermost, Call &&call) {
  SessionEntry entry;
  entry.outer = innermost;
  innermost = &entry;
#if defined(_WIN32)
  const bool ended = __builtin_setjmp(entry.jump) != 0;
#else
  const bool ended = setjmp(entry.jump) != 0;
#endif
  if (!ended) call();
  innermost = entry.outer;
  return !ended;
}

// The first step of shut-down: every box and dialog still open learns that its session is over.
void EndOpenModals(Manager &manager);

// The window thread's boxes and the open-file dialog, each inside a ModalScope.
int ShowModalBox(Manager &manager, WindowHandle owner, const char *text, const char *caption,
                 unsigned style);
Path ChooseFileModal(Manager &manager, const char *title, const char *filterName,
                     const char *pattern);

}  // namespace kestrane
