// Arbitrary stored values for every setting: reading them never overruns a buffer, cuts every
// text to its field and keeps the position on the screen.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/settings.h"
#include "test_rig.h"

namespace {

const char *const kKeys[] = {
    "Kestrane.plugin.x:",
    "Kestrane.plugin.y:",
    "Kestrane.plugin.width:",
    "Kestrane.plugin.height:",
    "Kestrane.plugin.transparency.enabled:",
    "Kestrane.plugin.transparency.alpha:",
    "Kestrane.plugin.alwaysontop:",
    "Kestrane.plugin.defaultupdateURL:",
    "Kestrane.plugin.PluginsRCFile:",
    "Kestrane.plugin.inSlit:",
    "Kestrane.plugin.GlobTransAlpha:",
    "Kestrane.plugin.transClass0:",
    "Kestrane.plugin.stickyClass49:",
    "Kestrane.plugin.transClass17:",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  kestrane::testing::TestRig rig;
  // The input is split at line feeds into the values of the keys above, in turn.
  std::string input(reinterpret_cast<const char *>(data), size);
  std::size_t start = 0;
  for (const char *key : kKeys) {
    if (start > input.size()) break;
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    rig.shell.Set(rig.OwnRcFile(), key, input.substr(start, end - start));
    start = end + 1;
  }
  kestrane::ReadSettings(rig.manager);

  const kestrane::Manager &m = rig.manager;
  if (m.settings.x >= rig.desktop.screen.width || m.settings.y >= rig.desktop.screen.height) {
    __builtin_trap();
  }
  for (const auto &slot : m.transClasses.slots) {
    if (std::strlen(slot.c_str()) != slot.size() || slot.size() > 259) __builtin_trap();
  }
  if (m.settings.defaultUpdateUrl.size() > 259 || m.settings.pluginsRcFile.size() > 259) {
    __builtin_trap();
  }
  return 0;
}
