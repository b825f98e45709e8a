// Whether other programs' threads answer before the controllers change their windows: such a
// change waits for the window's thread, and a hung program would hold the shell's thread for
// as long as it hangs. Each thread is asked once in a pass or hook call, so a hung one costs
// that pass one time-out, however many windows it has.
#pragma once

#include "platform/desktop.h"

namespace kestrane {

class ThreadProbe {
 public:
  static constexpr unsigned kTimeoutMs = 200;

  explicit ThreadProbe(Desktop &desktop) : desktop_(desktop) {}
  ThreadProbe(const ThreadProbe &) = delete;
  ThreadProbe &operator=(const ThreadProbe &) = delete;

  bool Answers(WindowHandle window);

 private:
  // Threads beyond these are asked again: a pass over so many programs' listed windows is rare.
  static constexpr int kRemembered = 128;
  struct Answer {
    ThreadId thread = 0;
    bool answers = false;
  };

  Desktop &desktop_;
  Answer answers_[kRemembered];
  int count_ = 0;
};

}  // namespace kestrane
