// What the transparency controller changed: each window's layered state from before its first
// change, so that taking it back restores exactly that. Bounded; windows that no longer exist
// are dropped.
#pragma once

#include "platform/desktop.h"

namespace kestrane {

struct PriorState {
  WindowHandle window = kNoWindow;
  bool layered = false;          // had WS_EX_LAYERED of its own
  LayeredAttributes attributes;  // its own, when layered
};

class ChangedWindows {
 public:
  static constexpr int kCapacity = 4096;

  const PriorState *Find(WindowHandle window) const;
  // False when the record is full even without the windows that no longer exist.
  bool Add(const PriorState &state, Desktop &desktop);
  void Remove(WindowHandle window);
  void DropDead(Desktop &desktop);
  void Clear() { count_ = 0; }
  int size() const { return count_; }
  const PriorState &At(int index) const { return entries_[index]; }
  // The newest record takes the removed one's place: walking from the newest down, every
  // record is met once while records are removed.
  void RemoveAt(int index);

 private:
  PriorState entries_[kCapacity];
  int count_ = 0;
};

}  // namespace kestrane
