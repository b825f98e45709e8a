// What Kestrane does when a hosted plug-in raises an exception in one of its entry points: the
// call was abandoned by the guard; the plug-in is taken out of this session.
#pragma once

#include "platform/libraries.h"

namespace kestrane {

struct Manager;

enum class PluginCall { kBeginPlugin, kBeginPluginEx, kBeginSlitPlugin, kEndPlugin, kPluginInfo };

const char *PluginCallName(PluginCall call);

// The plug-in in `slot` raised `fault` in `call`. It counts as stopped from now on and is
// called no more, but for one endPlugin after a fault elsewhere, so that it can take down what
// it made. Its library stays loaded: its windows, timers and threads may still run its code.
// Its line is switched off and a box says what happened, except during shut-down; an update
// restarting it on new files undoes itself instead and frees the library.
void ContainPluginFault(Manager &manager, int slot, PluginCall call, const Fault &fault);

}  // namespace kestrane
