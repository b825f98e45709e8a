// The update commands: checking every update site, updating one plug-in, installing one from
// the catalogue.
#pragma once

#include <string_view>

namespace kestrane {

struct Manager;

void CheckForUpdates(Manager &manager);
void UpdatePlugin(Manager &manager, int slot);
// The catalogue entry `id`; nothing when no catalogue is set.
void InstallPlugin(Manager &manager, std::string_view id);

}  // namespace kestrane
