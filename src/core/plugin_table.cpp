#include "core/plugin_table.h"

#include "core/manager.h"

namespace kestrane {

// The plug-in table and its list file arrive with the managed-plug-ins work; start-up,
// shut-down and reconfigure already call these at the right places.
void ReadPluginList(Manager &) {}
void StartAllPlugins(Manager &) {}
void StopAllPlugins(Manager &) {}

}  // namespace kestrane
