#include "core/plugin_add_remove.h"

#include <string>

#include "core/list_file.h"
#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/notices.h"
#include "core/path_text.h"
#include "core/plugin_table.h"
#include "core/text_file.h"

namespace kestrane {

namespace {

constexpr int kNoSlot = -1;

struct SlotSearch {
  int freeSlot = kNoSlot;
  bool duplicate = false;
};

SlotSearch FindSlotFor(const Manager &m, const Path &path) {
  SlotSearch found;
  for (int i = 0; i < kMaxPlugins; ++i) {
    const PluginEntry &e = m.plugins.slots[i];
    if (!e.inUse) {
      if (found.freeSlot == kNoSlot) found.freeSlot = i;
    } else if (e.path.view() == path.view()) {
      found.duplicate = true;
    }
  }
  return found;
}

void ShowPluginsFull(Manager &m) {
  ShowError(m,
            "Cannot add plugin!\n\nYou have reached the maximum\nnumber of plugins (50).\n\n"
            "Please remove some first ;)\n");
}

}  // namespace

void AddPluginFromDialog(Manager &m) {
  Path path = ChooseFileModal(m, "Kestrane - Select a .dll", "Dll Files", "*.dll");
  if (path.empty()) return;
  if (!MakeAbsolute(m.ports.shell, path)) {
    ShowCannotLink(m, path);
    return;
  }
  LowerCase(path);
  AddPlugin(m, path, false, false);
}

int AddPlugin(Manager &m, Path path, bool enabled, bool undoFault) {
  SlotSearch found = FindSlotFor(m, path);
  if (found.freeSlot == kNoSlot) {
    ShowPluginsFull(m);
    return kNoSlot;
  }
  if (found.duplicate) {
    if (ShowModalBox(m, kNoWindow,
                     "You have already added this plugin.\nAre you sure you "
                     "want to add another\ninstance of it?",
                     kCaption,
                     box::kTopMost | box::kIconInformation | box::kYesNo) == box::kAnswerNo) {
      return kNoSlot;
    }
    // Commands go on while the question is open: another add may have taken the slot.
    found = FindSlotFor(m, path);
    if (found.freeSlot == kNoSlot) {
      ShowPluginsFull(m);
      return kNoSlot;
    }
  }
  if (path.view().find(m.hostFolder.view()) == std::string_view::npos) {
    ShowError(m,
              "Using plugins from a directory outside\nthe standard folder can cause serious\n"
              "problems. Kestrane does not allow\nyou to do this. (Sorry!)");
    return kNoSlot;
  }

  int slot = found.freeSlot;
  PluginEntry &e = m.plugins.slots[slot];
  e.wantsSlit = false;
  e.enabled = enabled;  // as the line written below says
  if (!LinkPlugin(m, path.view(), slot)) return slot;
  if (undoFault) m.updateRestartSlot = slot;
  StartPlugin(m, slot);
  if (undoFault) m.updateRestartSlot = -1;
  // A box of the start (a fault) lets commands run: a plug-in removed meanwhile gets no line.
  if (!HoldsPlugin(e, path.view())) return kNoSlot;
  BoundedText<kPathCapacity + 4> line;
  line.Format("\r\n%s%s", enabled ? "" : "!", RelativeKey(m, slot).c_str());
  if (!AppendToFile(m.listFilePath.c_str(), line.view())) ShowListFileMissing(m);
  return slot;
}

void RemovePluginEntry(Manager &m, int index) {
  if (!ValidSlot(index) || !m.plugins.slots[index].inUse) return;
  PluginEntry &e = m.plugins.slots[index];
  const Path path = e.path;
  // Also a library that was linked but never started: nothing of it stays loaded.
  if (e.running || e.module != kNoModule) StopPlugin(m, index);
  // Its fault box lets commands run: the slot may have been removed, even filled anew.
  if (!HoldsPlugin(e, path.view())) return;
  e.inUse = false;
  RemovePluginLines(m, index);
  m.journal.Release(e.path.view());  // its lines are gone
}

}  // namespace kestrane
