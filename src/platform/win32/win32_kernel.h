#pragma once

#include "platform/kernel.h"

namespace kestrane::win32 {

class Win32Kernel final : public Kernel {
 public:
  SystemVersion Version() override;
  Path ModulePath(ModuleHandle module) override;
  bool StartThread(ModuleHandle module, void (*routine)(void *), void *argument) override;
  ModuleHandle HoldModule(ModuleHandle module) override;
  void ReleaseModule(ModuleHandle held) override;
  void Sleep(unsigned milliseconds) override;
  bool MoveFileOver(const char *from, const char *to) override;
  bool CreateFolder(const char *path) override;
  PathKind KindOf(const char *path) override;
  bool RemoveFile(const char *path) override;
  bool MakeWritable(const char *path) override;
  unsigned TickCount() override;
  UtcTime UtcNow() override;
};

}  // namespace kestrane::win32
