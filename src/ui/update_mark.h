// The button's update mark: a small disc in its top right corner while a running plug-in has
// an update on offer, as "Update Plugin" lists it.
#pragma once

#include "platform/canvas.h"

namespace kestrane {

struct Manager;

constexpr int kMarkSize = 5;    // the disc's width and height in pixels
constexpr int kMarkMargin = 1;  // from the button's top and right edges: its border stays

bool UpdateMarkWanted(const Manager &manager);
// Into the painting buffer, in the style's text colour.
void DrawUpdateMark(Manager &manager, DeviceContext dc, const Rect &client);
// After anything that may mark, unmark or stop plug-ins: repaints when the mark would change.
void RefreshUpdateMark(Manager &manager);

}  // namespace kestrane
