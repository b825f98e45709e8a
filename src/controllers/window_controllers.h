// The transparency and sticky controllers, applied to every top-level window.
#pragma once

#include <string_view>

#include "platform/handles.h"

namespace kestrane {

struct Manager;

constexpr unsigned char kOpaque = 255;

class ThreadProbe;

void StartWindowControllers(Manager &manager);
// Restores every window it changed; a hung program's windows are given up without waiting.
void StopWindowControllers(Manager &manager);
void ApplyWindowControllers(Manager &manager);  // one pass over all top-level windows
// Takes back what the controllers changed; a hung program's windows wait for a later pass.
void RestoreWindowControllers(Manager &manager);

// Makes a window of another program translucent; kOpaque gives it back as it was before the
// controller first changed it. Windows whose process cannot be read, windows drawn per pixel
// and windows whose thread does not answer the probe are left alone.
void SetWindowAlpha(Manager &manager, WindowHandle window, unsigned char alpha, ThreadProbe &probe);

void ToggleTransparencyController(Manager &manager, std::string_view command);
void ToggleStickyController(Manager &manager, std::string_view command);
void SetControllerAlpha(Manager &manager, int alpha);

}  // namespace kestrane
