#pragma once

#include "platform/libraries.h"

namespace kestrane::win32 {

class Win32Libraries final : public Libraries {
 public:
  ModuleHandle Load(const char *path) override;
  EntryPoint Resolve(ModuleHandle module, const char *name) override;
  void Free(ModuleHandle module) override;
  int CallBegin(EntryPoint beginPlugin, ModuleHandle module) override;
  int CallBeginSlit(EntryPoint begin, ModuleHandle module, WindowHandle slit) override;
  void CallEnd(EntryPoint endPlugin, ModuleHandle module) override;
  const char *CallInfo(EntryPoint pluginInfo, int code) override;
  DataResource ReadDataResource(const char *path, const char *name, char *content,
                                std::size_t capacity, std::size_t &size) override;
};

}  // namespace kestrane::win32
