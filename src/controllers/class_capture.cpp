#include "controllers/class_capture.h"

#include "controllers/window_controllers.h"
#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/notices.h"
#include "core/plugin_fault.h"

namespace kestrane {

namespace {

constexpr std::intptr_t kMaxCaptureKeyToken = 0x7FFFFFFF;
constexpr const char *kStickyExplanation =
    "The next time you press the space bar (after closing\nthis message) Kestrane will record "
    "the class\nof the window your mouse was over and add it to\nit's list of window classes "
    "to make sticky :)\n\n Hint: With windows that have a title bar make\n         sure you "
    "hover the mouse over that bar\n         when you press space.";
constexpr const char *kTransExplanation =
    "The next time you press the space bar (after closing\nthis message) Kestrane will record "
    "the class\nof the window your mouse was over and add it to\nit's list of window classes "
    "to apply transparency to :)\n\n Hint: With windows that have a title bar make\n         "
    "sure you hover the mouse over that bar\n         when you press space.";

ClassList &ListOf(Manager &m, ClassListKind kind) {
  return kind == ClassListKind::kTransparency ? m.transClasses : m.stickyClasses;
}

void WriteSlot(Manager &m, ClassListKind kind, int slot, const char *value) {
  BoundedText<64> key;
  key.Format(
      kind == ClassListKind::kTransparency ? key::kTransClassFormat : key::kStickyClassFormat,
      slot);
  m.ports.shell.WriteString(m.configFile.c_str(), key.c_str(), value);
}

void CaptureClassUnderCursor(Manager &m) {
  ControllerState &c = m.controllers;
  ClassListKind target = c.captureTarget;
  // Ended first: the pass and the message box below must not see the capture still armed.
  CancelClassCapture(m);

  Desktop &desktop = m.ports.desktop;
  // The deepest window there: a text box inside a frame gives the text box's class.
  ClassName className = desktop.WindowClass(desktop.WindowAt(desktop.CursorPosition()));
  ClassList &list = ListOf(m, target);
  int slot = -1;
  if (!className.empty()) {
    for (int i = 0; i < kClassSlots && slot < 0; ++i) {
      if (list.slots[i].empty()) slot = i;
    }
    if (slot >= 0) list.slots[slot] = className.view();
  }
  ApplyWindowControllers(m);  // the new class takes effect on the windows already open
  if (className.empty()) return;
  if (slot < 0) {
    ShowModalBox(m, kNoWindow, kCaptureFullText, kCaption, box::kTopMost | box::kIconError);
  } else {
    WriteSlot(m, target, slot, className.c_str());
  }
}

}  // namespace

void BeginClassCapture(Manager &m, ClassListKind list) {
  ControllerState &c = m.controllers;
  if (c.captureExplaining) return;
  // An armed capture may have lost its hook without a word (the system removes a low-level
  // hook that once took too long) or its key on the way: a new request starts afresh.
  CancelClassCapture(m);
  c.captureArmed = true;
  c.captureTarget = list;
  c.captureExplaining = true;
  ShowModalBox(m, kNoWindow,
               list == ClassListKind::kTransparency ? kTransExplanation : kStickyExplanation,
               kCaption, box::kTopMost | box::kIconInformation);
  c.captureExplaining = false;
  // Shut-down may have come while the box was open: then no hook may be left behind.
  if (!c.captureArmed || m.managerWindow == kNoWindow) {
    c.captureArmed = false;
    return;
  }
  c.captureHook = m.ports.desktop.InstallKeyboardHook(c.onCaptureKey);
  if (c.captureHook == kNoHook) c.captureArmed = false;  // nothing would ever end it
}

void CaptureKeyHandler::OnKey(const KeyEvent &key) {
  ControllerState &c = manager_.controllers;
  if (c.captureHook == kNoHook || c.captureKeyPosted) return;
  // Space with Alt held comes as a system key and does nothing.
  bool plainDown = key.message == keys::kKeyDown && (key.flags & keys::kFlagAltDown) == 0;
  if (!plainDown || (key.virtualKey != keys::kSpace && key.virtualKey != keys::kEscape)) return;
  // Any number but the last one's; never 0, which a stray message would most likely carry.
  c.captureKeyToken = c.captureKeyToken % kMaxCaptureKeyToken + 1;
  // A key that could not be posted must not stop the next one.
  c.captureKeyPosted = manager_.ports.desktop.Post(manager_.managerWindow, kMsgCaptureKey,
                                                   key.virtualKey, c.captureKeyToken);
}

void CaptureKeyHandler::OnFault(const Fault &fault) {
  ContainCallbackFault(manager_, guarded_step::kKeyEvent, fault);
}

void OnCaptureKey(Manager &m, std::uintptr_t key, std::intptr_t token) {
  ControllerState &c = m.controllers;
  // Another program may post this number too.
  if (!c.captureKeyPosted || token != c.captureKeyToken) return;
  c.captureKeyPosted = false;
  if (c.captureHook == kNoHook) return;  // cancelled meanwhile
  if (key == keys::kSpace) {
    CaptureClassUnderCursor(m);
  } else if (key == keys::kEscape) {
    CancelClassCapture(m);
  }
}

void CancelClassCapture(Manager &m) {
  ControllerState &c = m.controllers;
  m.ports.desktop.RemoveHook(c.captureHook);
  c.captureHook = kNoHook;
  c.captureArmed = false;
  c.captureKeyPosted = false;
}

void RemoveClass(Manager &m, ClassListKind list, int slot) {
  if (slot < 0 || slot >= kClassSlots) return;
  RestoreWindowControllers(m);
  ListOf(m, list).slots[slot].Clear();
  WriteSlot(m, list, slot, "");
  ApplyWindowControllers(m);
}

}  // namespace kestrane
