// Stand-ins for the Settings window and the About box until they exist: they open nothing.
#include <windows.h>

#include "app/shell_state_win.h"
#include "timerwin/window_links_win.h"

namespace dt {

void OpenSettingsWindow() {}

void OpenAboutBox() {}

bool CloseSettingsForExit() {
    if (g_shell.settingsWindow) DestroyWindow(g_shell.settingsWindow);
    return true;
}

void TellTimerVisibilityChanged() {}

}  // namespace dt
