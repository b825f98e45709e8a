// A list of window-class names: 50 slots, an empty slot free, slot numbers stable.
#pragma once

#include <string_view>

#include "core/bounded_text.h"
#include "core/settings.h"

namespace kestrane {

struct Manager;

struct ClassList {
  Path slots[kClassSlots];
};

enum class ClassListKind { kTransparency, kSticky };

// Exact, case-sensitive; an empty name is never listed.
bool IsListed(const ClassList &list, std::string_view className);
bool IsTransClass(const Manager &manager, std::string_view className);
bool IsStickyClass(const Manager &manager, std::string_view className);

}  // namespace kestrane
