// The two window-class lists: adding a class by pointing at a window, removing one.
#pragma once

#include <cstdint>

#include "controllers/class_list.h"

namespace kestrane {

struct Manager;

// Posted by the keyboard hook to Kestrane's window, wParam the key (keys::kSpace or
// kEscape), lParam the post's token: the capture runs from the window procedure, never inside
// the hook.
constexpr unsigned kMsgCaptureKey = 0x8C41;

constexpr const char *kCaptureFullText = "You have filled all the available slots!";

// Explains the capture, then arms it: the next plain space records the class of the window
// under the cursor. Dropped while another request's explanation is open; a capture already
// armed is replaced.
void BeginClassCapture(Manager &manager, ClassListKind list);
// What the window procedure does with kMsgCaptureKey: only the key the hook posted counts.
void OnCaptureKey(Manager &manager, std::uintptr_t key, std::intptr_t token);
// Ends a capture in any state, without a message: Escape, and shut-down.
void CancelClassCapture(Manager &manager);
// Empties a slot and stores the empty name, with the controllers taken back and re-applied.
void RemoveClass(Manager &manager, ClassListKind list, int slot);

}  // namespace kestrane
