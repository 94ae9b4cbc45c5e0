// Window placement for the Windows shell: work area, centring, opacity, click-through.
#pragma once

#include <windows.h>

namespace dt {

// SetLayeredWindowAttributes, looked up at start-up; null when the system lacks it.
using SetLayeredFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
extern SetLayeredFn g_setLayeredWindowAttributes;

void KeepInWorkArea(HWND window);
BOOL CenterWindowOver(HWND window, HWND reference);
void SetOpacity(int percent);
void SetClickThrough(bool passClicks);

}  // namespace dt
