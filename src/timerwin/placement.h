// Placement arithmetic shared by every window: keeping inside the work area, centring.
#pragma once

#include <cstdint>

namespace dt {

struct Rect {
    int32_t left, top, right, bottom;
};
struct Point {
    int32_t x, y;
};

// Where a window goes so that it lies inside `area`; its left and top edges win when it is
// larger than the area.
Point KeepInArea(const Rect& window, const Rect& area);

// Where a window goes when centred over `reference` (or over the work area when null) and kept
// inside `work`. Sizes count both edges, as the window rectangles are inclusive here.
Point CenterOver(const Rect& window, const Rect* reference, const Rect& work);

// SetLayeredWindowAttributes' alpha for an opacity percentage.
uint8_t OpacityAlpha(int percent);

}  // namespace dt
