// The notification-area icon, its tooltip, and the popup menu with its commands.
#pragma once

#include <windows.h>

namespace dt {

// True adds the icon, or updates its tooltip when it is there; false removes it. Nothing happens
// while there is no timer window.
void UpdateTrayIcon(bool show);
bool TrayIconAdded();
// Shows the popup menu at the cursor; the chosen command arrives afterwards as WM_COMMAND.
void ShowTrayMenu();
// MsgTrayCallback, by the mouse message it carries.
void OnTrayMouse(UINT mouseMessage);
// A menu command; false for ids that are not the menu's.
bool OnTrayCommand(HWND window, int id);

// "&Settings": the Settings window, or the window that leads forward when it is open.
void OpenSettingsOrBringForward();
// Brings frontWindow forward, if there is one.
void BringFrontWindowForward();

}  // namespace dt
