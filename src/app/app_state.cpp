// Process-wide state of the running program.
#include "app/app_state.h"

namespace dt {
AppState g_app;
}  // namespace dt
