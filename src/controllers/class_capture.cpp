#include "controllers/class_capture.h"

#include "controllers/window_controllers.h"
#include "core/manager.h"

namespace kestrane {

// Capturing a class needs the keyboard hook that arrives with the window-controller work;
// until then the command is recognised and does nothing.
void BeginClassCapture(Manager &, ClassListKind) {}

void RemoveClass(Manager &m, ClassListKind list, int slot) {
  if (slot < 0 || slot >= kClassSlots) return;
  bool transparency = list == ClassListKind::kTransparency;
  RestoreWindowControllers(m);
  (transparency ? m.transClasses : m.stickyClasses).slots[slot].Clear();
  BoundedText<64> key;
  key.Format(transparency ? key::kTransClassFormat : key::kStickyClassFormat, slot);
  m.ports.shell.WriteString(m.configFile.c_str(), key.c_str(), "");
  ApplyWindowControllers(m);
}

}  // namespace kestrane
