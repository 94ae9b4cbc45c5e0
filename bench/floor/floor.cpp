// The floor of the running-cost comparisons: one small window, one 500 ms timer, an empty loop.
//
//   floor.exe [/hidden] [/ras] [/imports] [/dll:NAME.dll ...]
//
// It does what any program that polls twice a second must do, and nothing else. Two options
// add what the program cannot avoid either, so that its own share can be told apart: /ras lists
// the dial-up connections and asks for the first one's state on every tick, as the program's
// poll does; /imports loads the system DLLs the program imports, /dll: one DLL of them.
#include <windows.h>

#include <initializer_list>

namespace {

using EnumConnections = DWORD(WINAPI*)(void*, DWORD*, DWORD*);
using GetConnectStatus = DWORD(WINAPI*)(HANDLE, void*);
EnumConnections g_enumConnections = nullptr;
GetConnectStatus g_getConnectStatus = nullptr;

// The oldest RASCONNA and RASCONNSTATUSA of 64-bit Windows, the sizes the program asks with, as
// byte blocks: only the size fields and the first connection's handle matter here.
constexpr DWORD kRasConnSize = 416;
constexpr DWORD kRasStatusSize = 160;
alignas(8) unsigned char g_connections[kRasConnSize * 4];
alignas(8) unsigned char g_status[kRasStatusSize];

// What every dial-up poller does each tick: list the connections, ask how the first one is.
void PollRas() {
    *reinterpret_cast<DWORD*>(g_connections) = kRasConnSize;
    DWORD bytes = sizeof g_connections, count = 0;
    if (g_enumConnections(g_connections, &bytes, &count) != 0 || count == 0) return;
    HANDLE connection;
    CopyMemory(&connection, g_connections + 4, sizeof connection);  // packed to 4 bytes
    *reinterpret_cast<DWORD*>(g_status) = kRasStatusSize;
    g_getConnectStatus(connection, g_status);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && g_enumConnections) PollRas();
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The option in the command line, or null; no more DLLs than the floor needs.
const char* FindOption(const char* commandLine, const char* option) {
    const int length = lstrlenA(option);
    for (const char* p = commandLine; *p; ++p) {
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, p, length, option, length) ==
            CSTR_EQUAL) {
            return p;
        }
    }
    return nullptr;
}

bool HasOption(const char* commandLine, const char* option) {
    return FindOption(commandLine, option) != nullptr;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    if (HasOption(commandLine, "/imports")) {
        for (const char* dll : {"comctl32.dll", "gdi32.dll", "ole32.dll", "rasapi32.dll",
                                "shell32.dll", "version.dll", "winmm.dll"}) {
            LoadLibraryA(dll);
        }
    }
    for (const char* p = commandLine; (p = FindOption(p, "/dll:")) != nullptr;) {
        p += 5;
        char name[MAX_PATH];
        int n = 0;
        while (p[n] && p[n] != ' ' && n < MAX_PATH - 1) {
            name[n] = p[n];
            ++n;
        }
        name[n] = '\0';
        LoadLibraryA(name);
    }
    if (HasOption(commandLine, "/ras")) {
        HMODULE ras = LoadLibraryA("rasapi32.dll");
        if (ras) {
            g_enumConnections = reinterpret_cast<EnumConnections>(
                reinterpret_cast<void*>(GetProcAddress(ras, "RasEnumConnectionsA")));
            g_getConnectStatus = reinterpret_cast<GetConnectStatus>(
                reinterpret_cast<void*>(GetProcAddress(ras, "RasGetConnectStatusA")));
        }
        if (!g_enumConnections || !g_getConnectStatus) return 1;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "DialtickFloor";
    if (!RegisterClassA(&windowClass)) return 1;
    // About the timer window's size when it shows a short name and a time.
    const bool hidden = HasOption(commandLine, "/hidden");
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "DialtickFloor", "floor",
                                  WS_POPUP | (hidden ? 0 : WS_VISIBLE), 20, 20, 120, 44, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) return 1;
    SetTimer(window, 1, 500, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
