// The Settings window: for now the frame alone, run modally when the program starts with /set.
#include "settingsui/settings_window_win.h"

#include <windows.h>

#include "app/shell_state_win.h"
#include "resources/resource_ids.h"

namespace dt {
namespace {

INT_PTR CALLBACK SettingsWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            g_shell.settingsWindow = window;
            g_shell.frontWindow = window;
            if (g_shell.smallIcon) {
                SendMessageA(window, WM_SETICON, ICON_SMALL,
                             reinterpret_cast<LPARAM>(g_shell.smallIcon));
            }
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK) EndDialog(window, LOWORD(wp));
            return TRUE;
        case WM_DESTROY:
            g_shell.settingsWindow = nullptr;
            if (g_shell.frontWindow == window) g_shell.frontWindow = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void RunSettingsWindowModal() {
    DialogBoxParamA(g_shell.instance, MAKEINTRESOURCEA(IDD_SETTINGS_WINDOW), nullptr,
                    SettingsWindowProc, 0);
}

}  // namespace dt
