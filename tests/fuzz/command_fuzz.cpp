// Arbitrary bro@ms through the window's bro@m handler: every row of the command table is
// reachable, nothing overruns, and plug-in slots stay consistent.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/list_file.h"
#include "core/plugin_table.h"
#include "plugin_rig.h"
#include "ui/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace kestrane;
  static testing::PluginRig *rig = [] {
    auto *r = new testing::PluginRig;
    r->libraries.loadAnything = true;
    r->WriteList("a.dll\r\n!b.dll\r\n&c.dll\r\n");
    r->ReadAll();
    StartAllPlugins(r->manager);
    r->manager.managerWindow = WindowHandle{0x77};
    r->desktop.windows[r->manager.managerWindow] = testing::FakeWindow{"Kestrane", 0x80};
    r->manager.slitWindow = WindowHandle{0x5117};
    r->desktop.chosenFiles.clear();
    return r;
  }();
  // Each input is one bro@m, with or without Kestrane's prefix.
  std::string text(reinterpret_cast<const char *>(data), size);
  std::string broam = (size > 0 && data[0] & 1) ? "@KestraneInternal " + text.substr(1) : text;
  HandleBroam(rig->manager, broam.c_str());

  for (const PluginEntry &e : rig->manager.plugins.slots) {
    if (e.running && (!e.inUse || e.module == kNoModule)) __builtin_trap();
  }
  // Keep the doubles' records from growing without bound across runs.
  rig->log.Clear();
  rig->shell.sent.clear();
  rig->shell.menus.clear();
  rig->shell.shown.clear();
  rig->desktop.boxes.clear();
  return 0;
}
