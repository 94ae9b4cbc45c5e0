// Sizing and placing the timer window's cells, and redrawing them without flicker.
#pragma once

#include <windows.h>

namespace dt {

// Connects the display to the timer window's cells, or disconnects it (null).
void AttachTimerView(HWND window);

// Measures, sizes the window, places all fifteen controls, shortens a name that does not fit
// and repaints. Does nothing unless the timer window and all fifteen controls exist.
void LayoutTimerWindow();
// Drawing of the twelve bottom-row cells off, or on again (which repaints them).
void SetCellsRedraw(bool on);
// MsgRefreshName: the name cell shows the display's name in full, and the window is laid out.
void RefreshNameCell();

}  // namespace dt
