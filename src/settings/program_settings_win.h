// The program-wide settings as the Windows shell reads and releases them.
#pragma once

#include <cstdint>

namespace dt {

// Reads the program-wide settings into g_displaySettings and g_soundSettings with the system's
// button colours, GDI brushes and g_app's class, layering and read-error buttons. False when the
// user chose to stop: start-up must then fail.
bool LoadProgramSettingsFromSystem();
// Deletes the eight display brushes that were made for the colours (stock brushes stay).
void DeleteDisplayBrushes();

}  // namespace dt
