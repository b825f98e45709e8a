// The two window-class lists: adding a class by pointing at a window, removing one.
#pragma once

namespace kestrane {

struct Manager;

enum class ClassListKind { kTransparency, kSticky };

void BeginClassCapture(Manager &manager, ClassListKind list);
// Empties a slot and stores the empty name, with the controllers taken back and re-applied.
void RemoveClass(Manager &manager, ClassListKind list, int slot);

}  // namespace kestrane
