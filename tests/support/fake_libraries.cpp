#include "fake_libraries.h"

#include <cstring>

namespace kestrane::testing {

ModuleHandle FakeLibraries::Load(const char *path) {
  log_.Add(std::string("LoadLibrary ") + path);
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

int FakeLibraries::CallBegin(EntryPoint beginPlugin, ModuleHandle module) {
  log_.Add("call " + entries_.at(beginPlugin).name + " " + loaded.at(module));
  return 0;
}

int FakeLibraries::CallBeginSlit(EntryPoint begin, ModuleHandle module, WindowHandle slit) {
  log_.Add("call " + entries_.at(begin).name + " " + loaded.at(module) +
           " slit=" + std::to_string(static_cast<std::uintptr_t>(slit)));
  return 0;
}

void FakeLibraries::CallEnd(EntryPoint endPlugin, ModuleHandle module) {
  log_.Add("call " + entries_.at(endPlugin).name + " " + loaded.at(module));
}

const char *FakeLibraries::CallInfo(EntryPoint pluginInfo, int code) {
  const Resolved &r = entries_.at(pluginInfo);
  const FakeModule &fm = available.at(loaded.at(r.module));
  return fm.info ? fm.info(code) : nullptr;
}

DataResource FakeLibraries::ReadDataResource(const char *path, const char *name, char *content,
                                             std::size_t capacity, std::size_t &size) {
  size = 0;
  auto module = available.find(path);
  if (module == available.end() || !module->second.readableAsData) return DataResource::kUnreadable;
  auto resource = module->second.resources.find(name);
  if (resource == module->second.resources.end()) return DataResource::kMissing;
  size = resource->second.size();
  std::memcpy(content, resource->second.data(), size < capacity ? size : capacity);
  return DataResource::kFound;
}

}  // namespace kestrane::testing
