// The notification-area icon, its tooltip, and the popup menu with its commands.
#pragma once

#include <windows.h>

namespace dt {

// Menu 1116's commands.
constexpr int kCmdClose = 40001;
constexpr int kCmdSettings = 40002;
constexpr int kCmdToggleTimer = 40003;
constexpr int kCmdDisconnect = 40007;
constexpr int kCmdAbout = 40011;
constexpr int kCmdHelpContents = 40012;
constexpr int kCmdStopSound = 40017;

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
