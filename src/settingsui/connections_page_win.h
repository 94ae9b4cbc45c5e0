// The Connections page of the Settings window (dialog 1121).
#pragma once

#include <windows.h>

namespace dt {

INT_PTR CALLBACK ConnectionsPageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace dt
