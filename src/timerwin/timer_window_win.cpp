// The timer window: the program's main window and the hub of its messages.
#include "timerwin/timer_window_win.h"

#include <mmsystem.h>

#include "app/app_state.h"
#include "app/help_win.h"
#include "app/registered_messages.h"
#include "app/shell_state_win.h"
#include "resources/resource_ids.h"
#include "settings/program_settings.h"
#include "sound/sound_player.h"
#include "timerwin/mouse_rules.h"
#include "timerwin/placement_win.h"
#include "timerwin/timer_display.h"
#include "timerwin/timer_font_win.h"
#include "timerwin/timer_layout.h"
#include "timerwin/timer_layout_win.h"
#include "timerwin/tray_icon_win.h"

namespace dt {
namespace {

// Marks the bottom-row cells for the colour handler.
constexpr LONG_PTR kBottomRowMark = 600324;
// Help topics of the timer window.
constexpr int kMenuHelpTopic = 30;
constexpr int kWindowHelpPopup = 40;

bool g_shownOnce = false;
// The window made it through its initialisation; only then is its position worth saving.
bool g_initialised = false;

struct Drag {
    bool active;
    POINT cursorAtStart;
    RECT windowAtStart;
};
Drag g_drag = {};

INT_PTR Reply(HWND window, LONG_PTR value) {
    SetWindowLongPtrA(window, DWLP_MSGRESULT, value);
    return TRUE;
}

void SavePosition(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    WriteProgramNumber(window, kKeyXPos, static_cast<int32_t>(r.left), 0, 0, false);
    WriteProgramNumber(window, kKeyYPos, static_cast<int32_t>(r.top), 0, 0, true);
}

bool Initialise(HWND window) {
    g_shell.timerWindow = window;
    g_shownOnce = false;
    g_drag = {};
    for (int id : kBottomRow) {
        HWND cell = GetDlgItem(window, id);
        if (cell) SetWindowLongPtrA(cell, GWLP_USERDATA, kBottomRowMark);
    }
    if (g_app.layeredAvailable) {
        SetWindowLongPtrA(window, GWL_EXSTYLE,
                          GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    }
    if (!InitTimerFont()) return false;
    AttachTimerView(window);
    ShowIdleTimer();
    if (g_displaySettings.taskbarIcon) UpdateTrayIcon(true);
    return true;
}

void OnActivateInstance(HWND window) {
    if (g_displaySettings.taskbarIcon) return;
    if (g_shell.frontWindow) {
        BringFrontWindowForward();
    } else if (!IsWindowVisible(window)) {
        ToggleTimerWindow();
    } else {
        SetForegroundWindow(window);
    }
}

// The colour reply: title colours on the top row, the connection state's on the bottom row.
INT_PTR OnColourStatic(HDC dc, HWND control) {
    int id = GetDlgCtrlID(control);
    CellKind kind = CellKind::kOther;
    if (id == IDC_CELL_NAME) {
        kind = CellKind::kName;
    } else if (id == IDC_CELL_TOP_LEFT || id == IDC_CELL_TOP_RIGHT) {
        kind = CellKind::kTopFiller;
    } else if (GetWindowLongPtrA(control, GWLP_USERDATA) == kBottomRowMark) {
        kind = id == IDC_CELL_BOTTOM_LEFT ? CellKind::kBottomFiller : CellKind::kBottomCell;
    }
    const TimerDisplayState& state = TimerDisplay();
    CellColours c = ChooseCellColours(kind, state.connected, state.inWarning);
    if (c.back < 0 || !g_displaySettings.brushes[c.back]) return FALSE;
    if (c.text >= 0) SetTextColor(dc, g_displaySettings.colours[c.text]);
    SetBkColor(dc, g_displaySettings.colours[c.back]);
    return reinterpret_cast<INT_PTR>(g_displaySettings.brushes[c.back]);
}

void StartDrag(HWND window) {
    SetCapture(window);
    GetCursorPos(&g_drag.cursorAtStart);
    GetWindowRect(window, &g_drag.windowAtStart);
    g_drag.active = true;
}

void ContinueDrag(HWND window, bool leftDown) {
    if (!g_drag.active || !leftDown || GetCapture() != window) return;
    POINT now;
    if (!GetCursorPos(&now)) return;
    SetWindowPos(window, nullptr, g_drag.windowAtStart.left + now.x - g_drag.cursorAtStart.x,
                 g_drag.windowAtStart.top + now.y - g_drag.cursorAtStart.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void EndDrag(HWND window) {
    // Releasing the capture sends WM_CAPTURECHANGED, which ends the drag too.
    bool wasDragging = g_drag.active;
    g_drag.active = false;
    if (GetCapture() == window) ReleaseCapture();
    if (wasDragging && g_displaySettings.keepInWorkArea) KeepInWorkArea(window);
}

// True when the mouse table took the message.
bool OnMouse(UINT msg) {
    switch (TimerMouseAction(msg, g_app.modalBoxOpen)) {
        case MouseAction::kBringFront:
            BringFrontWindowForward();
            return true;
        case MouseAction::kOpenSettings:
            OpenSettingsOrBringForward();
            return true;
        case MouseAction::kShowMenu:
            ShowTrayMenu();
            return true;
        case MouseAction::kNone:
            break;
    }
    return false;
}

void OnHelp(HWND window, const HELPINFO* info) {
    if (info && info->iContextType == HELPINFO_MENUITEM) {
        OpenHelpTopic(window, kMenuHelpTopic);
    } else if (GetKeyState(VK_SHIFT) & 0x8000) {
        PostMessageA(window, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
    } else if (GetKeyState(VK_LBUTTON) & 0x8000) {
        OpenHelpPopup(window, kWindowHelpPopup);
    } else {
        OpenHelpTopic(window, kHelpContents);
    }
}

void OnDestroy(HWND window) {
    CloseHelp(window);
    UpdateTrayIcon(false);
    if (g_initialised) SavePosition(window);
    AttachTimerView(nullptr);
    g_shell.timerWindow = nullptr;
    if (g_initialised) PostQuitMessage(0);
    g_initialised = false;
}

// The program's registered messages; false for any other message.
bool OnRegisteredMessage(HWND window, UINT msg, LPARAM lp, INT_PTR* result) {
    if (msg == g_messageIds[kMsgToggleTimer]) {
        ToggleTimerWindow();
    } else if (msg == g_messageIds[kMsgActivateInstance]) {
        OnActivateInstance(window);
    } else if (msg == g_messageIds[kMsgOpenSettings]) {
        OpenSettingsOrBringForward();
    } else if (msg == g_messageIds[kMsgRefreshName]) {
        RefreshNameCell();
    } else if (msg == g_messageIds[kMsgTrayCallback]) {
        OnTrayMouse(static_cast<UINT>(lp));
    } else {
        return false;
    }
    *result = Reply(window, 1);
    return true;
}

INT_PTR CALLBACK TimerWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR result = FALSE;
    if (HandleMonitorMessage(window, msg, wp, lp, &result)) return result;

    switch (msg) {
        case WM_INITDIALOG:
            g_initialised = Initialise(window);
            return FALSE;
        case WM_CTLCOLORSTATIC:
            return OnColourStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_LBUTTONDOWN:
        case WM_NCLBUTTONDOWN:
            StartDrag(window);
            return FALSE;
        case WM_MOUSEMOVE:
            ContinueDrag(window, (wp & MK_LBUTTON) != 0);
            return FALSE;
        case WM_NCMOUSEMOVE:
            // Its first parameter is a hit-test code, not the key flags.
            ContinueDrag(window, (GetKeyState(VK_LBUTTON) & 0x8000) != 0);
            return FALSE;
        case WM_LBUTTONUP:
        case WM_NCLBUTTONUP:
            EndDrag(window);
            return FALSE;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != window) g_drag.active = false;
            return FALSE;
        case WM_MOUSEACTIVATE:
            if (!g_app.modalBoxOpen) return FALSE;
            // The click only brings the open question forward.
            BringFrontWindowForward();
            return Reply(window, MA_NOACTIVATEANDEAT);
        case WM_COMMAND:
            return OnTrayCommand(window, LOWORD(wp)) ? TRUE : FALSE;
        case WM_HELP:
            OnHelp(window, reinterpret_cast<const HELPINFO*>(lp));
            return TRUE;
        case WM_FONTCHANGE:
            LayoutTimerWindow();
            return Reply(window, 1);
        case WM_DISPLAYCHANGE:
            if (IsWindowVisible(window) && g_displaySettings.keepInWorkArea) {
                KeepInWorkArea(window);
            }
            return FALSE;
        case WM_SETTINGCHANGE:
            if (wp == SPI_SETWORKAREA && IsWindowVisible(window) &&
                g_displaySettings.keepInWorkArea) {
                KeepInWorkArea(window);
            }
            return FALSE;
        case MM_MCINOTIFY:
            OnSoundNotify(static_cast<MciDevice>(lp));
            return TRUE;
        case WM_ENDSESSION:
            // The log-off or shutdown is really happening: close without asking.
            if (wp) DestroyWindow(window);
            return TRUE;
        case WM_QUERYENDSESSION:
            return Reply(window, TRUE);
        case WM_CLOSE:
            DestroyWindow(window);
            return TRUE;
        case WM_DESTROY:
            OnDestroy(window);
            return TRUE;
        default:
            break;
    }
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) return OnMouse(msg) ? TRUE : FALSE;
    if ((msg >= WM_NCLBUTTONDOWN && msg <= WM_NCXBUTTONDBLCLK) || msg == WM_CONTEXTMENU) {
        return OnMouse(msg) ? TRUE : FALSE;
    }
    if (OnRegisteredMessage(window, msg, lp, &result)) return result;
    return FALSE;
}

}  // namespace

void ToggleTimerWindow() {
    HWND window = g_shell.timerWindow;
    if (!window) return;
    if (IsWindowVisible(window)) {
        ShowWindow(window, SW_HIDE);
    } else if (g_shownOnce) {
        ShowWindow(window, SW_SHOWNA);
    } else {
        if (g_displaySettings.keepInWorkArea) KeepInWorkArea(window);
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        g_shownOnce = true;
    }
}

bool CreateTimerWindow(int x, int y) {
    HWND window = CreateDialogParamA(g_shell.instance, MAKEINTRESOURCEA(IDD_TIMER_WINDOW), nullptr,
                                     TimerWindowProc, 0);
    if (!window) {
        g_shell.timerWindow = nullptr;
        return false;
    }
    if (!g_initialised) {
        // Without its font the window cannot show anything.
        DestroyWindow(window);
        return false;
    }
    SetWindowPos(window, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    EnableWindow(window, TRUE);
    if (g_app.layeredAvailable) {
        SetOpacity(g_displaySettings.opacity);
        if (!g_displaySettings.catchClicks) SetClickThrough(true);
    }
    return true;
}

}  // namespace dt
