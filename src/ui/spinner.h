// The gear's busy animation. The download workers start and stop it; a thread of its own
// asks for a repaint every 25 ms; painting turns the gear and changes its speed.
#pragma once

#include <atomic>

namespace kestrane {

struct Manager;

constexpr float kSpinnerTargetSpeed = 0.31415927f;  // π/10 per painted frame
constexpr float kSpinnerAcceleration = 0.05f;
constexpr unsigned kSpinnerFrameMilliseconds = 25;

struct Spinner {
  std::atomic<float> angle{0.0f};  // radians; kept between animations
  std::atomic<float> speed{0.0f};
  std::atomic<float> targetSpeed{0.0f};
  // The number of the SpinnerThread that turns the gear, 0 for none. A thread whose number is
  // no longer here (shut-down, or a begin after it) leaves without touching anything.
  std::atomic<int> running{0};
  std::atomic<int> lastThread{0};  // numbers are never reused, across sessions too
};

void StartSpinner(Manager &manager);
void StopSpinner(Manager &manager);
// For shut-down: with the window gone nothing paints, so the thread is told to end at once.
void HaltSpinner(Manager &manager);
// For a begin: still, as at load; a thread of the last session leaves at its next step.
void ResetSpinner(Spinner &spinner);
// One painted frame: turn by the speed, then speed up or slow down towards the target.
void AdvanceSpinner(Spinner &spinner);

}  // namespace kestrane
