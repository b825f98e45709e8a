// Putting a further plug-in under Kestrane's control, or taking one away.
#pragma once

#include "core/bounded_text.h"

namespace kestrane {

struct Manager;

void AddPluginFromDialog(Manager &manager);
// Puts the library at `path` (absolute, lower-cased) into a free slot, links and starts it, and
// appends its line to the list, switched off ("!") unless `enabled`; the same questions and
// messages as an add from the dialog. A fault while it starts is the caller's to undo when
// `undoFault`: no box, the library freed. The slot, or -1 when nothing was added.
int AddPlugin(Manager &manager, Path path, bool enabled, bool undoFault);
void RemovePluginEntry(Manager &manager, int index);

}  // namespace kestrane
