// The window thread for tests with real worker threads: what a worker sends to Kestrane's
// window waits in a queue until the test's own thread, pumping like a message loop, has
// handled it, just as SendMessageA waits for the window's thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace kestrane::testing {

class WindowThread {
 public:
  // From a worker: blocks until the pumping thread has run `handle`.
  std::intptr_t Send(const std::function<std::intptr_t()> &handle);
  // On the test's thread: runs what workers send, and `between` after each message and every
  // few milliseconds, until `done` holds. False when `limit` passed first.
  bool PumpUntil(const std::function<bool()> &done, const std::function<void()> &between = {},
                 std::chrono::milliseconds limit = std::chrono::seconds(20));

 private:
  struct Pending {
    const std::function<std::intptr_t()> *handle;
    std::intptr_t result = 0;
    bool done = false;
  };
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Pending *> queue_;
};

}  // namespace kestrane::testing
