// Arbitrary list files: reading never overruns, and removing or rewriting a slot's lines keeps
// every other line, in order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/list_file.h"
#include "core/plugin_table.h"
#include "plugin_rig.h"

namespace {

std::vector<std::string> Lines(const std::string &content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t lf = content.find('\n', start);
    std::size_t end = lf == std::string::npos ? content.size() : lf;
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace kestrane;
  testing::PluginRig rig;
  rig.libraries.loadAnything = true;
  const std::string list(reinterpret_cast<const char *>(data), size);
  rig.WriteList(list);
  rig.ReadAll();
  int slot = -1;
  for (int i = 0; i < kMaxPlugins && slot < 0; ++i) {
    if (rig.manager.plugins.slots[i].inUse) slot = i;
  }
  if (slot < 0) return 0;
  const Path path = rig.manager.plugins.slots[slot].path;

  std::vector<std::string> kept;
  for (const std::string &line : Lines(list)) {
    ListLine parsed = ParseListLine(line);
    Path linePath;
    if (!parsed.plugin || !LinePluginPath(rig.manager, parsed, linePath) ||
        linePath.view() != path.view()) {
      kept.push_back(line);
    }
  }
  RemovePluginLines(rig.manager, slot);
  if (Lines(rig.ReadList()) != kept) __builtin_trap();

  rig.WriteList(list);
  RewritePluginLine(rig.manager, slot, true, true);
  if (Lines(rig.ReadList()).size() != Lines(list).size()) __builtin_trap();
  return 0;
}
