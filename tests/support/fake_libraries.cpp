#include "fake_libraries.h"

#include <cstring>

#include "fake_desktop.h"

namespace kestrane::testing {

ModuleHandle FakeLibraries::Load(const char *path) {
  log_.Add(std::string("LoadLibrary ") + path);
  if (whileLoading) whileLoading(path);
  if (loadAnything && available.count(path) == 0) available[path] = FakeModule{};
  if (available.count(path) == 0) return kNoModule;
  ModuleHandle m{next_++};
  loaded[m] = path;
  return m;
}

EntryPoint FakeLibraries::Resolve(ModuleHandle module, const char *name) {
  const FakeModule &fm = available.at(loaded.at(module));
  std::string n = name;
  bool has = (n == "beginPlugin" && fm.hasBeginPlugin) ||
             (n == "beginPluginEx" && fm.hasBeginPluginEx) ||
             (n == "beginSlitPlugin" && fm.hasBeginSlitPlugin) ||
             (n == "endPlugin" && fm.hasEndPlugin) || (n == "pluginInfo" && fm.hasPluginInfo);
  if (!has) return kNoEntry;
  EntryPoint e{next_++};
  entries_[e] = {module, n};
  return e;
}

void FakeLibraries::Free(ModuleHandle module) {
  log_.Add("FreeLibrary " + loaded.at(module));
  loaded.erase(module);
}

Fault FaultAt(std::uintptr_t offset) {
  Fault fault;
  fault.raised = true;
  fault.code = exception::kAccessViolation;
  fault.address = kFakeImageBase + offset;
  return fault;
}

std::uintptr_t FakeLibraries::ImageBase(ModuleHandle module) const {
  return kFakeImageBase + ((static_cast<std::uintptr_t>(module) & 0xFFF) + 1) * kFakeImageSize;
}

Fault FakeLibraries::FaultIn(const std::string &path, std::uintptr_t offset) const {
  for (const auto &[module, loadedPath] : loaded) {
    if (loadedPath == path) {
      Fault fault = FaultAt(0);
      fault.address = ImageBase(module) + offset;
      return fault;
    }
  }
  return Fault{};
}

// FaultAt's addresses move into the raising module's own image.
Fault FakeLibraries::FaultOf(ModuleHandle module, const std::string &call) const {
  const FakeModule &fm = available.at(loaded.at(module));
  Fault fault;
  if (fm.behaviour) {
    fault = fm.behaviour(call);
  } else if (auto found = fm.faults.find(call); found != fm.faults.end()) {
    fault = found->second;
  }
  if (fault.address >= kFakeImageBase && fault.address - kFakeImageBase < kFakeImageSize) {
    fault.address += ImageBase(module) - kFakeImageBase;
  }
  return fault;
}

Fault FakeLibraries::RunGuarded(void (*call)(void *context), void *context) {
  try {
    call(context);
  } catch (const SimulatedFault &raised) {
    return raised.fault;
  }
  return Fault{};
}

Fault FakeLibraries::Logged(const std::string &call, ModuleHandle module,
                            const std::string &suffix) {
  log_.Add("call " + call + " " + loaded.at(module) + suffix);
  return FaultOf(module, call);
}

Fault FakeLibraries::CallBegin(EntryPoint beginPlugin, ModuleHandle module) {
  return Logged(entries_.at(beginPlugin).name, module);
}

Fault FakeLibraries::CallBeginSlit(EntryPoint begin, ModuleHandle module, WindowHandle slit) {
  return Logged(entries_.at(begin).name, module,
                " slit=" + std::to_string(static_cast<std::uintptr_t>(slit)));
}

Fault FakeLibraries::CallEnd(EntryPoint endPlugin, ModuleHandle module) {
  return Logged(entries_.at(endPlugin).name, module);
}

Fault FakeLibraries::CallInfo(EntryPoint pluginInfo, int code, char *answer, std::size_t capacity) {
  const Resolved &r = entries_.at(pluginInfo);
  const FakeModule &fm = available.at(loaded.at(r.module));
  const std::string call = "pluginInfo " + std::to_string(code);
  Fault fault = FaultOf(r.module, call);
  if (fault.raised) {
    log_.Add("call " + call + " " + loaded.at(r.module));
    answer[0] = '\0';
    return fault;
  }
  return CopyText(fm.info ? fm.info(code) : nullptr, answer, capacity);
}

Fault FakeLibraries::CopyText(const char *text, char *buffer, std::size_t capacity) {
  if (unreadableTexts.count(text) != 0) {
    buffer[0] = '\0';
    return FaultAt(0);
  }
  std::size_t length = 0;
  while (text != nullptr && length + 1 < capacity && text[length] != '\0') {
    buffer[length] = text[length];
    ++length;
  }
  buffer[length] = '\0';
  return Fault{};
}

bool FakeLibraries::OffsetInModule(ModuleHandle module, std::uintptr_t address,
                                   std::uintptr_t &offset) {
  if (loaded.count(module) == 0 || address < ImageBase(module) ||
      address - ImageBase(module) >= kFakeImageSize) {
    return false;
  }
  offset = address - ImageBase(module);
  return true;
}

DataResource FakeLibraries::ReadDataResource(FilePath path, const char *name, char *content,
                                             std::size_t capacity, std::size_t &size) {
  size = 0;
  auto module = available.find(path.text);
  if (module == available.end() || !module->second.readableAsData) return DataResource::kUnreadable;
  auto resource = module->second.resources.find(name);
  if (resource == module->second.resources.end()) return DataResource::kMissing;
  size = resource->second.size();
  std::memcpy(content, resource->second.data(), size < capacity ? size : capacity);
  return DataResource::kFound;
}

}  // namespace kestrane::testing
