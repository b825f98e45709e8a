#include "portable/snapping.h"

#include <cstdlib>

namespace corvane {

namespace {

int SnapAxis(int position, int size, int low, int high, int distance) {
  const int toLow = std::abs(position - low);
  const int toHigh = std::abs(position + size - high);
  // Closer than the distance: a window placed exactly that far from an edge stays put.
  const bool nearLow = toLow < distance;
  const bool nearHigh = toHigh < distance;
  if (nearLow && (!nearHigh || toLow <= toHigh)) return low;
  if (nearHigh) return high - size;
  return position;
}

}  // namespace

SnapPoint SnapToEdges(int x, int y, int width, int height, int distance, ScreenRect screen) {
  if (distance < 0) return {x, y};
  return {SnapAxis(x, width, screen.left, screen.right, distance),
          SnapAxis(y, height, screen.top, screen.bottom, distance)};
}

}  // namespace corvane
