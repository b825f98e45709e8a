#include "core/modal_scope.h"

#include "core/manager.h"
#include "core/plugin_fault.h"

namespace kestrane {

ModalScope::ModalScope(Manager &m)
    : manager_(m),
      outer_(m.openModals),
      entry_(m.innermostEntry),
      held_(m.ports.kernel.HoldModule(m.module)) {
  m.openModals = this;
}

ModalScope::~ModalScope() {
  // After a shut-down the manager may already hold another session: leave it alone, and the
  // library with it.
  if (ended_) return;
  manager_.openModals = outer_;
  if (held_ != kNoModule) manager_.ports.kernel.ReleaseModule(held_);
}

void ModalScope::Leave() const {
  if (!ended_ || entry_ == nullptr) return;
#if defined(_WIN32)
  __builtin_longjmp(entry_->jump, 1);
#else
  longjmp(entry_->jump, 1);
#endif
}

void EndOpenModals(Manager &m) {
  for (ModalScope *scope = m.openModals; scope != nullptr; scope = scope->outer_) {
    scope->ended_ = true;
  }
  m.openModals = nullptr;
}

int ShowModalBox(Manager &m, WindowHandle owner, const char *text, const char *caption,
                 unsigned style) {
  Fault fault;
  int answer = 0;
  {
    ModalScope scope(m);
    answer = m.ports.desktop.ShowMessageBox(owner, text, caption, style, fault);
    scope.Leave();
  }
  // A fault in the box's loop abandoned the box: no answer, and whoever raised it is told of.
  if (fault.raised) ContainCaughtFault(m, guarded_step::kBoxLoop, fault);
  return answer;
}

Path ChooseFileModal(Manager &m, const char *title, const char *filterName, const char *pattern) {
  Fault fault;
  Path chosen;
  {
    ModalScope scope(m);
    chosen = m.ports.desktop.ChooseFile(title, filterName, pattern, fault);
    scope.Leave();
  }
  if (fault.raised) ContainCaughtFault(m, guarded_step::kBoxLoop, fault);
  return chosen;
}

}  // namespace kestrane
