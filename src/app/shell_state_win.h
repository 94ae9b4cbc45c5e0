// Process-wide state of the Win32 shell: the instance, the icon, the windows and what start-up
// learnt about the system.
#pragma once

#include <windows.h>

#include <cstdint>

namespace dt {

struct ShellState {
    HINSTANCE instance = nullptr;
    HICON smallIcon = nullptr;  // 16x16
    uint32_t shellMajor = 0, shellMinor = 0;
    uint32_t comctlMajor = 0, comctlMinor = 0;
    char* settingsPath = nullptr;
    bool openSettingsFlag = false;
    bool settingsWindowModal = true;
    bool helpUsed = false;
    HWND timerWindow = nullptr;
    HWND settingsWindow = nullptr;
    HWND aboutBox = nullptr;
    // The window that leads the user interface now: clicks elsewhere bring it forward.
    HWND frontWindow = nullptr;
};

extern ShellState g_shell;

}  // namespace dt
