// The version and date a running plug-in gives for itself.
#pragma once

#include "update/update_metadata.h"

namespace kestrane {

struct Manager;

struct PluginRelease {
  ShortText version;  // trimmed; empty without pluginInfo
  ShortText date;
};

// On the window thread only: it calls into the plug-in's library. A plug-in that faults while
// asked is taken out of the session (ContainPluginFault) and has its `faulted` flag set.
PluginRelease OwnRelease(Manager &manager, int slot);

}  // namespace kestrane
