// Rewriting one plug-in's line in a 100-line list file against reading and replacing the same
// file unchanged: what the line work adds to the file work it cannot avoid.
#include <benchmark/benchmark.h>

#include <string>

#include "core/list_file.h"
#include "core/text_file.h"
#include "plugin_rig.h"

namespace {

struct HundredLineList : kestrane::testing::PluginRig {
  HundredLineList() {
    std::string list;
    for (int i = 0; i < 100; ++i) {
      std::string name = "plugins\\p" + std::to_string(i) + "\\p" + std::to_string(i) + ".dll";
      Library(name);
      list += name + "\r\n";
    }
    WriteList(list);
    ReadAll();
  }
};

void RewriteInAHundredLineList(benchmark::State &state) {
  HundredLineList rig;
  bool disabled = false;
  for (auto _ : state) {
    disabled = !disabled;
    kestrane::RewritePluginLine(rig.manager, 57, disabled, false);
  }
}
BENCHMARK(RewriteInAHundredLineList)->Unit(benchmark::kMicrosecond);

void ReplaceTheSameListUnchanged(benchmark::State &state) {
  HundredLineList rig;
  const char *path = rig.manager.listFilePath.c_str();
  kestrane::HeapText content;
  for (auto _ : state) {
    kestrane::ReadWholeFile(path, content);
    kestrane::ReplaceFileContent(rig.kernel, path, content.view());
  }
}
BENCHMARK(ReplaceTheSameListUnchanged)->Unit(benchmark::kMicrosecond);

}  // namespace
