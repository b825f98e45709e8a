#include "fake_kernel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace kestrane::testing {

namespace {

// The system's ANSI file functions take paths of at most 259 characters.
bool Fits(const char *path) { return std::strlen(path) < kPathCapacity; }

bool IsReadOnly(const char *path) {
  struct stat info;
  return stat(path, &info) == 0 && !S_ISDIR(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

}  // namespace

bool FakeKernel::StartThread(ModuleHandle, void (*routine)(void *), void *argument) {
  log_.Add("StartThread");
  std::lock_guard<std::mutex> lock(threadsMutex_);
  ++threadsStarted;
  if (realThreads) {
    live_.fetch_add(1);
    threads_.emplace_back([this, routine, argument] {
      routine(argument);
      live_.fetch_sub(1);
    });
  } else {
    pending.emplace_back(routine, argument);
  }
  return true;
}

ModuleHandle FakeKernel::HoldModule(ModuleHandle module) {
  if (module != kNoModule) ++heldModules;
  return module;
}

void FakeKernel::ReleaseModule(ModuleHandle) { --heldModules; }

void FakeKernel::JoinThreads() {
  for (;;) {
    std::vector<std::thread> running;
    {
      std::lock_guard<std::mutex> lock(threadsMutex_);
      running.swap(threads_);
    }
    if (running.empty()) return;
    for (std::thread &t : running) t.join();
  }
}

void FakeKernel::Sleep(unsigned milliseconds) {
  if (realThreads) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  } else {
    ticks += milliseconds;
  }
  if (onSleep) onSleep();
}

unsigned FakeKernel::TickCount() {
  if (onTickCount) onTickCount();
  if (!realThreads) return ticks;
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

UtcTime FakeKernel::UtcNow() {
  std::time_t now = static_cast<std::time_t>(utcAtTickZero + ticks / 1000);
  std::tm t{};
  gmtime_r(&now, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min};
}

void FakeKernel::RunPendingThreads() {
  auto threads = std::move(pending);
  pending.clear();
  for (auto &[routine, argument] : threads) routine(argument);
}

bool FakeKernel::MoveFileOver(const char *from, const char *to) {
  log_.Add(std::string("MoveFileOver ") + to);
  std::string target = to;
  bool refused =
      !failMoveTo.empty() && target.size() >= failMoveTo.size() &&
      target.compare(target.size() - failMoveTo.size(), failMoveTo.size(), failMoveTo) == 0;
  if (failReplace || refused || !Fits(from) || !Fits(to) || IsReadOnly(to) ||
      std::rename(from, to) != 0) {
    return false;
  }
  if (afterMove) afterMove(target);
  return true;
}

bool FakeKernel::CreateFolder(const char *path) {
  log_.Add(std::string("CreateFolder ") + path);
  if (!Fits(path)) return false;
  if (mkdir(path, 0777) == 0) return true;
  struct stat info;
  return errno == EEXIST && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

PathKind FakeKernel::KindOf(const char *path) {
  if (!Fits(path)) return PathKind::kUnknown;
  struct stat info;
  if (stat(path, &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? PathKind::kNothing : PathKind::kUnknown;
  }
  if (S_ISDIR(info.st_mode)) return PathKind::kFolder;
  return (info.st_mode & S_IWUSR) != 0 ? PathKind::kFile : PathKind::kReadOnlyFile;
}

bool FakeKernel::RemoveFile(const char *path) {
  log_.Add(std::string("RemoveFile ") + path);
  return Fits(path) && !IsReadOnly(path) && unlink(path) == 0;
}

bool FakeKernel::MakeWritable(const char *path) {
  log_.Add(std::string("MakeWritable ") + path);
  struct stat info;
  return Fits(path) && stat(path, &info) == 0 && chmod(path, info.st_mode | S_IWUSR) == 0;
}

}  // namespace kestrane::testing
