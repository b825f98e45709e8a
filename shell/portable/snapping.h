// SnapWindowToEdge's arithmetic: a window near a screen edge jumps onto it.
#pragma once

namespace corvane {

struct ScreenRect {
  int left, top, right, bottom;
};

struct SnapPoint {
  int x, y;
};

// Each axis snaps to the nearer edge within `distance` pixels (a tie goes to the left/top).
SnapPoint SnapToEdges(int x, int y, int width, int height, int distance, ScreenRect screen);

}  // namespace corvane
