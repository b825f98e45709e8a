// The transparency and sticky controllers, applied to every top-level window.
#pragma once

#include <string_view>

namespace kestrane {

struct Manager;

void StartWindowControllers(Manager &manager);
void StopWindowControllers(Manager &manager);     // restores every window it changed
void ApplyWindowControllers(Manager &manager);    // one pass over all top-level windows
void RestoreWindowControllers(Manager &manager);  // takes back what the passes changed

void ToggleTransparencyController(Manager &manager, std::string_view command);
void ToggleStickyController(Manager &manager, std::string_view command);
void SetControllerAlpha(Manager &manager, int alpha);

}  // namespace kestrane
