// What the paint watch's hook DLL and its driver share: a named mapping with the counts.
#pragma once

#include <windows.h>

namespace paintwatch {

constexpr const char* kMappingName = "DialtickPaintWatch";
constexpr int kMaxCells = 16;

struct Shared {
    // Set by the driver before hooking.
    DWORD targetPid;
    HWND window;  // the timer window; the cells are its children with these ids
    int cellCount;
    int cellIds[kMaxCells];
    // Counted in the target process.
    LONG hooked;
    LONG counting;
    LONG cellPaints[kMaxCells];       // WM_PAINT of a cell, retrieved or sent
    LONG cellColours[kMaxCells];      // WM_CTLCOLORSTATIC the timer window got for a cell
    LONG cellTextSets[kMaxCells];     // WM_SETTEXT to a cell
    LONG cellTextChanges[kMaxCells];  // ... that changed its text
    LONG windowPaints;                // WM_PAINT of the timer window itself
    LONG windowErases;                // WM_ERASEBKGND of the timer window
    LONG redrawOffs;                  // WM_SETREDRAW FALSE to the window or a cell
};

}  // namespace paintwatch
