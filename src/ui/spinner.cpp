#include "ui/spinner.h"

#include "core/manager.h"

namespace kestrane {

namespace {

constexpr double kFullTurn = 6.283185307179586;
constexpr float kFullTurnSingle = 6.2831855f;

// Never paints: all drawing, and every change of angle and speed, happens on the window's
// thread. Ends once painting has slowed the gear below zero. Shut-down may clear the window
// at any moment: invalidating no window would repaint the whole desktop.
void SpinnerThread(void *parameter) {
  Manager &m = *static_cast<Manager *>(parameter);
  Spinner &s = m.spinner;
  // Started only after StartSpinner has numbered it, and long before a later thread could be.
  int self = s.running.load();
  while (s.speed.load() >= 0.0f && s.running.load() == self) {
    WindowHandle window = m.managerWindow.load();
    if (window != kNoWindow) m.ports.desktop.Invalidate(window);
    m.ports.kernel.Sleep(kSpinnerFrameMilliseconds);
  }
  s.running.compare_exchange_strong(self, 0);
}

}  // namespace

void StartSpinner(Manager &m) {
  Spinner &s = m.spinner;
  // Still slowing down from the last download: it keeps its target.
  if (s.running.load() != 0) return;
  s.targetSpeed = kSpinnerTargetSpeed;
  s.speed = 0.0f;
  int number = s.lastThread.fetch_add(1) + 1;
  if (number == 0) number = s.lastThread.fetch_add(1) + 1;  // 0 means none
  s.running = number;
  if (!m.ports.kernel.StartThread(m.module, SpinnerThread, &m)) s.running = 0;
}

void StopSpinner(Manager &m) { m.spinner.targetSpeed = 0.0f; }

void HaltSpinner(Manager &m) {
  m.spinner.targetSpeed = 0.0f;
  m.spinner.speed = -1.0f;
}

void ResetSpinner(Spinner &s) {
  s.running = 0;
  s.angle = 0.0f;
  s.speed = 0.0f;
  s.targetSpeed = 0.0f;
}

void AdvanceSpinner(Spinner &s) {
  if (s.running.load() == 0) return;
  float angle = s.angle.load() - s.speed.load();
  if (static_cast<double>(angle) >= kFullTurn) {
    angle = 0.0f;
  } else if (angle <= 0.0f) {
    angle = kFullTurnSingle;
  }
  s.angle = angle;
  float speed = s.speed.load();
  s.speed =
      speed >= s.targetSpeed.load() ? speed - kSpinnerAcceleration : speed + kSpinnerAcceleration;
}

}  // namespace kestrane
