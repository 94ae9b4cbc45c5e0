// Placement arithmetic shared by every window.
#include "timerwin/placement.h"

#include <algorithm>

namespace dt {

Point KeepInArea(const Rect& window, const Rect& area) {
    int32_t width = window.right - window.left;
    int32_t height = window.bottom - window.top;
    Point p;
    p.x = window.left < area.left ? area.left : std::min(window.left, area.right - width);
    p.y = window.top < area.top ? area.top : std::min(window.top, area.bottom - height);
    // The left and top edges win over the right and bottom ones.
    p.x = std::max(p.x, area.left);
    p.y = std::max(p.y, area.top);
    return p;
}

Point CenterOver(const Rect& window, const Rect* reference, const Rect& work) {
    int32_t width = window.right - window.left + 1;
    int32_t height = window.bottom - window.top + 1;
    int32_t refLeft = 0, refTop = 0;
    int32_t refWidth = work.right - work.left, refHeight = work.bottom - work.top;
    if (reference) {
        refLeft = reference->left;
        refTop = reference->top;
        refWidth = reference->right - reference->left + 1;
        refHeight = reference->bottom - reference->top + 1;
    }
    Point p{refLeft + (refWidth - width) / 2, refTop + (refHeight - height) / 2};
    p.x = std::max(p.x, work.left);
    p.y = std::max(p.y, work.top);
    if (p.x + width > work.right && width < work.right - work.left) p.x = work.right - width;
    if (p.y + height > work.bottom && height < work.bottom - work.top) p.y = work.bottom - height;
    return p;
}

uint8_t OpacityAlpha(int percent) {
    percent = std::clamp(percent, 0, 100);
    return static_cast<uint8_t>(percent * 255 / 100);
}

}  // namespace dt
