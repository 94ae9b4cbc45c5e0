// The entry routine's calls into the other subsystems.
#include <windows.h>

#include "app/app_parts_win.h"
#include "app/app_state.h"

namespace dt {

void ClearCurrentAccount() {}

bool ReadProgramSettings() { return true; }

void ReleaseDisplayResources() {}

void StopSoundAtShutdown() {}

void WaitForWorkerThreads() {}

void CloseAllWindows() {
    if (g_app.aboutBox) DestroyWindow(static_cast<HWND>(g_app.aboutBox));
    if (g_app.settingsWindow) DestroyWindow(static_cast<HWND>(g_app.settingsWindow));
    if (g_app.timerWindow) DestroyWindow(static_cast<HWND>(g_app.timerWindow));
}

}  // namespace dt

namespace dt {
namespace {
StartupDisplay g_startupDisplay = {true, true, 100, true, 0, 0};
}
const StartupDisplay& CurrentStartupDisplay() { return g_startupDisplay; }
}  // namespace dt
