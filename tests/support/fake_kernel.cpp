#include "fake_kernel.h"

#include <sys/stat.h>

#include <cerrno>
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

bool FakeKernel::CreateFolder(const char *path) {
  log_.Add(std::string("CreateFolder ") + path);
  if (mkdir(path, 0777) == 0) return true;
  struct stat info;
  return errno == EEXIST && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace kestrane::testing
