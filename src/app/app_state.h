// Process-wide state that the portable core reads, set up once during start-up.
#pragma once

#include "app/command_line.h"

namespace dt {

constexpr int kScratchSize = 780;

struct AppState {
    char* scratch[3] = {};  // three 780-byte buffers
    ButtonSets buttons = {};
    // What the settings' rules depend on: beeps need an NT-class system, opacity layered windows.
    OsClass osClass = kOsUnknown;
    bool layeredAvailable = false;
    // A question of the timer window or a plain error box is up.
    bool modalBoxOpen = false;
};

extern AppState g_app;

}  // namespace dt
