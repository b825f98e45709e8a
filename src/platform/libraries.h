// Loading plug-in libraries and calling their five entry points.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/handles.h"

namespace kestrane {

// An exported function, opaque to the core; called only through Libraries.
enum class EntryPoint : std::uintptr_t {};
constexpr EntryPoint kNoEntry{};

enum class DataResource { kFound, kMissing, kUnreadable };

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

  // The raw-data resource `name` of the library file at `path`, read as a data file: none of
  // its code runs. Copies at most `capacity` bytes; `size` is the resource's whole size.
  // kUnreadable: the file cannot be read that way.
  virtual DataResource ReadDataResource(const char *path, const char *name, char *content,
                                        std::size_t capacity, std::size_t &size) = 0;
};

}  // namespace kestrane
