// Putting a further plug-in under Kestrane's control, or taking one away.
#pragma once

namespace kestrane {

struct Manager;

void AddPluginFromDialog(Manager &manager);
void RemovePluginEntry(Manager &manager, int index);

}  // namespace kestrane
