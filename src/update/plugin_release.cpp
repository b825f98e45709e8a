#include "update/plugin_release.h"

#include "core/manager.h"
#include "core/path_text.h"
#include "core/plugin_fault.h"

namespace kestrane {

namespace {

constexpr int kVersionCode = 2;
constexpr int kDateCode = 4;

}  // namespace

PluginRelease OwnRelease(Manager &m, int slot) {
  PluginRelease release;
  const PluginEntry &e = m.plugins.slots[slot];
  if (e.module == kNoModule || e.pluginInfo == kNoEntry) return release;
  Libraries &libraries = m.ports.libraries;
  Fault fault = AskPluginInfo(libraries, e.pluginInfo, kVersionCode, release.version);
  if (!fault.raised) fault = AskPluginInfo(libraries, e.pluginInfo, kDateCode, release.date);
  if (fault.raised) {
    ContainPluginFault(m, slot, PluginCall::kPluginInfo, fault);
    return PluginRelease{};
  }
  TrimBlanks(release.version);
  TrimBlanks(release.date);
  return release;
}

}  // namespace kestrane
