// What the entry routine asks of the other subsystems at start-up and shutdown.
#pragma once

namespace dt {

// Forgets the monitor's current account before anything runs.
void ClearCurrentAccount();
// Reads the program-wide settings; false when the user chose to stop.
bool ReadProgramSettings();
// Reads XPos and YPos; false when the user chose to stop.
bool ReadTimerWindowPosition();
// Deletes the timer window's font and the display brushes.
void ReleaseDisplayResources();
// Stops a sound that still plays.
void StopSoundAtShutdown();
// Waits, in 500 ms steps, until no worker thread is left.
void WaitForWorkerThreads();

}  // namespace dt

namespace dt {
// The display options the timer window needs, as read at start-up.
struct StartupDisplay {
    bool taskbarIcon;
    bool keepInWorkArea;
    int opacity;
    bool catchClicks;
    int x, y;
};
const StartupDisplay& CurrentStartupDisplay();
}  // namespace dt
