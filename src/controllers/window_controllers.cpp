#include "controllers/window_controllers.h"

#include "core/manager.h"

namespace kestrane {

// The controllers' hooks and passes arrive with the window-controller work; start-up and
// shut-down already call these at the right places.
void StartWindowControllers(Manager &) {}
void StopWindowControllers(Manager &) {}

}  // namespace kestrane
