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
  while (m.spinner.speed.load() >= 0.0f) {
    WindowHandle window = m.managerWindow.load();
    if (window != kNoWindow) m.ports.desktop.Invalidate(window);
    m.ports.kernel.Sleep(kSpinnerFrameMilliseconds);
  }
  m.spinner.running = 0;
}

}  // namespace

void StartSpinner(Manager &m) {
  // Still slowing down from the last download: it keeps its target.
  if (m.spinner.running.load() != 0) return;
  m.spinner.targetSpeed = kSpinnerTargetSpeed;
  m.spinner.speed = 0.0f;
  m.spinner.running = 1;
  if (!m.ports.kernel.StartThread(m.module, SpinnerThread, &m)) m.spinner.running = 0;
}

void StopSpinner(Manager &m) { m.spinner.targetSpeed = 0.0f; }

void HaltSpinner(Manager &m) {
  m.spinner.targetSpeed = 0.0f;
  m.spinner.speed = -1.0f;
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
