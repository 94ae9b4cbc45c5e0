// Keeps the frames of the system's file and folder dialogs inside the work area.
#pragma once

#include <windows.h>

namespace dt {

// Subclasses a system dialog's frame from its hook procedure or callback: when `Constrain` is
// set, the frame is pulled back into the work area after the display or the work area changed
// and after the user moved it. The subclass removes itself when the frame goes.
void KeepFrameInWorkArea(HWND frame);

}  // namespace dt
