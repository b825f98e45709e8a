#include "controllers/changed_windows.h"

namespace kestrane {

const PriorState *ChangedWindows::Find(WindowHandle window) const {
  for (int i = 0; i < count_; ++i) {
    if (entries_[i].window == window) return &entries_[i];
  }
  return nullptr;
}

bool ChangedWindows::Add(const PriorState &state, Desktop &desktop) {
  if (count_ == kCapacity) DropDead(desktop);
  if (count_ == kCapacity) return false;
  entries_[count_++] = state;
  return true;
}

void ChangedWindows::Remove(WindowHandle window) {
  for (int i = 0; i < count_; ++i) {
    if (entries_[i].window == window) {
      RemoveAt(i);
      return;
    }
  }
}

void ChangedWindows::DropDead(Desktop &desktop) {
  for (int i = count_ - 1; i >= 0; --i) {
    if (!desktop.WindowExists(entries_[i].window)) RemoveAt(i);
  }
}

void ChangedWindows::RemoveAt(int index) { entries_[index] = entries_[--count_]; }

}  // namespace kestrane
