#include "window_thread.h"

namespace kestrane::testing {

std::intptr_t WindowThread::Send(const std::function<std::intptr_t()> &handle) {
  Pending pending{&handle};
  std::unique_lock<std::mutex> lock(mutex_);
  queue_.push_back(&pending);
  changed_.notify_all();
  changed_.wait(lock, [&] { return pending.done; });
  return pending.result;
}

bool WindowThread::PumpUntil(const std::function<bool()> &done,
                             const std::function<void()> &between,
                             std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Pending *next = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait_for(lock, std::chrono::milliseconds(2), [&] { return !queue_.empty(); });
      if (!queue_.empty()) {
        next = queue_.front();
        queue_.pop_front();
      }
    }
    if (next != nullptr) {
      std::intptr_t result = (*next->handle)();
      std::lock_guard<std::mutex> lock(mutex_);
      next->result = result;
      next->done = true;
      changed_.notify_all();
    }
    if (between) between();
  }
  return true;
}

}  // namespace kestrane::testing
