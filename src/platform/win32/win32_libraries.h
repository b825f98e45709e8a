#pragma once

#include "platform/libraries.h"

namespace kestrane::win32 {

class Win32Libraries final : public Libraries {
 public:
  ModuleHandle Load(const char *path) override;
  EntryPoint Resolve(ModuleHandle module, const char *name) override;
  void Free(ModuleHandle module) override;
  Fault CallBegin(EntryPoint beginPlugin, ModuleHandle module) override;
  Fault CallBeginSlit(EntryPoint begin, ModuleHandle module, WindowHandle slit) override;
  Fault CallEnd(EntryPoint endPlugin, ModuleHandle module) override;
  Fault CallInfo(EntryPoint pluginInfo, int code, char *answer, std::size_t capacity) override;
  Fault CopyText(const char *text, char *buffer, std::size_t capacity) override;
  Fault RunGuarded(void (*call)(void *context), void *context) override;
  bool OffsetInModule(ModuleHandle module, std::uintptr_t address, std::uintptr_t &offset) override;
  DataResource ReadDataResource(FilePath path, const char *name, char *content,
                                std::size_t capacity, std::size_t &size) override;
};

}  // namespace kestrane::win32
