// The connection monitor inside the timer window: its poll timer, messages and exit steps.
#include <windows.h>

#include "app/registered_messages.h"
#include "app/shell_state_win.h"
#include "app/thread_lock.h"
#include "engine/connection_monitor.h"
#include "runlist/run_list.h"
#include "settings/program_settings.h"
#include "sound/sound_player.h"
#include "timerwin/timer_window_win.h"
#include "timerwin/tray_icon_win.h"
#include "timerwin/window_links_win.h"

namespace dt {
namespace {

// A poll that shows a message box (a load error, a failed save, message 2083) lets the timer's
// messages through its loop; those polls are skipped rather than stacking boxes.
bool g_polling = false;

void TellPage(UINT message, bool wait) {
    HWND page = static_cast<HWND>(g_monitor.connectionsPage);
    if (!page) return;
    if (wait) {
        SendMessageA(page, message, 0, 0);
    } else {
        PostMessageA(page, message, 0, 0);
    }
}

// Carries out what the monitor asked for, in the order the connection's start and end need.
void Apply(HWND window, uint32_t fx) {
    if (fx & kFxMultipleConnections) {
        ShowMultipleConnectionsMessage(window);
        CloseAllWindows(false);
        return;
    }
    if (fx & kFxPlayLostConnection) PlayAlertSound(kLostConnectionAlert, nullptr);
    if (fx & kFxPlayWarning) PlayAlertSound(kWarningAlert, nullptr);
    if ((fx & kFxHideWindow) && IsWindowVisible(window)) {
        ShowWindow(window, SW_HIDE);
        TellTimerVisibilityChanged();
    }
    if (fx & kFxSaveEndedTimer) SaveTimerAfterConnection(window);
    if (fx & kFxPostConnectionChanged) TellPage(g_messageIds[kMsgConnectionChanged], false);
    if (fx & kFxSendConnectionChanged) TellPage(g_messageIds[kMsgConnectionChanged], true);
    ApplyMonitorDisplay(fx);
    if ((fx & kFxShowWindow) && !IsWindowVisible(window)) {
        ToggleTimerWindow();
        TellTimerVisibilityChanged();
    }
    if (fx & kFxPostTimeTick) TellPage(g_messageIds[kMsgTimeTick], false);
    if (fx & kFxPostResetOccurred) TellPage(g_messageIds[kMsgResetOccurred], false);
    if (fx & kFxUpdateTray) {
        // Added at a start when the option asks for it; at an end only updated if it is there.
        if (g_monitor.connected ? g_displaySettings.taskbarIcon != 0 : TrayIconAdded()) {
            UpdateTrayIcon(true);
        }
    }
    if (fx & kFxRunOnConnection) LaunchRunItems(window, true);
    if (fx & kFxRunOnDisconnection) LaunchRunItems(window, false);
}

void OnPollTimer(HWND window) {
    if (g_polling) return;
    g_polling = true;
    const uint32_t fx = PollConnection(window);
    Apply(window, fx);
    g_polling = false;
}

// After the user hung up, RAS must be let to finish before the program goes.
void OnDestroy(HWND window) {
    WaitForHangUpToFinish(SleepMilliseconds);
    KillTimer(window, kPollTimerId);
    SaveTimerAtExit();
}

}  // namespace

bool HandleMonitorMessage(HWND window, UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) {
    switch (msg) {
        case WM_INITDIALOG:
            ResetMonitor();
            g_polling = false;
            SetTimer(window, kPollTimerId, kPollPeriod, nullptr);
            return false;
        case WM_DESTROY:
            OnDestroy(window);
            return false;
        case WM_TIMER:
            if (wp != kPollTimerId) return false;
            OnPollTimer(window);
            *result = TRUE;
            return true;
        case WM_TIMECHANGE:
            Apply(window, OnSystemTimeChanged());
            if (g_monitor.connectionsPage) {
                SendMessageA(static_cast<HWND>(g_monitor.connectionsPage), WM_TIMECHANGE, wp, lp);
            }
            *result = TRUE;
            return true;
        default:
            break;
    }
    if (msg == g_messageIds[kMsgAccountEdited]) {
        Apply(window,
              OnAccountEdited(reinterpret_cast<const char*>(lp), static_cast<uint32_t>(wp)));
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 1);
        *result = TRUE;
        return true;
    }
    return false;
}

}  // namespace dt
