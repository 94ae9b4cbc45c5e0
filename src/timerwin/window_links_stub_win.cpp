// Stand-ins for the Settings window and the About box until they exist: they open nothing.
#include <windows.h>

#include "app/app_state.h"
#include "timerwin/window_links_win.h"

namespace dt {

void OpenSettingsWindow() {}

void OpenAboutBox() {}

bool CloseSettingsForExit() {
    if (g_app.settingsWindow) DestroyWindow(static_cast<HWND>(g_app.settingsWindow));
    return true;
}

void TellTimerVisibilityChanged() {}

}  // namespace dt
