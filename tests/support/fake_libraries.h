// Plug-in libraries as a test sees them: in-memory modules with chosen entry points.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>

#include "call_log.h"
#include "platform/libraries.h"

namespace kestrane::testing {

// Where a fake module's image lies, for the offsets of faults inside it: FaultAt's addresses lie
// in the image of whichever module raised the fault; each loaded module has an image of its own.
constexpr std::uintptr_t kFakeImageBase = 0x10000000;
constexpr std::uintptr_t kFakeImageSize = 0x20000;

struct FakeModule {
  bool hasBeginPlugin = true;
  bool hasBeginPluginEx = false;
  bool hasBeginSlitPlugin = false;
  bool hasEndPlugin = true;
  bool hasPluginInfo = false;
  std::function<const char *(int)> info;         // answers of pluginInfo
  std::map<std::string, std::string> resources;  // raw-data resources by name
  bool readableAsData = true;
  // Calls that raise an exception, by entry point ("beginPlugin", "endPlugin" ...) or, for
  // pluginInfo, "pluginInfo CODE"; each is logged first, as a call.
  std::map<std::string, Fault> faults;
  // When set, decides instead of `faults`, call by call (a module whose file changes).
  std::function<Fault(const std::string &call)> behaviour;
};

// An access violation at `offset` into the image of the module that raises it.
Fault FaultAt(std::uintptr_t offset);

class FakeLibraries final : public Libraries {
 public:
  explicit FakeLibraries(CallLog &log) : log_(log) {}

  std::map<std::string, FakeModule> available;                // by path as loaded
  bool loadAnything = false;                                  // every path loads as a plain plug-in
  std::function<void(const std::string &path)> whileLoading;  // runs inside each Load
  std::set<const char *> unreadableTexts;  // CopyText faults on these, as on a bad pointer
  std::map<ModuleHandle, std::string> loaded;

  ModuleHandle Load(const char *path) override;
  EntryPoint Resolve(ModuleHandle module, const char *name) override;
  void Free(ModuleHandle module) override;
  Fault CallBegin(EntryPoint beginPlugin, ModuleHandle module) override;
  Fault CallBeginSlit(EntryPoint begin, ModuleHandle module, WindowHandle slit) override;
  Fault CallEnd(EntryPoint endPlugin, ModuleHandle module) override;
  Fault CallInfo(EntryPoint pluginInfo, int code, char *answer, std::size_t capacity) override;
  Fault CopyText(const char *text, char *buffer, std::size_t capacity) override;
  // Runs the call; a SimulatedFault thrown inside comes back as its Fault.
  Fault RunGuarded(void (*call)(void *context), void *context) override;
  // An access violation at `offset` into the image of the library loaded from `path`.
  Fault FaultIn(const std::string &path, std::uintptr_t offset) const;
  bool OffsetInModule(ModuleHandle module, std::uintptr_t address, std::uintptr_t &offset) override;
  // The library file as it is: found among `available` by its path, loaded or not.
  DataResource ReadDataResource(FilePath path, const char *name, char *content,
                                std::size_t capacity, std::size_t &size) override;

 private:
  struct Resolved {
    ModuleHandle module;
    std::string name;
  };
  Fault Logged(const std::string &call, ModuleHandle module, const std::string &suffix = "");
  Fault FaultOf(ModuleHandle module, const std::string &call) const;
  std::uintptr_t ImageBase(ModuleHandle module) const;

  CallLog &log_;
  std::uintptr_t next_ = 0x1000;
  std::map<EntryPoint, Resolved> entries_;
};

}  // namespace kestrane::testing
