// The paint watch's hook DLL, which counts paints and text changes inside the program.
//
// Its message hooks load it into the program's window thread; the counts go to a named mapping.
#include <windows.h>

#include <cstring>

#include "paintwatch.h"

namespace {

HANDLE g_mapping = nullptr;
paintwatch::Shared* g_shared = nullptr;

paintwatch::Shared* Shared() {
    if (!g_shared) {
        g_mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, paintwatch::kMappingName);
        if (!g_mapping) return nullptr;
        g_shared = static_cast<paintwatch::Shared*>(
            MapViewOfFile(g_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(paintwatch::Shared)));
    }
    if (g_shared && g_shared->targetPid == GetCurrentProcessId()) {
        InterlockedExchange(&g_shared->hooked, 1);
        return g_shared;
    }
    return nullptr;
}

// Index of a cell of the timer window, or -1.
int CellOf(paintwatch::Shared* s, HWND window) {
    if (!window || GetParent(window) != s->window) return -1;
    const int id = GetDlgCtrlID(window);
    for (int i = 0; i < s->cellCount; ++i) {
        if (s->cellIds[i] == id) return i;
    }
    return -1;
}

void CountPaint(paintwatch::Shared* s, HWND window) {
    if (window == s->window) {
        InterlockedIncrement(&s->windowPaints);
    } else {
        int cell = CellOf(s, window);
        if (cell >= 0) InterlockedIncrement(&s->cellPaints[cell]);
    }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    paintwatch::Shared* s = code == HC_ACTION ? Shared() : nullptr;
    if (s && s->counting && wParam == PM_REMOVE) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == WM_PAINT) CountPaint(s, msg->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK
    SentMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    paintwatch::Shared* s = code == HC_ACTION ? Shared() : nullptr;
    if (s && s->counting) {
        const CWPSTRUCT* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
        switch (msg->message) {
            case WM_PAINT:
                CountPaint(s, msg->hwnd);
                break;
            case WM_CTLCOLORSTATIC:
                if (msg->hwnd == s->window) {
                    int cell = CellOf(s, reinterpret_cast<HWND>(msg->lParam));
                    if (cell >= 0) InterlockedIncrement(&s->cellColours[cell]);
                }
                break;
            case WM_ERASEBKGND:
                if (msg->hwnd == s->window) InterlockedIncrement(&s->windowErases);
                break;
            case WM_SETREDRAW:
                if (!msg->wParam && (msg->hwnd == s->window || CellOf(s, msg->hwnd) >= 0)) {
                    InterlockedIncrement(&s->redrawOffs);
                }
                break;
            case WM_SETTEXT: {
                int cell = CellOf(s, msg->hwnd);
                if (cell < 0) break;
                InterlockedIncrement(&s->cellTextSets[cell]);
                // The hook runs before the control takes the new text.
                char old[64] = {};
                GetWindowTextA(msg->hwnd, old, sizeof old);
                const char* now = reinterpret_cast<const char*>(msg->lParam);
                if (!now || std::strcmp(old, now) != 0) {
                    InterlockedIncrement(&s->cellTextChanges[cell]);
                }
                break;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH && g_shared) {
        UnmapViewOfFile(g_shared);
        CloseHandle(g_mapping);
    }
    return TRUE;
}
