// The Settings window: the tabbed frame around the Connections, Run, Display and Sounds pages.
// OpenSettingsWindow and CloseAllWindows, which the timer window and its menu call, are declared
// with the other window links.
#pragma once

#include <windows.h>

#include "timerwin/window_links_win.h"

namespace dt {

// Closes the Settings window; true when there is none. With `ask`, unsaved changes are offered
// for discarding first and false means the user kept the window open. The modal window is ended
// without asking.
bool CloseSettingsWindow(bool ask);
// The same without asking, once the message being handled now is done.
void CloseSettingsWindowLater();

// The page's tab index (0 Connections, 1 Run, 2 Display, 3 Sounds), or -1 for any other window.
int SettingsPageIndex(HWND page);

}  // namespace dt
