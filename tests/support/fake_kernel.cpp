#include "fake_kernel.h"

namespace kestrane::testing {

bool FakeKernel::StartThread(ModuleHandle, void (*routine)(void *), void *argument) {
  log_.Add("StartThread");
  ++threadsStarted;
  routine(argument);  // synchronous: the test sees the worker's whole effect
  return true;
}

}  // namespace kestrane::testing
