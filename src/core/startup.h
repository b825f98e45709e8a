// What the five exports do: start-up and shut-down in their fixed order.
#pragma once

#include "platform/handles.h"

namespace kestrane {

struct Manager;

constexpr const char *kWindowClassName = "Kestrane";

constexpr int kStartFailed = 1;  // what a start function answers on failure; 0 when started

int StartManager(Manager &manager, ModuleHandle module);
// As StartManager; then docks the button in the Slit when inSlit is on and there is a Slit.
int StartManagerInSlit(Manager &manager, ModuleHandle module, WindowHandle slit);
void EndManager(Manager &manager, ModuleHandle module);

}  // namespace kestrane
