// The gear emblem: two four-toothed polygons an eighth of a turn apart.
#pragma once

#include "platform/canvas.h"

namespace kestrane {

struct Manager;

constexpr int kGearVertices = 16;

struct GearOutline {
  Point first[kGearVertices];
  Point second[kGearVertices];
};

// Angle 0 points straight down and π/2 to the right; the outer radius is r + 2 across and
// r + 4 down.
GearOutline GearVertices(int cx, int cy, int r, float angle);

// Draws the gear in the style's colours and advances the spinner.
void DrawGear(Manager &manager, DeviceContext dc, int cx, int cy, int r);

}  // namespace kestrane
