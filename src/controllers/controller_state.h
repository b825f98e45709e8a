// What the window controllers hold between calls: the windows they changed, their hooks, the
// class capture, and the handlers the hooks call.
#pragma once

#include "controllers/changed_windows.h"
#include "controllers/class_list.h"
#include "platform/desktop.h"

namespace kestrane {

struct Manager;

// Windows created by other threads: the controllers act on them at once.
class CreationHookHandler final : public WinEventHandler {
 public:
  explicit CreationHookHandler(Manager &manager) : manager_(manager) {}
  void OnWinEvent(const WinEvent &event) override;
  void OnFault(const Fault &fault) override;

 private:
  Manager &manager_;
};

// The menu clipper's foreground changes.
class ForegroundHookHandler final : public WinEventHandler {
 public:
  explicit ForegroundHookHandler(Manager &manager) : manager_(manager) {}
  void OnWinEvent(const WinEvent &event) override;
  void OnFault(const Fault &fault) override;

 private:
  Manager &manager_;
};

// Every key of the system passes here while a capture is armed: it only posts.
class CaptureKeyHandler final : public KeyboardHandler {
 public:
  explicit CaptureKeyHandler(Manager &manager) : manager_(manager) {}
  void OnKey(const KeyEvent &key) override;
  void OnFault(const Fault &fault) override;

 private:
  Manager &manager_;
};

struct ControllerState {
  explicit ControllerState(Manager &manager)
      : onCreation(manager), onForeground(manager), onCaptureKey(manager) {}

  ChangedWindows changed;
  HookHandle creationHook = kNoHook;
  HookHandle foregroundHook = kNoHook;
  HookHandle captureHook = kNoHook;

  bool captureArmed = false;          // from the request until the capture ends or is cancelled
  bool captureExplaining = false;     // the request's explanation box is open
  bool captureKeyPosted = false;      // a key is on its way to the window procedure
  std::intptr_t captureKeyToken = 0;  // carried by that key's message, so no other is taken for it
  ClassListKind captureTarget = ClassListKind::kSticky;

  CreationHookHandler onCreation;
  ForegroundHookHandler onForeground;
  CaptureKeyHandler onCaptureKey;
};

// For a begin: no record, hook or capture of the last session. Shut-down has removed its hooks
// and given its windows back; a hook still recorded here is removed now.
void ResetControllerState(ControllerState &state, Desktop &desktop);

}  // namespace kestrane
