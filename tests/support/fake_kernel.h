// A deterministic kernel: a fixed version, a chosen module path, threads run at once. Its file
// functions act on real files as the system's would: no path of 260 characters (UTF-16 units)
// or more, and a read-only file (no write permission here) is neither removed nor replaced.
// Its code pages are small tables: Latin-1 for the system's, CP437 for the OEM one. Names reach
// the disk in UTF-8, as Windows holds them in Unicode: a path in the system's code page names
// the same file as the same path in UTF-8.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "call_log.h"
#include "platform/kernel.h"

namespace kestrane::testing {

class FakeKernel final : public Kernel {
 public:
  explicit FakeKernel(CallLog &log) : log_(log) {}
  ~FakeKernel() override { JoinThreads(); }

  // Real threads, real sleeps and a real clock, for tests of the workers' threading.
  bool realThreads = false;
  void JoinThreads();
  int LiveThreads() const { return live_.load(); }  // real threads started and not ended

  SystemVersion version{true, 5};
  std::string modulePath = "C:\\Corvane\\plugins\\Kestrane\\Kestrane.dll";
  unsigned ticks = 0;
  std::function<void()> onTickCount;  // runs in every TickCount, as if other threads acted
  // The calendar follows the ticks: this many seconds after 1970 (UTC) at tick 0, which is
  // 2004-11-01 12:00.
  long long utcAtTickZero = 1099310400;
  int threadsStarted = 0;
  // Threads wait here until the test runs them, as a real thread would run later.
  std::vector<std::pair<void (*)(void *), void *>> pending;
  void RunPendingThreads();

  SystemVersion Version() override { return version; }
  Path ModulePath(ModuleHandle) override { return Path(modulePath); }
  bool StartThread(ModuleHandle, void (*routine)(void *), void *argument) override;
  int heldModules = 0;  // references taken by HoldModule and not given back
  ModuleHandle HoldModule(ModuleHandle module) override;
  void ReleaseModule(ModuleHandle held) override;
  std::function<void()> onSleep;  // runs in every Sleep, as if time let other threads act
  void Sleep(unsigned milliseconds) override;
  bool failReplace = false;
  std::string failMoveTo;  // a move whose target ends in this text fails
  std::function<void(const std::string &to)> afterMove;  // after each move that succeeded
  bool MoveFileOver(FilePath from, FilePath to) override;
  bool CreateFolder(FilePath path) override;  // a real folder: extraction writes real files
  PathKind KindOf(FilePath path) override;
  bool RemoveFile(FilePath path) override;
  bool MakeWritable(FilePath path) override;
  std::FILE *OpenFile(FilePath path, const char *mode) override;
  bool utf8Paths = true;  // false: a system without wide-character file functions (95, 98, ME)
  bool TakesUtf8Paths() override { return utf8Paths; }
  bool ConvertText(std::string_view text, TextCoding from, TextCoding to,
                   HeapText &converted) override;
  bool UpperCaseUtf8(std::string_view text, HeapText &upper) override;
  bool StampOf(const char *path, FileStamp &stamp) override;
  bool RenameFolder(const char *from, const char *to) override;
  void RemoveTree(const char *path) override;
  unsigned TickCount() override;
  UtcTime UtcNow() override;

 private:
  CallLog &log_;
  std::mutex threadsMutex_;
  std::vector<std::thread> threads_;
  std::atomic<int> live_{0};
};

}  // namespace kestrane::testing
