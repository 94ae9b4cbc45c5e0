// The hover mark of controls that change while the mouse is over them (links, colour swatches).
#pragma once

#include <windows.h>

namespace dt {

// comctl32's _TrackMouseEvent, looked up at run time: the oldest systems lack it, and there the
// controls simply do not react to hovering.
struct HoverTracking {
    HMODULE library = nullptr;
    BOOL(WINAPI* track)(LPTRACKMOUSEEVENT) = nullptr;
};

// Loads comctl32.dll and looks the function up; without it the library is unloaded again.
// The answer is the function's address, or 0, as the start messages answer it.
LRESULT StartHoverTracking(HoverTracking* tracking);
// Unloads what StartHoverTracking loaded.
void StopHoverTracking(HoverTracking* tracking);

// 1 in the control's user value while the mouse is over it.
bool IsHovered(HWND control);

enum class HoverEntry {
    kNotTaken,       // already marked, or no tracking: pass the message on
    kEntered,        // marked and redrawn: answer 0 without passing the message on
    kRequestFailed,  // the leave notice could not be requested: answer 0
};
// On WM_MOUSEMOVE: asks for the leave notice, marks the control and redraws it without erasing.
HoverEntry EnterHover(const HoverTracking& tracking, HWND control);
// On WM_MOUSELEAVE: clears the mark and redraws the control with erasing.
void LeaveHover(HWND control);

}  // namespace dt
