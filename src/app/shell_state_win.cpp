// Process-wide state of the Win32 shell.
#include "app/shell_state_win.h"

namespace dt {

ShellState g_shell;

}  // namespace dt
