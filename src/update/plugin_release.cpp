#include "update/plugin_release.h"

#include "core/manager.h"
#include "core/path_text.h"

namespace kestrane {

namespace {

constexpr int kVersionCode = 2;
constexpr int kDateCode = 4;

ShortText Answer(Manager &m, EntryPoint pluginInfo, int code) {
  ShortText text{m.ports.libraries.CallInfo(pluginInfo, code)};
  TrimBlanks(text);
  return text;
}

}  // namespace

PluginRelease OwnRelease(Manager &m, int slot) {
  PluginRelease release;
  const PluginEntry &e = m.plugins.slots[slot];
  if (e.module == kNoModule || e.pluginInfo == kNoEntry) return release;
  release.version = Answer(m, e.pluginInfo, kVersionCode);
  release.date = Answer(m, e.pluginInfo, kDateCode);
  return release;
}

}  // namespace kestrane
