// The plug-in list file: one plug-in per line, "!" for disabled, "&" for the Slit.
#pragma once

#include <string_view>

#include "core/bounded_text.h"

namespace kestrane {

struct Manager;

struct ListLine {
  bool plugin = false;  // false: an empty line or one without a path; it takes no slot
  bool enabled = true;
  bool wantsSlit = false;
  Path path;  // the first token after the marks, as written
};

ListLine ParseListLine(std::string_view line);
// The library a line names, as a slot holds it: absolute, lower-cased, trimmed. False when
// the absolute path would not fit.
bool LinePluginPath(Manager &manager, const ListLine &line, Path &path);
// The slot's path from the shell's folder on, as Kestrane writes it into the list.
Path RelativeKey(const Manager &manager, int slot);

void LocateListFile(Manager &manager);
// "Could not find" with the list file's name as configured.
void ShowListFileMissing(Manager &manager);
void ReadPluginList(Manager &manager);

// Plug-ins a start does not link, after the shell ended in a start last time.
struct HeldBack {
  bool everyPlugin = false;
  Path library;    // absolute, lower-cased; empty for none
  Path installed;  // an install undone: its line goes too
};

// ReadPluginList on the list LocateListFile found; a held-back line takes its slot unlinked.
void ReadListedPlugins(Manager &manager, const HeldBack &held);
void RewritePluginLine(Manager &manager, int slot, bool disabled, bool slit);
void RemovePluginLines(Manager &manager, int slot);

}  // namespace kestrane
