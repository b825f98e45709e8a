// What a start learns from the start journal the last session left: which plug-in, if any,
// the shell ended in while starting it, or that the session did not end normally.
#pragma once

#include "core/list_file.h"

namespace kestrane {

struct Manager;

// Reads the last session's journal and begins this one's (LocateListFile has run); asks the
// user whether to start the plug-ins when the shell did not end normally. Returns what this
// start must not link, beside the libraries the journal holds.
HeldBack BeginSession(Manager &manager);
// After the list is read: the held-back plug-ins count as switched off. The line of the one
// the shell ended in is rewritten so, and a box says why; after the user chose not to start
// the plug-ins no line changes. A held library no line names any more is let go.
void SwitchOffHeldBack(Manager &manager, const HeldBack &held);

}  // namespace kestrane
