#include "fake_kernel.h"

#include <cstdio>

namespace kestrane::testing {

bool FakeKernel::StartThread(ModuleHandle, void (*routine)(void *), void *argument) {
  log_.Add("StartThread");
  ++threadsStarted;
  routine(argument);  // synchronous: the test sees the worker's whole effect
  return true;
}

bool FakeKernel::MoveFileOver(const char *from, const char *to) {
  log_.Add(std::string("MoveFileOver ") + to);
  return !failReplace && std::rename(from, to) == 0;
}

}  // namespace kestrane::testing
