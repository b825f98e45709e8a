#include "core/list_file.h"

#include "core/manager.h"
#include "core/notices.h"
#include "core/path_text.h"
#include "core/plugin_table.h"
#include "core/text_file.h"

namespace kestrane {

namespace {

constexpr std::string_view kTokenEnd = " \t\r\n";

// Calls `visit(line, terminator)` for every line of `content`, the last one possibly without
// a terminator; CR LF and bare LF both end a line.
template <typename Visit>
void ForEachLine(std::string_view content, Visit visit) {
  while (!content.empty()) {
    std::size_t lf = content.find('\n');
    std::size_t end = lf == std::string_view::npos ? content.size() : lf + 1;
    std::string_view whole = content.substr(0, end);
    std::size_t bodyLength = whole.size();
    if (bodyLength > 0 && whole[bodyLength - 1] == '\n') --bodyLength;
    if (bodyLength > 0 && whole[bodyLength - 1] == '\r') --bodyLength;
    visit(whole.substr(0, bodyLength), whole.substr(bodyLength));
    content.remove_prefix(end);
  }
}

bool IsSlotLine(Manager &m, std::string_view line, const Path &slotPath) {
  ListLine parsed = ParseListLine(line);
  Path path;
  return parsed.plugin && LinePluginPath(m, parsed, path) && path.view() == slotPath.view();
}

}  // namespace

void ShowListFileMissing(Manager &m) {
  BoundedText<kPathCapacity + 32> text;
  text.Format("Could not find %s", m.settings.pluginsRcFile.c_str());
  ShowError(m, text.c_str());
}

ListLine ParseListLine(std::string_view line) {
  ListLine parsed;
  if (line.empty() || line[0] == '\r' || line[0] == '\n') return parsed;
  if (line[0] == '!') {
    parsed.enabled = false;
    line.remove_prefix(1);
  }
  if (!line.empty() && line[0] == '&') {
    parsed.wantsSlit = true;
    line.remove_prefix(1);
  }
  std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return parsed;
  std::string_view token = line.substr(start);
  token = token.substr(0, token.find_first_of(kTokenEnd));
  if (token.empty()) return parsed;
  parsed.plugin = true;
  parsed.path = token;
  return parsed;
}

bool LinePluginPath(Manager &m, const ListLine &line, Path &path) {
  path = line.path;
  if (!MakeAbsolute(m.ports.shell, path)) return false;
  LowerCase(path);
  TrimBlanks(path);
  return true;
}

Path RelativeKey(const Manager &m, int slot) {
  std::string_view path = m.plugins.slots[slot].path.view();
  std::size_t at = m.hostFolder.empty() ? std::string_view::npos : path.find(m.hostFolder.view());
  if (at == std::string_view::npos) return Path(path);
  return Path(path.substr(at + m.hostFolder.size()));
}

void LocateListFile(Manager &m) {
  m.listFilePath.Clear();
  // A folder or name that does not fit leaves the list unknown: a cut name is another file.
  Path own = m.ports.kernel.ModulePath(m.module);
  if (own.empty()) return;
  Path path = FolderPart(own.view());
  if (!path.Append(m.settings.pluginsRcFile.view())) return;
  if (!m.ports.shell.FileExists(path.c_str())) CreateEmptyFile(path.c_str());
  m.listFilePath = path;
}

void ReadPluginList(Manager &m) {
  LocateListFile(m);
  ReadListedPlugins(m, HeldBack{});
}

void ReadListedPlugins(Manager &m, const HeldBack &held) {
  HeapText content;
  if (m.listFilePath.empty() || !ReadWholeFile(m.listFilePath.c_str(), content)) {
    ShowListFileMissing(m);
    return;
  }
  int slot = 0;
  ForEachLine(content.view(), [&](std::string_view line, std::string_view) {
    if (slot >= kMaxPlugins) return;
    ListLine parsed = ParseListLine(line);
    if (!parsed.plugin) return;
    PluginEntry &e = m.plugins.slots[slot];
    e.enabled = parsed.enabled;
    e.wantsSlit = parsed.wantsSlit;
    Path path;
    if (LinePluginPath(m, parsed, path)) {
      if (held.everyPlugin || path.view() == held.library.view() ||
          path.view() == held.installed.view() || m.journal.IsHeld(path.view())) {
        PlacePluginUnlinked(m, path.view(), slot);
      } else {
        LinkPlugin(m, path.view(), slot);
      }
    } else {
      ShowCannotLink(m, parsed.path);
    }
    ++slot;  // a line that fails to link still takes its slot
  });
}

void RewritePluginLine(Manager &m, int slot, bool disabled, bool slit) {
  HeapText content;
  if (!ReadWholeFile(m.listFilePath.c_str(), content)) {
    ShowError(m, "Could not read from plugins.rc");
    return;
  }
  BoundedText<kPathCapacity + 8> replacement;
  replacement.Format("%s%s%s\r\n", disabled ? "!" : "", slit ? "&" : "",
                     RelativeKey(m, slot).c_str());
  const Path slotPath = m.plugins.slots[slot].path;
  HeapText out;
  bool whole = true;
  ForEachLine(content.view(), [&](std::string_view line, std::string_view terminator) {
    if (IsSlotLine(m, line, slotPath)) {
      whole = out.Append(replacement.view()) && whole;
    } else {
      const std::size_t at = out.size();
      whole = out.Append(line) && whole;
      if (out.size() == at + line.size()) LowerCaseAscii(out.data() + at, line.size());
      whole = out.Append(terminator) && whole;
    }
  });
  if (!whole || !ReplaceFileContent(m.ports.kernel, m.listFilePath.c_str(), out.view())) {
    ShowError(m, "Could not write to plugins.rc");
  }
}

void RemovePluginLines(Manager &m, int slot) {
  HeapText content;
  if (!ReadWholeFile(m.listFilePath.c_str(), content)) {
    ShowError(m, "Could not read from plugins.rc");
    return;
  }
  const Path slotPath = m.plugins.slots[slot].path;
  HeapText out;
  bool whole = true;
  ForEachLine(content.view(), [&](std::string_view line, std::string_view terminator) {
    if (IsSlotLine(m, line, slotPath)) return;
    whole = out.Append(line) && out.Append(terminator) && whole;
  });
  if (!whole || !ReplaceFileContent(m.ports.kernel, m.listFilePath.c_str(), out.view())) {
    ShowError(m, "Could not write to plugins.rc");
  }
}

}  // namespace kestrane
