// The entry routine: single instance, system checks, settings, the timer window, the loop,
// shutdown.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/messages.h"
#include "app/registered_messages.h"
#include "app/shell_state_win.h"
#include "app/startup.h"
#include "app/thread_lock.h"
#include "engine/connection_monitor.h"
#include "resources/resource_ids.h"
#include "settings/program_settings.h"
#include "settings/program_settings_win.h"
#include "settings/settings_store.h"
#include "settingsui/settings_window_win.h"
#include "sound/sound_player.h"
#include "timerwin/placement_win.h"
#include "timerwin/timer_font_win.h"
#include "timerwin/timer_window_win.h"

namespace dt {
namespace {

constexpr SysError kErrorFilenameTooLong = 206;

HMODULE g_user32 = nullptr;

void ShowGeneralFailure() {
    char format[260], text[kScratchSize], caption[64];
    if (!LoadText(IDS_STARTUP_FAILED, format, sizeof format)) return;
    std::snprintf(text, sizeof text, format, kProductName);
    if (!LoadText(IDS_DIALTICK_ERROR, caption, sizeof caption)) caption[0] = '\0';
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONSTOP);
}

OsClass QueryOsClass() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    BOOL ok = GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return ClassifyOs(ok != 0, info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

// Tells the user the system is too old or unknown.
void ShowOsRefusal(OsClass osClass) {
    char text[kScratchSize], caption[64];
    if (!LoadText(IDS_DIALTICK_ERROR, caption, sizeof caption)) caption[0] = '\0';
    if (osClass == kOsUnknown) {
        if (!LoadText(IDS_SYSTEM_UNKNOWN, text, sizeof text)) return;
    } else {
        char format[260], system[32];
        if (!LoadText(IDS_SYSTEM_TOO_OLD, format, sizeof format)) return;
        LoadText(osClass == kOsWin32s ? IDS_OS_32S : IDS_OS_NT31, system, sizeof system);
        std::snprintf(text, sizeof text, format, kProductName, kProductName, system);
    }
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
}

// Reads the file version of a system library; false when it cannot be read.
bool ReadLibraryVersion(const char* systemDir, const char* name, uint32_t* major, uint32_t* minor) {
    char path[MAX_PATH + 32];
    std::snprintf(path, sizeof path, "%s\\%s", systemDir, name);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return false;
    void* data = std::malloc(size);
    if (!data) return false;
    bool ok = false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (GetFileVersionInfoA(path, 0, size, data) &&
        VerQueryValueA(data, "\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed &&
        fixedSize >= sizeof(VS_FIXEDFILEINFO)) {
        *major = HIWORD(fixed->dwFileVersionMS);
        *minor = LOWORD(fixed->dwFileVersionMS);
        ok = true;
    }
    std::free(data);
    return ok;
}

bool CheckLibraries() {
    char systemDir[MAX_PATH];
    UINT n = GetSystemDirectoryA(systemDir, sizeof systemDir);
    if (n == 0 || n >= sizeof systemDir) {
        ShowSimpleError(nullptr, IDS_NO_SYSTEM_FOLDER);
        return false;
    }
    if (!ReadLibraryVersion(systemDir, "shell32.dll", &g_shell.shellMajor, &g_shell.shellMinor)) {
        ShowSimpleError(nullptr, IDS_SHELL_VERSION_UNREADABLE);
        return false;
    }
    if (g_shell.shellMajor < 4) {
        ShowSimpleError(nullptr, IDS_SHELL_TOO_OLD);
        return false;
    }
    if (!ReadLibraryVersion(systemDir, "comctl32.dll", &g_shell.comctlMajor,
                            &g_shell.comctlMinor)) {
        ShowSimpleError(nullptr, IDS_COMCTL_VERSION_UNREADABLE);
        return false;
    }
    if (!VersionAtLeast(g_shell.comctlMajor, g_shell.comctlMinor, 4, 71)) {
        ShowSimpleError(nullptr, IDS_COMCTL_TOO_OLD);
        return false;
    }
    return true;
}

uint32_t RegisterName(const char* name) { return RegisterWindowMessageA(name); }

// InitCommonControlsEx is looked up: the first Windows 95 common controls lack it, and the
// program must load there to tell the user that the library is too old.
void InitCommonControlsOnce() {
    using InitExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    auto initEx = comctl ? reinterpret_cast<InitExFn>(reinterpret_cast<void*>(
                               GetProcAddress(comctl, "InitCommonControlsEx")))
                         : nullptr;
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS;
    if (!initEx || !initEx(&icc)) InitCommonControls();
}

void LookUpLayeredWindows() {
    g_user32 = LoadLibraryA("User32.dll");
    if (!g_user32) return;
    g_setLayeredWindowAttributes = reinterpret_cast<SetLayeredFn>(
        reinterpret_cast<void*>(GetProcAddress(g_user32, "SetLayeredWindowAttributes")));
    g_app.layeredAvailable = g_setLayeredWindowAttributes != nullptr;
}

void RunMessageLoop() {
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) {
            CloseAllWindows(false);
            continue;
        }
        HWND timer = g_shell.timerWindow;
        HWND settings = g_shell.settingsWindow;
        HWND about = g_shell.aboutBox;
        if (timer && IsDialogMessageA(timer, &msg)) continue;
        if (settings && IsDialogMessageA(settings, &msg)) continue;
        if (about && IsDialogMessageA(about, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Steps of the start-up after the single-instance check; false ends the program.
bool StartUp(const CommandLineOptions& options) {
    g_app.osClass = QueryOsClass();
    if (!OsCanRun(g_app.osClass)) {
        ShowOsRefusal(g_app.osClass);
        return false;
    }

    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    ResetMonitor();
    g_shell.smallIcon = static_cast<HICON>(LoadImageA(
        g_shell.instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    if (!CheckLibraries()) return false;

    g_shell.settingsPath = static_cast<char*>(AllocBuffer(nullptr, kPathSize, true, true));
    if (!g_shell.settingsPath) return false;
    char currentDir[MAX_PATH + 1] = {};
    DWORD n = GetCurrentDirectoryA(sizeof currentDir, currentDir);
    if (n >= sizeof currentDir) currentDir[0] = '\0';
    switch (ChooseSettingsPath(options, currentDir, g_shell.settingsPath, kPathSize)) {
        case SettingsPathChoice::kBadParameter:
            ShowSimpleError(nullptr, IDS_BAD_INI_PARAMETER);
            return false;
        case SettingsPathChoice::kTooLong: {
            // The default name does not fit a path: say which file could not be opened.
            char format[260], text[kScratchSize];
            if (LoadText(IDS_CANNOT_OPEN_SETTINGS, format, sizeof format)) {
                std::snprintf(text, sizeof text, format, kProductName, currentDir);
                ShowSystemError(nullptr, kErrorFilenameTooLong, text, kIconStop, kButtonOk);
            }
            ShowGeneralFailure();
            return false;
        }
        default:
            break;
    }

    g_app.buttons = ChooseButtonSets(g_app.osClass);
    StartupResult r = LoadSettingsWithRetry(g_shell.settingsPath);
    if (r == StartupResult::kContinue) r = ProveSettingsWritable(g_app.buttons.writeError);
    if (r != StartupResult::kContinue) {
        if (r == StartupResult::kEndWithGeneralMessage) ShowGeneralFailure();
        return false;
    }

    RegisterAllMessages(RegisterName);
    InitCommonControlsOnce();
    LookUpLayeredWindows();

    if (!LoadProgramSettingsFromSystem()) {
        ShowGeneralFailure();
        return false;
    }

    if (g_shell.openSettingsFlag && g_shell.settingsWindowModal) {
        OpenSettingsWindow();
        return false;
    }
    g_shell.settingsWindowModal = false;
    int32_t x = 0, y = 0;
    if (!ReadWindowPosition(g_app.buttons.readError, &x, &y)) {
        ShowGeneralFailure();
        return false;
    }
    if (!CreateTimerWindow(x, y)) {
        ShowGeneralFailure();
        return false;
    }
    RunMessageLoop();
    return true;
}

// Everything after the loop, or after a start-up step that ended the program.
void ShutDown() {
    for (char*& buffer : g_app.scratch) {
        std::free(buffer);
        buffer = nullptr;
    }
    std::free(g_shell.settingsPath);
    g_shell.settingsPath = nullptr;
    if (g_user32) {
        g_setLayeredWindowAttributes = nullptr;
        FreeLibrary(g_user32);
        g_user32 = nullptr;
    }
    DeleteTimerFont();
    DeleteDisplayBrushes();
    StopSoundForShutdown();
    WaitForWorkers();
}

int Run(HINSTANCE instance, const char* commandLine) {
    g_shell.instance = instance;
    for (char*& buffer : g_app.scratch) {
        buffer = static_cast<char*>(std::calloc(1, kScratchSize));
        if (!buffer) {
            if (g_app.scratch[0]) ShowSimpleError(nullptr, IDS_OUT_OF_MEMORY);
            ShutDown();
            return 0;
        }
    }
    CommandLineOptions options = ParseCommandLine(commandLine);
    if (options.examined) std::snprintf(g_app.scratch[0], kScratchSize, " %s ", commandLine);
    g_shell.openSettingsFlag = options.openSettings;

    SetLastError(0);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        int index = g_shell.openSettingsFlag ? kMsgOpenSettings : kMsgActivateInstance;
        UINT message = RegisterWindowMessageA(kRegisteredMessages[index].name);
        if (!message) message = kRegisteredMessages[index].fallback;
        SendNotifyMessageA(HWND_BROADCAST, message, 0, 0);
        CloseHandle(mutex);
        ShutDown();
        return 0;
    }
    StartUp(options);
    ShutDown();
    // The mutex is held until the process ends.
    (void)mutex;
    return 0;
}

}  // namespace
}  // namespace dt

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return dt::Run(instance, commandLine);
}
