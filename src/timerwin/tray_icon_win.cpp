// The notification-area icon, its tooltip, and the popup menu with its commands.
#include "timerwin/tray_icon_win.h"

#include <shellapi.h>

#include <cstdio>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/help_win.h"
#include "app/messages.h"
#include "app/registered_messages.h"
#include "app/shell_state_win.h"
#include "resources/resource_ids.h"
#include "sound/sound_player.h"
#include "timerwin/mouse_rules.h"
#include "timerwin/timer_display.h"
#include "timerwin/tray_tooltip.h"
#include "timerwin/window_links_win.h"

namespace dt {
namespace {

bool g_iconAdded = false;
// Icon group 1129's 16-colour image, for systems other than XP and its kin.
HICON g_plainIcon = nullptr;

HWND Timer() { return g_shell.timerWindow; }

HICON TrayImage() {
    if (g_app.osClass == kOsNt51) return g_shell.smallIcon;
    // Loaded once and kept while the icon shows, rather than anew at every update.
    if (!g_plainIcon) {
        g_plainIcon =
            static_cast<HICON>(LoadImageA(g_shell.instance, MAKEINTRESOURCEA(IDI_PROGRAM_ALT),
                                          IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    }
    return g_plainIcon;
}

void ReleasePlainIcon() {
    if (g_plainIcon) DestroyIcon(g_plainIcon);
    g_plainIcon = nullptr;
}

// The first version of the notification data, which every shell since 4.0 takes.
NOTIFYICONDATAA BaseData() {
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = Timer();
    data.uID = 0;
    return data;
}

HWND QuestionOwner() { return g_shell.frontWindow ? g_shell.frontWindow : Timer(); }

// Asks a Yes/No question of the timer window; modalBoxOpen holds while it is up.
int AskYesNo(const char* text) {
    bool wasOpen = g_app.modalBoxOpen;
    g_app.modalBoxOpen = true;
    int answer =
        ShowAppMessage(QuestionOwner(), text, kProductName, kIconQuestion, kButtonYes | kButtonNo);
    g_app.modalBoxOpen = wasOpen;
    return answer;
}

void AskToDisconnect() {
    if (!TimerDisplay().connected) return;
    char name[kConnectionNameSize];
    std::snprintf(name, sizeof name, "%s", TimerDisplay().name);
    char format[128], text[kConnectionNameSize + 128];
    if (!LoadText(IDS_CLOSE_CONNECTION_S, format, sizeof format)) return;
    std::snprintf(text, sizeof text, format, name);
    if (AskYesNo(text) == kResultYes) ConfirmHangUp(name);
}

void AskToClose() {
    char format[128], text[256];
    if (!LoadText(IDS_CLOSE_S, format, sizeof format)) return;
    std::snprintf(text, sizeof text, format, kProductName);
    if (AskYesNo(text) == kResultNo) return;
    CloseAllWindows(true);
}

}  // namespace

void BringFrontWindowForward() {
    if (g_shell.frontWindow) SetForegroundWindow(g_shell.frontWindow);
}

void OpenSettingsOrBringForward() {
    if (g_shell.settingsWindow) {
        BringFrontWindowForward();
        return;
    }
    if (g_shell.aboutBox) DestroyWindow(g_shell.aboutBox);
    OpenSettingsWindow();
}

bool TrayIconAdded() { return g_iconAdded; }

void UpdateTrayIcon(bool show) {
    if (!Timer()) return;
    if (!show) {
        if (!g_iconAdded) return;
        NOTIFYICONDATAA data = BaseData();
        data.uFlags = NIF_ICON;
        data.hIcon = TrayImage();
        if (Shell_NotifyIconA(NIM_DELETE, &data)) {
            g_iconAdded = false;
            ReleasePlainIcon();
        }
        return;
    }
    NOTIFYICONDATAA data = BaseData();
    char tip[kTrayTipSize];
    FormatTrayTooltip(tip, TimerDisplay().connected, TimerDisplay().name, g_shell.shellMajor);
    std::snprintf(data.szTip, kTrayTipSize, "%s", tip);
    if (g_iconAdded) {
        data.uFlags = NIF_TIP;
        Shell_NotifyIconA(NIM_MODIFY, &data);
        return;
    }
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = g_messageIds[kMsgTrayCallback];
    data.hIcon = TrayImage();
    g_iconAdded = Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
}

void ShowTrayMenu() {
    HWND window = Timer();
    if (!window) return;
    POINT at;
    if (!GetCursorPos(&at)) at = {0, 0};
    HMENU menu = LoadMenuA(g_shell.instance, MAKEINTRESOURCEA(IDM_TRAY_MENU));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    if (!popup) {
        DestroyMenu(menu);
        return;
    }
    char hide[64];
    if (IsWindowVisible(window) && LoadText(IDS_HIDE_TIMER, hide, sizeof hide)) {
        MENUITEMINFOA item;
        ZeroMemory(&item, sizeof item);
        item.cbSize = sizeof item;
        item.fMask = MIIM_TYPE;
        item.fType = MFT_STRING;
        item.dwTypeData = hide;
        SetMenuItemInfoA(popup, IDM_TOGGLE_TIMER, FALSE, &item);
    }
    if (CurrentSoundState() != SoundState::kIdle) {
        EnableMenuItem(popup, IDM_STOP_SOUND, MF_BYCOMMAND | MF_ENABLED);
    }
    if (TimerDisplay().connected) EnableMenuItem(popup, IDM_DISCONNECT, MF_BYCOMMAND | MF_ENABLED);
    SetMenuDefaultItem(popup, IDM_SETTINGS, FALSE);

    // Without the foreground and the WM_NULL afterwards the menu would not close when the user
    // clicks elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenuEx(popup, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, at.x, at.y, window, nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void OnTrayMouse(UINT mouseMessage) {
    switch (TrayMouseAction(mouseMessage, g_app.modalBoxOpen)) {
        case MouseAction::kBringFront:
            BringFrontWindowForward();
            break;
        case MouseAction::kOpenSettings:
            OpenSettingsOrBringForward();
            break;
        case MouseAction::kShowMenu:
            ShowTrayMenu();
            break;
        case MouseAction::kNone:
            break;
    }
}

bool OnTrayCommand(HWND window, int id) {
    switch (id) {
        case IDM_SETTINGS:
            OpenSettingsOrBringForward();
            return true;
        case IDM_TOGGLE_TIMER:
            SendMessageA(window, g_messageIds[kMsgToggleTimer], 0, 0);
            TellTimerVisibilityChanged();
            return true;
        case IDM_STOP_SOUND:
            StopSound();
            return true;
        case IDM_DISCONNECT:
            AskToDisconnect();
            return true;
        case IDM_HELP_CONTENTS:
            OpenHelpTopic(window, kHelpContents);
            return true;
        case IDM_ABOUT:
            if (g_shell.aboutBox) {
                SetForegroundWindow(g_shell.aboutBox);
            } else {
                OpenAboutBox();
            }
            return true;
        case IDM_CLOSE:
            AskToClose();
            return true;
        default:
            return id >= IDM_CLOSE && id <= IDM_STOP_SOUND;
    }
}

}  // namespace dt
