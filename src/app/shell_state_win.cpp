// Process-wide state of the Win32 shell.
#include "app/shell_state_win.h"

namespace dt {

ShellState g_shell;

void CloseAllWindows() {
    if (g_shell.aboutBox) DestroyWindow(g_shell.aboutBox);
    if (g_shell.settingsWindow) DestroyWindow(g_shell.settingsWindow);
    if (g_shell.timerWindow) DestroyWindow(g_shell.timerWindow);
}

}  // namespace dt
