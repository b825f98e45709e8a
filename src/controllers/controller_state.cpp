#include "controllers/controller_state.h"

namespace kestrane {

void ResetControllerState(ControllerState &c, Desktop &desktop) {
  for (HookHandle *hook : {&c.creationHook, &c.foregroundHook, &c.captureHook}) {
    if (*hook != kNoHook) desktop.RemoveHook(*hook);
    *hook = kNoHook;
  }
  c.changed.Clear();
  c.captureArmed = false;
  c.captureExplaining = false;
  c.captureKeyPosted = false;
  c.captureKeyToken = 0;
  c.captureTarget = ClassListKind::kSticky;
}

}  // namespace kestrane
