// Rewriting one plug-in's line in a 100-line list file: one read and one write of the file.
#include <benchmark/benchmark.h>

#include <string>

#include "core/list_file.h"
#include "plugin_rig.h"

namespace {

void RewriteInAHundredLineList(benchmark::State &state) {
  kestrane::testing::PluginRig rig;
  std::string list;
  for (int i = 0; i < 100; ++i) {
    std::string name = "plugins\\p" + std::to_string(i) + "\\p" + std::to_string(i) + ".dll";
    rig.Library(name);
    list += name + "\r\n";
  }
  rig.WriteList(list);
  rig.ReadAll();
  bool disabled = false;
  for (auto _ : state) {
    disabled = !disabled;
    kestrane::RewritePluginLine(rig.manager, 57, disabled, false);
  }
}
BENCHMARK(RewriteInAHundredLineList)->Unit(benchmark::kMicrosecond);

}  // namespace
