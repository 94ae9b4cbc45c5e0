// Times opening the Settings window (all four pages made and painted) against a bare tabbed
// dialog that makes the same frame and the same four page templates without any logic, in turns.
//
//   bench_settings_window.exe --ini PATH [--rounds N]
//
// Prints one JSON line per subject with the median, fastest and slowest opening in ms, and one
// with the ratio of the medians.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "app/registered_messages.h"
#include "app/shell_state_win.h"
#include "engine/connection_monitor.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "settingsui/settings_window_win.h"

namespace {

const int kPageTemplates[] = {IDD_CONNECTIONS_PAGE, IDD_RUN_PAGE, IDD_DISPLAY_PAGE,
                              IDD_SOUNDS_PAGE};
const char* const kLabels[] = {"Connections", "Run", "Display", "Sounds"};

HINSTANCE Instance() { return dt::g_shell.instance; }

INT_PTR CALLBACK BarePage(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// What any tabbed dialog of these templates must do: the pages, the tabs, the first page shown.
INT_PTR CALLBACK BareFrame(HWND window, UINT msg, WPARAM, LPARAM) {
    if (msg != WM_INITDIALOG) return FALSE;
    HWND tabs = GetDlgItem(window, IDC_SETTINGS_TABS);
    HWND pages[4];
    for (int i = 0; i < 4; ++i) {
        pages[i] = CreateDialogParamA(Instance(), MAKEINTRESOURCEA(kPageTemplates[i]), window,
                                      BarePage, 0);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(kLabels[i]);
        SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    RECT area;
    GetWindowRect(tabs, &area);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
    SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (HWND page : pages) {
        SetWindowPos(page, HWND_TOP, area.left, area.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ShowWindow(pages[0], SW_SHOW);
    return TRUE;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

double Ms(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// One opening, painted, then closed (the closing is not timed).
double Open(bool program) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    HWND window;
    if (program) {
        dt::OpenSettingsWindow();
        window = dt::g_shell.settingsWindow;
    } else {
        window = CreateDialogParamA(Instance(), MAKEINTRESOURCEA(IDD_SETTINGS_WINDOW), nullptr,
                                    BareFrame, 0);
    }
    if (!window) {
        std::fprintf(stderr, "the %s dialog did not open\n", program ? "program's" : "bare");
        std::exit(1);
    }
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    QueryPerformanceCounter(&end);
    DestroyWindow(window);
    Pump();
    return Ms(start, end);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Report(const char* subject, const std::vector<double>& times) {
    std::printf(
        "{\"bench\": \"settings_window\", \"subject\": \"%s\", \"median_ms\": %.3f, "
        "\"min_ms\": %.3f, \"max_ms\": %.3f, \"runs\": %u}\n",
        subject, Median(times), *std::min_element(times.begin(), times.end()),
        *std::max_element(times.begin(), times.end()), static_cast<unsigned>(times.size()));
}

UINT Register(const char* name) { return RegisterWindowMessageA(name); }

}  // namespace

int main(int argc, char** argv) {
    const char* ini = nullptr;
    int rounds = 25;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--ini")) ini = argv[i + 1];
        if (!std::strcmp(argv[i], "--rounds")) rounds = std::atoi(argv[i + 1]);
    }
    if (!ini || rounds < 1) {
        std::fprintf(stderr, "usage: bench_settings_window --ini PATH [--rounds N]\n");
        return 2;
    }
    dt::g_shell.instance = GetModuleHandleA(nullptr);
    dt::g_shell.settingsWindowModal = false;
    dt::g_app.buttons = {1540, 516, 1536};
    dt::SysError error = 0;
    if (!dt::Settings().Load(ini, &error)) {
        std::fprintf(stderr, "cannot load %s (%lu)\n", ini, static_cast<unsigned long>(error));
        return 1;
    }
    dt::RegisterAllMessages(Register);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    dt::ResetMonitor();

    // A first opening of each loads what the system loads once.
    Open(true);
    Open(false);
    std::vector<double> program, bare;
    for (int i = 0; i < rounds; ++i) {
        // In turns, each first every other round, so that both meet the same machine.
        const bool programFirst = i % 2 == 0;
        (programFirst ? program : bare).push_back(Open(programFirst));
        (programFirst ? bare : program).push_back(Open(!programFirst));
    }
    Report("program", program);
    Report("bare", bare);
    std::printf("{\"bench\": \"settings_window\", \"subject\": \"ratio\", \"ratio\": %.3f}\n",
                Median(program) / Median(bare));
    return 0;
}
