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
  bool MoveFileOver(FilePath from, FilePath to) override;
  bool CreateFolder(FilePath path) override;
  PathKind KindOf(FilePath path) override;
  bool RemoveFile(FilePath path) override;
  bool MakeWritable(FilePath path) override;
  std::FILE *OpenFile(FilePath path, const char *mode) override;
  bool TakesUtf8Paths() override;
  bool ConvertText(std::string_view text, TextCoding from, TextCoding to,
                   HeapText &converted) override;
  bool UpperCaseUtf8(std::string_view text, HeapText &upper) override;
  bool StampOf(const char *path, FileStamp &stamp) override;
  bool RenameFolder(const char *from, const char *to) override;
  void RemoveTree(const char *path) override;
  unsigned TickCount() override;
  UtcTime UtcNow() override;
};

}  // namespace kestrane::win32
