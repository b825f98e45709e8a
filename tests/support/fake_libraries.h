// Plug-in libraries as a test sees them: in-memory modules with chosen entry points.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "call_log.h"
#include "platform/libraries.h"

namespace kestrane::testing {

struct FakeModule {
  bool hasBeginPlugin = true;
  bool hasBeginPluginEx = false;
  bool hasBeginSlitPlugin = false;
  bool hasEndPlugin = true;
  bool hasPluginInfo = false;
  std::function<const char *(int)> info;         // answers of pluginInfo
  std::map<std::string, std::string> resources;  // raw-data resources by name
  bool readableAsData = true;
};

class FakeLibraries final : public Libraries {
 public:
  explicit FakeLibraries(CallLog &log) : log_(log) {}

  std::map<std::string, FakeModule> available;  // by path as loaded
  bool loadAnything = false;                    // every path loads as a plain plug-in
  std::map<ModuleHandle, std::string> loaded;

  ModuleHandle Load(const char *path) override;
  EntryPoint Resolve(ModuleHandle module, const char *name) override;
  void Free(ModuleHandle module) override;
  int CallBegin(EntryPoint beginPlugin, ModuleHandle module) override;
  int CallBeginSlit(EntryPoint begin, ModuleHandle module, WindowHandle slit) override;
  void CallEnd(EntryPoint endPlugin, ModuleHandle module) override;
  const char *CallInfo(EntryPoint pluginInfo, int code) override;
  // The library file as it is: found among `available` by its path, loaded or not.
  DataResource ReadDataResource(const char *path, const char *name, char *content,
                                std::size_t capacity, std::size_t &size) override;

 private:
  struct Resolved {
    ModuleHandle module;
    std::string name;
  };
  CallLog &log_;
  std::uintptr_t next_ = 0x1000;
  std::map<EntryPoint, Resolved> entries_;
};

}  // namespace kestrane::testing
