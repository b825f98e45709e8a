#include "controllers/thread_probe.h"

namespace kestrane {

bool ThreadProbe::Answers(WindowHandle window) {
  ThreadId thread = desktop_.WindowThread(window);
  for (int i = 0; i < count_; ++i) {
    if (answers_[i].thread == thread) return answers_[i].answers;
  }
  bool answers = desktop_.ThreadAnswers(window, kTimeoutMs);
  // A window already gone has no thread to remember.
  if (thread != 0 && count_ < kRemembered) answers_[count_++] = {thread, answers};
  return answers;
}

}  // namespace kestrane
