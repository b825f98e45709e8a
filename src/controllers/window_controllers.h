// The transparency and sticky controllers, applied to every top-level window.
#pragma once

#include <string_view>

#include "platform/handles.h"

namespace kestrane {

struct Manager;

constexpr unsigned char kOpaque = 255;

void StartWindowControllers(Manager &manager);
void StopWindowControllers(Manager &manager);     // restores every window it changed
void ApplyWindowControllers(Manager &manager);    // one pass over all top-level windows
void RestoreWindowControllers(Manager &manager);  // takes back what the controllers changed

// Makes a window of another program translucent; kOpaque gives it back as it was before the
// controller first changed it. Windows whose process cannot be read and windows drawn per
// pixel are left alone.
void SetWindowAlpha(Manager &manager, WindowHandle window, unsigned char alpha);

void ToggleTransparencyController(Manager &manager, std::string_view command);
void ToggleStickyController(Manager &manager, std::string_view command);
void SetControllerAlpha(Manager &manager, int alpha);

}  // namespace kestrane
