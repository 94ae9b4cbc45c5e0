// The timer window: the program's main window and the hub of its messages.
#include "timerwin/timer_window_win.h"

#include <cstdio>

#include "app/app_parts_win.h"
#include "app/app_state.h"
#include "app/registered_messages.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "timerwin/placement_win.h"

namespace dt {
namespace {

// Marks the bottom-row cells for the colour handler.
constexpr LONG_PTR kBottomRowMark = 600324;
const int kBottomRowCells[] = {137, 138, 375, 376, 377, 378, 379, 380, 381, 382, 383, 384};

bool g_shownOnce = false;

void BringForward(HWND window) {
    if (window) SetForegroundWindow(window);
}

void SavePosition(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    char value[16];
    std::snprintf(value, sizeof value, "%d", static_cast<int>(r.left));
    WriteSetting(window, "Dialtick", "XPos", value, 0, 0, false);
    std::snprintf(value, sizeof value, "%d", static_cast<int>(r.top));
    WriteSetting(window, "Dialtick", "YPos", value, 0, 0, true);
}

void OnActivateInstance(HWND window) {
    if (CurrentStartupDisplay().taskbarIcon) return;
    if (g_app.frontWindow) {
        BringForward(static_cast<HWND>(g_app.frontWindow));
    } else if (!IsWindowVisible(window)) {
        ToggleTimerWindow();
    } else {
        BringForward(window);
    }
}

INT_PTR CALLBACK TimerWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            g_shownOnce = false;
            for (int id : kBottomRowCells) {
                HWND cell = GetDlgItem(window, id);
                if (cell) SetWindowLongPtrA(cell, GWLP_USERDATA, kBottomRowMark);
            }
            if (g_app.layeredAvailable) {
                SetWindowLongPtrA(window, GWL_EXSTYLE,
                                  GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
            }
            return FALSE;
        case WM_ENDSESSION:
            // The log-off or shutdown is really happening: close without asking.
            if (wp) DestroyWindow(window);
            return TRUE;
        case WM_QUERYENDSESSION:
            SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(window);
            return TRUE;
        case WM_DESTROY:
            SavePosition(window);
            g_app.timerWindow = nullptr;
            PostQuitMessage(0);
            return TRUE;
        default:
            break;
    }
    if (msg == g_messageIds[kMsgToggleTimer]) {
        ToggleTimerWindow();
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    if (msg == g_messageIds[kMsgActivateInstance]) {
        OnActivateInstance(window);
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    if (msg == g_messageIds[kMsgOpenSettings]) {
        // The Settings window comes later; until then only the leading window comes forward.
        BringForward(static_cast<HWND>(g_app.frontWindow));
        return TRUE;
    }
    (void)lp;
    return FALSE;
}

}  // namespace

void ToggleTimerWindow() {
    HWND window = static_cast<HWND>(g_app.timerWindow);
    if (!window) return;
    if (IsWindowVisible(window)) {
        ShowWindow(window, SW_HIDE);
    } else if (g_shownOnce) {
        ShowWindow(window, SW_SHOWNA);
    } else {
        if (CurrentStartupDisplay().keepInWorkArea) KeepInWorkArea(window);
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        g_shownOnce = true;
    }
}

bool CreateTimerWindow() {
    HWND window = CreateDialogParamA(static_cast<HINSTANCE>(g_app.instance),
                                     MAKEINTRESOURCEA(IDD_TIMER_WINDOW), nullptr, TimerWindowProc, 0);
    if (!window) return false;
    g_app.timerWindow = window;
    const StartupDisplay& display = CurrentStartupDisplay();
    SetWindowPos(window, HWND_TOPMOST, display.x, display.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    EnableWindow(window, TRUE);
    if (g_app.layeredAvailable) {
        SetOpacity(display.opacity);
        if (!display.catchClicks) SetClickThrough(true);
    }
    return true;
}

}  // namespace dt
