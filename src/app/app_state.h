// Process-wide state of the running program, set up once during start-up.
#pragma once

#include <cstdint>

#include "app/command_line.h"
#include "app/platform.h"

namespace dt {

constexpr int kScratchSize = 780;

struct AppState {
    void* instance = nullptr;  // HINSTANCE
    char* scratch[3] = {};     // three 780-byte buffers
    char* settingsPath = nullptr;
    bool openSettingsFlag = false;
    OsClass osClass = kOsUnknown;
    ButtonSets buttons = {};
    void* smallIcon = nullptr;  // HICON, 16x16
    bool layeredAvailable = false;
    uint32_t shellMajor = 0, shellMinor = 0;
    uint32_t comctlMajor = 0, comctlMinor = 0;
    WindowRef timerWindow = nullptr;
    WindowRef settingsWindow = nullptr;
    WindowRef aboutBox = nullptr;
    // The window that leads the user interface now: clicks elsewhere bring it forward.
    WindowRef frontWindow = nullptr;
    bool settingsWindowModal = true;
    // A question of the timer window or a plain error box is up.
    bool modalBoxOpen = false;
    bool helpUsed = false;
};

extern AppState g_app;

}  // namespace dt
