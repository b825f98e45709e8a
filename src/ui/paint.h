#pragma once

#include "platform/handles.h"

namespace kestrane {

struct Manager;

// WM_PAINT: background and gear into a buffer, then only the invalid part onto the window.
void PaintManagerWindow(Manager &manager, WindowHandle window);

}  // namespace kestrane
