#include <new>

#include "controllers/window_controllers.h"
#include "core/list_file.h"
#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/path_text.h"
#include "core/plugin_fault.h"
#include "core/plugin_table.h"

namespace kestrane {

namespace {

void ShowLinkError(Manager &m, const char *format, const Path &path) {
  BoundedText<512> text;
  text.Format(format, path.c_str());
  ShowModalBox(m, kNoWindow, text.c_str(), kLinkErrorCaption, box::kIconError);
}

}  // namespace

void ShowCannotLink(Manager &m, const Path &path) {
  ShowLinkError(m,
                "Could not link to plugin at...\n\n%s\n\nThis plugin may not be compatible\n"
                "with your Shell or Operating System.",
                path);
}

bool LinkPlugin(Manager &m, std::string_view rawPath, int slot) {
  Path path{rawPath};
  LowerCase(path);
  Libraries &libraries = m.ports.libraries;
  // The library's own start-up code runs in here, unguarded: the journal covers it. Linking a
  // held library means the user asked for it.
  m.journal.Release(path.view());
  m.journal.NoteLinking(path);
  ModuleHandle module = libraries.Load(path.c_str());
  m.journal.Clear();
  if (module == kNoModule) {
    ShowCannotLink(m, path);
    return false;
  }
  PlacePluginUnlinked(m, path.view(), slot);
  PluginEntry &e = m.plugins.slots[slot];
  e.module = module;
  e.beginPluginEx = libraries.Resolve(module, "beginPluginEx");
  e.beginSlitPlugin = libraries.Resolve(module, "beginSlitPlugin");
  e.beginPlugin = libraries.Resolve(module, "beginPlugin");
  e.endPlugin = libraries.Resolve(module, "endPlugin");
  e.pluginInfo = libraries.Resolve(module, "pluginInfo");
  if (e.beginPlugin == kNoEntry || e.endPlugin == kNoEntry) {
    // Unloaded before the box: while it is open a command may start this very slot.
    StopPlugin(m, slot);  // the slot stays in use, without a library
    ShowLinkError(m, "Could not link to plugin functions in...\n\n%s", path);
    return false;
  }
  e.slitOnly = e.beginSlitPlugin != kNoEntry && e.beginPluginEx == kNoEntry;
  return true;
}

bool HoldsPlugin(const PluginEntry &e, std::string_view path) {
  return e.inUse && e.path.view() == path;
}

void PlacePluginUnlinked(Manager &m, std::string_view path, int slot) {
  PluginEntry &e = m.plugins.slots[slot];
  e.path = path;
  e.name = FileNamePart(path);
  e.module = kNoModule;
  e.running = false;
  e.updateAvailable = false;
  e.inUse = true;
  e.slitOnly = false;
  e.faulted = false;
}

void StartPlugin(Manager &m, int slot) {
  PluginEntry &e = m.plugins.slots[slot];
  if (e.module == kNoModule) {
    LinkPlugin(m, Path(e.path).view(), slot);
    if (e.running) return;  // started by a command while a link box was open
  }
  if (e.module != kNoModule) {
    Libraries &libraries = m.ports.libraries;
    const Path path = e.path;
    bool slit = m.slitWindow != kNoWindow;
    PluginCall call = PluginCall::kBeginPlugin;
    Fault fault;
    m.journal.NoteStarting(e.path);
    if (e.beginPluginEx != kNoEntry && slit) {
      call = PluginCall::kBeginPluginEx;
      fault = libraries.CallBeginSlit(e.beginPluginEx, e.module, m.slitWindow);
    } else if (e.beginSlitPlugin != kNoEntry && slit && e.wantsSlit) {
      call = PluginCall::kBeginSlitPlugin;
      fault = libraries.CallBeginSlit(e.beginSlitPlugin, e.module, m.slitWindow);
    } else {
      fault = libraries.CallBegin(e.beginPlugin, e.module);
    }
    m.journal.Clear();
    // A begin that let messages run (a box, a bro@m) may have seen its plug-in taken out, even
    // its slot given to another; a fault in another library only cut the begin short.
    if (fault.raised && ContainPluginFault(m, slot, call, fault)) return;
    if (!HoldsPlugin(e, path.view()) || e.module == kNoModule) return;
    e.running = true;
  }
  RefreshPluginInfo(m, slot);
}

void StopPlugin(Manager &m, int slot) {
  PluginEntry &e = m.plugins.slots[slot];
  if (e.running) {
    const Path path = e.path;
    const ModuleHandle module = e.module;
    Fault fault = m.ports.libraries.CallEnd(e.endPlugin, module);
    if (fault.raised) {
      if (ContainPluginFault(m, slot, PluginCall::kEndPlugin, fault)) return;
      // Cut short by another library's fault, its end may have left its windows behind: its
      // library stays, as a faulted one does, but the plug-in is not to blame.
      KeepLibrary(m, module, path);
      if (HoldsPlugin(e, path.view()) && e.module == module) {
        e.running = false;
        e.module = kNoModule;
      }
      return;
    }
  }
  e.running = false;
  if (e.module != kNoModule) m.ports.libraries.Free(e.module);
  e.module = kNoModule;
}

void StartAllPlugins(Manager &m) {
  for (int i = 0; i < kMaxPlugins; ++i) {
    const PluginEntry &e = m.plugins.slots[i];
    // A box of an earlier start lets commands run: one may have started this slot already.
    if (e.inUse && e.enabled && !e.running) StartPlugin(m, i);
  }
}

void StopAllPlugins(Manager &m) {
  for (int i = 0; i < kMaxPlugins; ++i) {
    if (m.plugins.slots[i].inUse && m.plugins.slots[i].running) StopPlugin(m, i);
  }
}

void UnloadIdlePlugins(Manager &m) {
  for (int i = 0; i < kMaxPlugins; ++i) {
    const PluginEntry &e = m.plugins.slots[i];
    if (!e.running && e.module != kNoModule) StopPlugin(m, i);
  }
}

void ForgetPluginTable(PluginTable &table) {
  for (PluginEntry &e : table.slots) {
    // Made anew in place: every field as at load, whatever fields the entry gains.
    e.~PluginEntry();
    new (&e) PluginEntry;
  }
}

void TogglePluginEntry(Manager &m, int index) {
  if (!ValidSlot(index) || !m.plugins.slots[index].inUse) return;
  PluginEntry &e = m.plugins.slots[index];
  const Path path = e.path;
  const bool running = e.running;
  RewritePluginLine(m, index, running, e.wantsSlit);
  // The rewrite's box lets commands run: act only on the plug-in as it was.
  if (!HoldsPlugin(e, path.view()) || e.running != running) return;
  if (running) {
    StopPlugin(m, index);
    e.enabled = false;
  } else {
    e.enabled = true;  // before the start: a fault there switches it off again
    StartPlugin(m, index);
    ApplyWindowControllers(m);  // the plug-in's new windows
  }
}

void ToggleSlitAidEntry(Manager &m, int index) {
  if (!ValidSlot(index)) return;
  PluginEntry &e = m.plugins.slots[index];
  if (!e.inUse || !e.slitOnly) return;
  const Path path = e.path;
  const bool running = e.running;
  e.wantsSlit = !e.wantsSlit;
  RewritePluginLine(m, index, !e.enabled, e.wantsSlit);
  // Each step may show a box, in which commands run: act only on the plug-in as it was.
  if (!HoldsPlugin(e, path.view()) || e.running != running) return;
  StopPlugin(m, index);
  if (!HoldsPlugin(e, path.view()) || e.running) return;
  if (!e.faulted) StartPlugin(m, index);  // with the new choice of begin function
  ApplyWindowControllers(m);
}

}  // namespace kestrane
