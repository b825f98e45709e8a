// The transparency and sticky controllers, applied to every top-level window.
#pragma once

namespace kestrane {

struct Manager;

void StartWindowControllers(Manager &manager);
void StopWindowControllers(Manager &manager);   // restores every window it changed
void ApplyWindowControllers(Manager &manager);  // one pass over all top-level windows

}  // namespace kestrane
