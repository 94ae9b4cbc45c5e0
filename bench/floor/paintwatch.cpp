// The paint watch: counts the timer window's cell paints and text changes for a while.
//
// It hooks the window's thread with paintwatch.dll and prints the counts as one JSON line.
//
//   paintwatch.exe --hwnd WINDOW --seconds S --cells ID,ID,...
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "paintwatch.h"

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "paintwatch: %s (error %lu)\n", what, GetLastError());
    return 1;
}

void PrintArray(const char* name, const LONG* values, int count) {
    std::printf(",\"%s\":[", name);
    for (int i = 0; i < count; ++i) std::printf("%s%ld", i ? "," : "", values[i]);
    std::printf("]");
}

}  // namespace

int main(int argc, char** argv) {
    HWND window = nullptr;
    double seconds = 60;
    const char* cells = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--hwnd")) {
            window =
                reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoll(argv[i + 1], nullptr, 0)));
        } else if (!std::strcmp(argv[i], "--seconds")) {
            seconds = std::atof(argv[i + 1]);
        } else if (!std::strcmp(argv[i], "--cells")) {
            cells = argv[i + 1];
        }
    }
    if (!window || !cells || !IsWindow(window))
        return Fail("usage: --hwnd W --seconds S --cells IDS");

    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(paintwatch::Shared), paintwatch::kMappingName);
    if (!mapping) return Fail("no mapping");
    auto* shared = static_cast<paintwatch::Shared*>(
        MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(paintwatch::Shared)));
    if (!shared) return Fail("no view");
    std::memset(shared, 0, sizeof *shared);
    shared->window = window;
    const DWORD thread = GetWindowThreadProcessId(window, &shared->targetPid);
    for (const char* p = cells; *p && shared->cellCount < paintwatch::kMaxCells;) {
        char* end = nullptr;
        shared->cellIds[shared->cellCount++] = static_cast<int>(std::strtol(p, &end, 10));
        p = *end == ',' ? end + 1 : end;
    }

    HMODULE dll = LoadLibraryA("paintwatch.dll");
    if (!dll) return Fail("cannot load paintwatch.dll");
    auto getProc =
        reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "GetMessageHook")));
    auto sentProc =
        reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "SentMessageHook")));
    if (!getProc || !sentProc) return Fail("hook procedures missing");
    HHOOK getHook = SetWindowsHookExA(WH_GETMESSAGE, getProc, dll, thread);
    HHOOK sentHook = SetWindowsHookExA(WH_CALLWNDPROC, sentProc, dll, thread);
    if (!getHook || !sentHook) return Fail("cannot hook the window's thread");

    // The hooks load the DLL into the program on its next message.
    for (int i = 0; i < 200 && !shared->hooked; ++i) {
        PostMessageA(window, WM_NULL, 0, 0);
        Sleep(10);
    }
    if (!shared->hooked) return Fail("the hook DLL did not load in the program");
    InterlockedExchange(&shared->counting, 1);
    Sleep(static_cast<DWORD>(seconds * 1000));
    InterlockedExchange(&shared->counting, 0);

    const int n = shared->cellCount;
    std::printf("{\"seconds\":%.1f", seconds);
    PrintArray("cells", reinterpret_cast<const LONG*>(shared->cellIds), n);
    PrintArray("paints", shared->cellPaints, n);
    PrintArray("colours", shared->cellColours, n);
    PrintArray("text_sets", shared->cellTextSets, n);
    PrintArray("text_changes", shared->cellTextChanges, n);
    std::printf(",\"window_paints\":%ld,\"window_erases\":%ld,\"redraw_offs\":%ld}\n",
                shared->windowPaints, shared->windowErases, shared->redrawOffs);
    UnhookWindowsHookEx(getHook);
    UnhookWindowsHookEx(sentHook);
    return 0;
}
