#include "fake_kernel.h"

#include <cstdio>

namespace kestrane::testing {

bool FakeKernel::StartThread(ModuleHandle, void (*routine)(void *), void *argument) {
  log_.Add("StartThread");
  ++threadsStarted;
  pending.emplace_back(routine, argument);
  return true;
}

void FakeKernel::RunPendingThreads() {
  auto threads = std::move(pending);
  pending.clear();
  for (auto &[routine, argument] : threads) routine(argument);
}

bool FakeKernel::MoveFileOver(const char *from, const char *to) {
  log_.Add(std::string("MoveFileOver ") + to);
  return !failReplace && std::rename(from, to) == 0;
}

}  // namespace kestrane::testing
