#include "core/plugin_fault.h"

#include "core/list_file.h"
#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/notices.h"
#include "core/path_text.h"
#include "ui/update_mark.h"

namespace kestrane {

namespace {

constexpr const char *kFaultText =
    "%s faulted in %s and was switched off.\n\nException 0x%08X %s.\nIts line stays in the "
    "plugin list, disabled; \"Toggle Plugins\" starts it again.";
constexpr const char *kStrayFaultText =
    "Kestrane caught an exception in %s.\n\nException 0x%08X %s.\nWhat it was doing was "
    "abandoned; no plugin was switched off.";

using HexText = BoundedText<2 * sizeof(std::uintptr_t) + 1>;
using Location = BoundedText<kPathCapacity + 48>;

// Upper-case hexadecimal, at least `digits` long. Written here: the system's formatter on
// Windows 2000 and XP knows no 64-bit conversion, which an address on x86-64 needs.
HexText Hex(std::uintptr_t value, std::size_t digits) {
  char text[HexText::kCapacity] = {};
  std::size_t at = HexText::kMaxLength;  // filled from the end
  do {
    text[--at] = "0123456789ABCDEF"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (at > 0 && HexText::kMaxLength - at < digits) text[--at] = '0';
  return HexText(std::string_view(text + at, HexText::kMaxLength - at));
}

// The hosted library whose image holds the address: a slot's, or one kept after a fault.
struct Culprit {
  int slot = -1;  // -1: kept, or none
  const KeptLibrary *kept = nullptr;
  Location where;  // "at a.dll+0x1A2B", its author finds the offset in a map file
};

Culprit FindCulprit(Manager &m, std::uintptr_t address) {
  Culprit culprit;
  Libraries &libraries = m.ports.libraries;
  std::uintptr_t offset = 0;
  auto found = [&](const Path &path) {
    culprit.where.Format("at %s+0x%s", FileNamePart(path.view()).c_str(), Hex(offset, 1).c_str());
    return true;
  };
  for (int i = 0; i < kMaxPlugins; ++i) {
    const PluginEntry &e = m.plugins.slots[i];
    if (e.inUse && e.module != kNoModule && libraries.OffsetInModule(e.module, address, offset)) {
      culprit.slot = i;
      found(e.path);
      return culprit;
    }
  }
  for (int i = 0; i < m.keptCount; ++i) {
    if (libraries.OffsetInModule(m.kept[i].module, address, offset)) {
      culprit.kept = &m.kept[i];
      found(m.kept[i].path);
      return culprit;
    }
  }
  culprit.where.Format("in a module Kestrane does not host: 0x%s", Hex(address, 8).c_str());
  return culprit;
}

void ShowFault(Manager &m, const char *format, const char *first, const char *what,
               const Fault &fault, const Location &where) {
  if (m.shuttingDown) return;
  BoundedText<1024> text;
  if (first != nullptr) {
    text.Format(format, first, what, static_cast<unsigned>(fault.code), where.c_str());
  } else {
    text.Format(format, what, static_cast<unsigned>(fault.code), where.c_str());
  }
  ShowError(m, text.c_str());
}

// Takes the plug-in in `slot` out of the session for a fault in `what`; `ended` when the fault
// came from its own endPlugin, which is then not called again.
void TakeOut(Manager &m, int slot, const char *what, bool ended, const Fault &fault,
             const Location &where) {
  PluginEntry &e = m.plugins.slots[slot];
  Libraries &libraries = m.ports.libraries;
  const ModuleHandle module = e.module;
  const Path path = e.path;
  e.running = false;
  e.faulted = true;
  e.module = kNoModule;  // from here on the slot has no library: nothing calls or frees it
  if (!ended) libraries.CallEnd(e.endPlugin, module);  // a fault ends it
  const bool undoneByUpdate = m.updateRestartSlot == slot;
  // Otherwise the loader would hand the faulted image back for the previous file's path.
  if (undoneByUpdate) {
    libraries.Free(module);
    return;
  }
  KeepLibrary(m, module, path);
  if (m.shuttingDown) return;
  e.enabled = false;
  RewritePluginLine(m, slot, true, e.wantsSlit);
  ShowFault(m, kFaultText, FileNamePart(path.view()).c_str(), what, fault, where);
}

}  // namespace

void KeepLibrary(Manager &m, ModuleHandle module, const Path &path) {
  for (int i = 0; i < m.keptCount; ++i) {
    if (m.kept[i].module == module) return;
  }
  if (m.keptCount < kMaxPlugins) m.kept[m.keptCount++] = {module, path};
}

const char *PluginCallName(PluginCall call) {
  switch (call) {
    case PluginCall::kBeginPlugin: return "beginPlugin";
    case PluginCall::kBeginPluginEx: return "beginPluginEx";
    case PluginCall::kBeginSlitPlugin: return "beginSlitPlugin";
    case PluginCall::kEndPlugin: return "endPlugin";
    case PluginCall::kPluginInfo: return "pluginInfo";
  }
  return "";
}

bool ContainPluginFault(Manager &m, int slot, PluginCall call, const Fault &fault) {
  const Culprit culprit = FindCulprit(m, fault.address);
  const char *name = PluginCallName(call);
  if ((culprit.slot == -1 && culprit.kept == nullptr) || culprit.slot == slot) {
    TakeOut(m, slot, name, call == PluginCall::kEndPlugin, fault, culprit.where);
    return true;
  }
  BoundedText<kPathCapacity + 24> what;
  what.Format("%s of %s", name, FileNamePart(m.plugins.slots[slot].path.view()).c_str());
  ContainCaughtFault(m, what.c_str(), fault);
  return false;
}

void ContainCaughtFault(Manager &m, const char *step, const Fault &fault) {
  const Culprit culprit = FindCulprit(m, fault.address);
  if (culprit.slot != -1) {
    TakeOut(m, culprit.slot, step, false, fault, culprit.where);
  } else if (culprit.kept != nullptr) {  // out of its slot already: only the box
    ShowFault(m, kFaultText, FileNamePart(culprit.kept->path.view()).c_str(), step, fault,
              culprit.where);
  } else {
    ShowFault(m, kStrayFaultText, nullptr, step, fault, culprit.where);
  }
}

}  // namespace kestrane

namespace kestrane {

void ContainCallbackFault(Manager &m, const char *step, const Fault &fault) {
  RunInSession(m.innermostEntry, [&] { ContainCaughtFault(m, step, fault); });
  RefreshUpdateMark(m);  // the plug-in taken out may have been the one with an update
}

}  // namespace kestrane
