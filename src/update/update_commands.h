// The update commands: checking every update site, updating one plug-in.
#pragma once

namespace kestrane {

struct Manager;

void CheckForUpdates(Manager &manager);
void UpdatePlugin(Manager &manager, int slot);

}  // namespace kestrane
