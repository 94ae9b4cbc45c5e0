// The timer window: the program's main window and the hub of its messages.
#pragma once

#include <windows.h>

namespace dt {

// Creates the timer window hidden, topmost, enabled, at (x, y), with the display settings'
// opacity and click-through; false when it cannot be made.
bool CreateTimerWindow(int x, int y);
// Shows a hidden timer window or hides a visible one; the first showing keeps it in the work
// area (when that option is on) and makes it topmost.
void ToggleTimerWindow();

// The connection monitor's share of the timer window's messages; it sees every message first.
// True when it took the message, with *result the dialog procedure's answer. WM_INITDIALOG and
// WM_DESTROY it sees before the window's own handling and must pass on (false).
bool HandleMonitorMessage(HWND window, UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result);

}  // namespace dt
