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
  std::atomic<int> running{0};  // a SpinnerThread exists
};

void StartSpinner(Manager &manager);
void StopSpinner(Manager &manager);
// For shut-down: with the window gone nothing paints, so the thread is told to end at once.
void HaltSpinner(Manager &manager);
// One painted frame: turn by the speed, then speed up or slow down towards the target.
void AdvanceSpinner(Spinner &spinner);

}  // namespace kestrane
