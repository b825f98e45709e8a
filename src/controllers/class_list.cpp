#include "controllers/class_list.h"

#include "core/manager.h"

namespace kestrane {

bool IsListed(const ClassList &list, std::string_view className) {
  if (className.empty()) return false;
  for (const Path &slot : list.slots) {
    if (!slot.empty() && slot.view() == className) return true;
  }
  return false;
}

bool IsTransClass(const Manager &m, std::string_view className) {
  return IsListed(m.transClasses, className);
}

bool IsStickyClass(const Manager &m, std::string_view className) {
  return IsListed(m.stickyClasses, className);
}

}  // namespace kestrane
