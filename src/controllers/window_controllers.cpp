#include "controllers/window_controllers.h"

#include "core/manager.h"

namespace kestrane {

// The controllers' hooks and passes arrive with the window-controller work; start-up, shut-down
// and the plug-in switches already call these at the right places.
void StartWindowControllers(Manager &) {}
void StopWindowControllers(Manager &) {}
void ApplyWindowControllers(Manager &) {}

}  // namespace kestrane
