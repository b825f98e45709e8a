// A list of window-class names: 50 slots, an empty slot free, slot numbers stable.
#pragma once

#include "core/bounded_text.h"
#include "core/settings.h"

namespace kestrane {

struct ClassList {
  Path slots[kClassSlots];
};

}  // namespace kestrane
