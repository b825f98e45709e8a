// A deterministic kernel: a fixed version, a chosen module path, threads run at once.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "call_log.h"
#include "platform/kernel.h"

namespace kestrane::testing {

class FakeKernel final : public Kernel {
 public:
  explicit FakeKernel(CallLog &log) : log_(log) {}

  SystemVersion version{true, 5};
  std::string modulePath = "C:\\Corvane\\plugins\\Kestrane\\Kestrane.dll";
  unsigned ticks = 0;
  int threadsStarted = 0;
  // Threads wait here until the test runs them, as a real thread would run later.
  std::vector<std::pair<void (*)(void *), void *>> pending;
  void RunPendingThreads();

  SystemVersion Version() override { return version; }
  Path ModulePath(ModuleHandle) override { return Path(modulePath); }
  bool StartThread(ModuleHandle, void (*routine)(void *), void *argument) override;
  std::function<void()> onSleep;  // runs in every Sleep, as if time let other threads act
  void Sleep(unsigned milliseconds) override {
    ticks += milliseconds;
    if (onSleep) onSleep();
  }
  bool failReplace = false;
  bool MoveFileOver(const char *from, const char *to) override;
  bool CreateFolder(const char *path) override;  // a real folder: extraction writes real files
  unsigned TickCount() override { return ticks; }

 private:
  CallLog &log_;
};

}  // namespace kestrane::testing
