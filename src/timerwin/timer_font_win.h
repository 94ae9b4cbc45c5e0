// The timer font: made from the display settings, measured for the timer window's cells.
#pragma once

#include <windows.h>

#include "timerwin/timer_layout.h"

namespace dt {

// A new font from g_displaySettings, or null. Falls back to the system's message font when the
// face is empty or not installed, and then stores that font's face, size and Bold = 1 back.
HFONT CreateTimerFont();
// The system's message-box font.
bool GetMessageFont(LOGFONTA* font);
// Width and height of `length` characters (-1: up to the zero) in the font selected into `dc`.
bool MeasureTimerText(HDC dc, const char* text, int length, SIZE* size);

// Forgets any font in use and makes the first one; false when none can be made.
bool InitTimerFont();
// Measures the cells for the name `name`; the sign only when `wantSign`. First makes a new timer
// font, and hands it to the cells of `window`, when the settings no longer match the font in
// use. False leaves the font in use and the outputs untouched.
bool MeasureTimerParts(HWND window, const char* name, bool wantSign, TimerMeasurements* out);

// The font in use, or null.
HFONT TimerFont();
// Deletes the font at the end of the program.
void DeleteTimerFont();

}  // namespace dt
