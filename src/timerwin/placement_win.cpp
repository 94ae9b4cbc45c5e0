// Window placement for the Windows shell: work area, centring, opacity, click-through.
#include "timerwin/placement_win.h"

#include "app/shell_state_win.h"
#include "timerwin/placement.h"

namespace dt {

SetLayeredFn g_setLayeredWindowAttributes = nullptr;

namespace {

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

bool GetWorkArea(RECT* area) { return SystemParametersInfoA(SPI_GETWORKAREA, 0, area, 0) != 0; }

}  // namespace

void KeepInWorkArea(HWND window) {
    RECT rect;
    if (!window || !GetWindowRect(window, &rect)) return;
    RECT area;
    if (!GetWorkArea(&area)) {
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    Point p = KeepInArea(ToRect(rect), ToRect(area));
    if (p.x != rect.left || p.y != rect.top) {
        SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

BOOL CenterWindowOver(HWND window, HWND reference) {
    RECT rect;
    if (!window || !GetWindowRect(window, &rect)) return FALSE;
    RECT area;
    if (!GetWorkArea(&area)) {
        int cx = GetSystemMetrics(SM_CXFULLSCREEN), cy = GetSystemMetrics(SM_CYFULLSCREEN);
        if (cx == 0 || cy == 0) return FALSE;
        area = {0, 0, cx, cy};
    }
    // Window rectangles are counted with both edges here.
    RECT inclusive = {rect.left, rect.top, rect.right - 1, rect.bottom - 1};
    RECT refRect;
    Rect ref{};
    const Rect* refPtr = nullptr;
    if (reference && GetWindowRect(reference, &refRect)) {
        ref = {refRect.left, refRect.top, refRect.right - 1, refRect.bottom - 1};
        refPtr = &ref;
    }
    Point p = CenterOver(ToRect(inclusive), refPtr, ToRect(area));
    return SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void SetOpacity(int percent) {
    HWND timer = g_shell.timerWindow;
    if (!timer || !g_setLayeredWindowAttributes) return;
    g_setLayeredWindowAttributes(timer, 0, OpacityAlpha(percent), LWA_ALPHA);
}

void SetClickThrough(bool passClicks) {
    HWND timer = g_shell.timerWindow;
    if (!timer) return;
    LONG_PTR style = GetWindowLongPtrA(timer, GWL_EXSTYLE);
    LONG_PTR wanted = passClicks ? (style | WS_EX_TRANSPARENT) : (style & ~WS_EX_TRANSPARENT);
    if (wanted != style) SetWindowLongPtrA(timer, GWL_EXSTYLE, wanted);
}

}  // namespace dt
