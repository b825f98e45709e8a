#include "core/modal_scope.h"

#include "core/manager.h"

namespace kestrane {

ModalScope::ModalScope(Manager &m)
    : manager_(m), outer_(m.openModals), held_(m.ports.kernel.HoldModule(m.module)) {
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
  if (ended_) throw SessionEnded{};
}

void EndOpenModals(Manager &m) {
  for (ModalScope *scope = m.openModals; scope != nullptr; scope = scope->outer_) {
    scope->ended_ = true;
  }
  m.openModals = nullptr;
}

int ShowModalBox(Manager &m, WindowHandle owner, const char *text, const char *caption,
                 unsigned style) {
  ModalScope scope(m);
  int answer = m.ports.desktop.ShowMessageBox(owner, text, caption, style);
  scope.Leave();
  return answer;
}

Path ChooseFileModal(Manager &m, const char *title, const char *filterName, const char *pattern) {
  ModalScope scope(m);
  Path chosen = m.ports.desktop.ChooseFile(title, filterName, pattern);
  scope.Leave();
  return chosen;
}

}  // namespace kestrane
