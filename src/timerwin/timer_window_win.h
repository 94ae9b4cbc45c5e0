// The timer window: the program's main window and the hub of its messages.
#pragma once

#include <windows.h>

namespace dt {

// Creates the hidden, topmost, enabled timer window; false when it cannot be made.
bool CreateTimerWindow();
// Shows a hidden timer window or hides a visible one.
void ToggleTimerWindow();

}  // namespace dt
