#include "core/plugin_fault.h"

#include "core/list_file.h"
#include "core/manager.h"
#include "core/notices.h"
#include "core/path_text.h"

namespace kestrane {

namespace {

constexpr const char *kFaultText =
    "%s faulted in %s and was switched off.\n\nException 0x%08X at %s.\nIts line stays in the "
    "plugin list, disabled; \"Toggle Plugins\" starts it again.";

using HexText = BoundedText<2 * sizeof(std::uintptr_t) + 1>;

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

// Inside the library: its file name and the offset, which its author finds in a map file.
BoundedText<kPathCapacity + 24> FaultLocation(Libraries &libraries, ModuleHandle module,
                                              const Path &library, std::uintptr_t address) {
  BoundedText<kPathCapacity + 24> where;
  std::uintptr_t offset = 0;
  if (libraries.OffsetInModule(module, address, offset)) {
    where.Format("%s+0x%s", library.c_str(), Hex(offset, 1).c_str());
  } else {
    where.Format("0x%s", Hex(address, 8).c_str());
  }
  return where;
}

}  // namespace

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

void ContainPluginFault(Manager &m, int slot, PluginCall call, const Fault &fault) {
  PluginEntry &e = m.plugins.slots[slot];
  Libraries &libraries = m.ports.libraries;
  const ModuleHandle module = e.module;
  const Path library = FileNamePart(e.path.view());
  const auto where = FaultLocation(libraries, module, library, fault.address);
  e.running = false;
  e.faulted = true;
  e.module = kNoModule;  // from here on the slot has no library: nothing calls or frees it
  if (call != PluginCall::kEndPlugin) libraries.CallEnd(e.endPlugin, module);  // a fault ends it
  const bool undoneByUpdate = m.updateRestartSlot == slot;
  // Otherwise the loader would hand the faulted image back for the previous file's path.
  if (undoneByUpdate) libraries.Free(module);
  if (undoneByUpdate || m.shuttingDown) return;
  e.enabled = false;
  RewritePluginLine(m, slot, true, e.wantsSlit);
  BoundedText<1024> text;
  text.Format(kFaultText, library.c_str(), PluginCallName(call), static_cast<unsigned>(fault.code),
              where.c_str());
  ShowError(m, text.c_str());
}

}  // namespace kestrane
