// The hover mark of controls that change while the mouse is over them.
#include "controls/hover_win.h"

#include <commctrl.h>

namespace dt {

LRESULT StartHoverTracking(HoverTracking* tracking) {
    if (!tracking->track) {
        if (!tracking->library) tracking->library = LoadLibraryA("comctl32.dll");
        if (tracking->library) {
            tracking->track = reinterpret_cast<BOOL(WINAPI*)(LPTRACKMOUSEEVENT)>(
                reinterpret_cast<void*>(GetProcAddress(tracking->library, "_TrackMouseEvent")));
        }
        if (!tracking->track) StopHoverTracking(tracking);
    }
    return reinterpret_cast<LRESULT>(reinterpret_cast<void*>(tracking->track));
}

void StopHoverTracking(HoverTracking* tracking) {
    if (tracking->library) FreeLibrary(tracking->library);
    tracking->library = nullptr;
    tracking->track = nullptr;
}

bool IsHovered(HWND control) { return GetWindowLongPtrA(control, GWLP_USERDATA) == 1; }

HoverEntry EnterHover(const HoverTracking& tracking, HWND control) {
    if (!tracking.track || IsHovered(control)) return HoverEntry::kNotTaken;
    TRACKMOUSEEVENT request = {};
    request.cbSize = sizeof request;
    request.dwFlags = TME_LEAVE;
    request.hwndTrack = control;
    if (!tracking.track(&request)) return HoverEntry::kRequestFailed;
    SetWindowLongPtrA(control, GWLP_USERDATA, 1);
    InvalidateRect(control, nullptr, FALSE);
    UpdateWindow(control);
    return HoverEntry::kEntered;
}

void LeaveHover(HWND control) {
    SetWindowLongPtrA(control, GWLP_USERDATA, 0);
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
}

}  // namespace dt
