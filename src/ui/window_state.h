#pragma once

namespace kestrane {

struct Manager;

// Applies visibility, layering, z-order, position and size of the button window.
void ApplyWindowState(Manager &manager);

}  // namespace kestrane
