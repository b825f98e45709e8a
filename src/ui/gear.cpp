#include "ui/gear.h"

#include <cmath>

#include "core/manager.h"
#include "ui/spinner.h"
#include "ui/window_style.h"

namespace kestrane {

namespace {

constexpr float kEighthTurn = 0.7853982f;  // π/4 in single precision

Point Inner(int cx, int cy, int r, float theta) {
  double t = theta;
  return {static_cast<int>(cx + std::sin(t) * (r - 2)),
          static_cast<int>(cy + std::cos(t) * (r - 2))};
}

Point Outer(int cx, int cy, int r, float theta) {
  double t = theta;
  return {static_cast<int>(cx + std::sin(t) * (r + 2)),
          static_cast<int>(cy + std::cos(t) * (r + 4))};
}

// Eight steps of an eighth of a turn: a tooth (inner, outer, outer) on even steps, a single
// inner point on odd ones. `offset` turns every vertex further on without moving `theta`.
void Teeth(Point *out, int cx, int cy, int r, float &theta, float offset) {
  int n = 0;
  for (int k = 0; k < 8; ++k) {
    float at = offset == 0.0f ? theta : theta + offset;
    out[n++] = Inner(cx, cy, r, at);
    if (k % 2 == 0) {
      out[n++] = Outer(cx, cy, r, at);
      out[n++] = Outer(cx, cy, r, at);
    }
    theta += kEighthTurn;
  }
}

}  // namespace

GearOutline GearVertices(int cx, int cy, int r, float angle) {
  GearOutline gear;
  float theta = angle;
  Teeth(gear.first, cx, cy, r, theta, 0.0f);
  Teeth(gear.second, cx, cy, r, theta, kEighthTurn);
  return gear;
}

void DrawGear(Manager &m, DeviceContext dc, int cx, int cy, int r) {
  GearOutline gear = GearVertices(cx, cy, r, m.spinner.angle.load());
  ColourRef fill = GearFillColour(m.style);
  m.ports.canvas.Polygon(dc, gear.first, kGearVertices, m.style.outline, fill);
  m.ports.canvas.Polygon(dc, gear.second, kGearVertices, m.style.outline, fill);
  AdvanceSpinner(m.spinner);
}

}  // namespace kestrane
