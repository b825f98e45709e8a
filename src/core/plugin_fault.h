// What Kestrane does when code it cannot vouch for raises an exception below one of its guards:
// the call was abandoned; the hosted library whose image holds the exception's address is to
// blame and is taken out of this session.
#pragma once

#include "core/bounded_text.h"
#include "platform/libraries.h"

namespace kestrane {

struct Manager;

enum class PluginCall { kBeginPlugin, kBeginPluginEx, kBeginSlitPlugin, kEndPlugin, kPluginInfo };

const char *PluginCallName(PluginCall call);

// Kestrane's own steps that run other code behind a guard, as the fault box names them.
namespace guarded_step {
constexpr const char *kBoxLoop = "the message loop of a box";
constexpr const char *kWindowMessage = "a message to Kestrane's window";
constexpr const char *kWindowEvent = "a window event";
constexpr const char *kKeyEvent = "a key event";
constexpr const char *kSendPluginBroam = "SendPluginBroam";
}  // namespace guarded_step

// A library kept loaded after a fault took it out of its slot: its windows, timers and threads
// may still run its code, and a later fault there is still its own.
struct KeptLibrary {
  ModuleHandle module = kNoModule;
  Path path;
};

// Keeps the library loaded until the process ends, and known as the host of its code.
void KeepLibrary(Manager &manager, ModuleHandle module, const Path &path);

// The plug-in in `slot` was called (`call`) and `fault` came back. A fault in the called
// plug-in, or in no hosted library at all, is the called plug-in's: it counts as stopped from
// now on and is called no more, but for one endPlugin after a fault elsewhere, so that it can
// take down what it made. Its library stays loaded. Its line is switched off and a box says what
// happened, except during shut-down; an update restarting it on new files undoes itself instead
// and frees the library. True in that case. A fault in another hosted library is that one's
// (taken out the same way) and the answer is false: the called plug-in's call was only cut short.
bool ContainPluginFault(Manager &manager, int slot, PluginCall call, const Fault &fault);

// A fault caught in one of Kestrane's own steps: the hosted library that holds its address is
// taken out as above; when none does, a box says so and nothing else changes.
void ContainCaughtFault(Manager &manager, const char *step, const Fault &fault);
// The same where the system called Kestrane back (its window's or a hook's fault): the end of the
// session while the box is open leaves back to here.
void ContainCallbackFault(Manager &manager, const char *step, const Fault &fault);

}  // namespace kestrane
