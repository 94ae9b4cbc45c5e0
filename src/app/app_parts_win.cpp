// The entry routine's calls into the other subsystems.
#include <windows.h>

#include "app/app_parts_win.h"
#include "app/app_state.h"
#include "app/thread_lock.h"
#include "engine/connection_monitor.h"
#include "settings/program_settings.h"
#include "settings/program_settings_win.h"
#include "sound/sound_player.h"
#include "timerwin/timer_font_win.h"

namespace dt {

namespace {
StartupDisplay g_startupDisplay = {true, true, 100, true, 0, 0};
}  // namespace

void ClearCurrentAccount() { ResetMonitor(); }

bool ReadProgramSettings() {
    if (!LoadProgramSettingsFromSystem()) return false;
    g_startupDisplay = {g_displaySettings.taskbarIcon != 0,
                        g_displaySettings.keepInWorkArea != 0,
                        g_displaySettings.opacity,
                        g_displaySettings.catchClicks != 0,
                        0,
                        0};
    return true;
}

bool ReadTimerWindowPosition() {
    int32_t x = 0, y = 0;
    if (!ReadWindowPosition(g_app.buttons.readError, &x, &y)) return false;
    g_startupDisplay.x = x;
    g_startupDisplay.y = y;
    return true;
}

void ReleaseDisplayResources() {
    DeleteTimerFont();
    DeleteDisplayBrushes();
}

void StopSoundAtShutdown() { StopSoundForShutdown(); }

void WaitForWorkerThreads() { WaitForWorkers(); }

const StartupDisplay& CurrentStartupDisplay() { return g_startupDisplay; }

}  // namespace dt
