// Keeps the frames of the system's file and folder dialogs inside the work area.
#include "timerwin/work_area_subclass_win.h"

#include "settings/program_settings.h"
#include "timerwin/placement_win.h"

namespace dt {
namespace {

// The frame's previous window procedure, kept on the frame itself since several may be open.
constexpr const char* kPreviousProc = "DialtickWorkAreaProc";

LRESULT CALLBACK FrameProc(HWND frame, UINT msg, WPARAM wp, LPARAM lp) {
    auto previous = reinterpret_cast<WNDPROC>(GetPropA(frame, kPreviousProc));
    if (!previous) return DefWindowProcA(frame, msg, wp, lp);
    bool constrain = g_displaySettings.keepInWorkArea != 0;
    switch (msg) {
        case WM_DISPLAYCHANGE:
            if (constrain) KeepInWorkArea(frame);
            break;
        case WM_SETTINGCHANGE:
            if (wp == SPI_SETWORKAREA && constrain) KeepInWorkArea(frame);
            return 0;
        case WM_EXITSIZEMOVE:
            if (constrain) KeepInWorkArea(frame);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            RemovePropA(frame, kPreviousProc);
            break;
        default:
            break;
    }
    return CallWindowProcA(previous, frame, msg, wp, lp);
}

}  // namespace

void KeepFrameInWorkArea(HWND frame) {
    if (!frame || GetPropA(frame, kPreviousProc)) return;
    LONG_PTR previous = GetWindowLongPtrA(frame, GWLP_WNDPROC);
    if (!previous || !SetPropA(frame, kPreviousProc, reinterpret_cast<HANDLE>(previous))) return;
    SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameProc));
}

}  // namespace dt
