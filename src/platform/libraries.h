// Loading plug-in libraries and calling their five entry points.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace kestrane {

// An exported function, opaque to the core; called only through Libraries.
enum class EntryPoint : std::uintptr_t {};
constexpr EntryPoint kNoEntry{};

class Libraries {
 public:
  virtual ~Libraries() = default;

  virtual ModuleHandle Load(const char *path) = 0;
  virtual EntryPoint Resolve(ModuleHandle module, const char *name) = 0;
  virtual void Free(ModuleHandle module) = 0;

  virtual int CallBegin(EntryPoint beginPlugin, ModuleHandle module) = 0;
  virtual int CallBeginSlit(EntryPoint begin, ModuleHandle module, WindowHandle slit) = 0;
  virtual void CallEnd(EntryPoint endPlugin, ModuleHandle module) = 0;
  virtual const char *CallInfo(EntryPoint pluginInfo, int code) = 0;
};

}  // namespace kestrane
