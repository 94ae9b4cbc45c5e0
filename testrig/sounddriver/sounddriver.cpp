// Drives the program's sound player and run-item launcher under Wine for the end-to-end tests.
//
//   sounddriver play <file> <which> <test 0|1> [stop-after-ms] [--no-timer]
//   sounddriver beep <count> <frequency> [stop-after-ms]
//   sounddriver shutdown-beep <count> <frequency> <after-ms>
//   sounddriver launch <settings file> connect|disconnect
//   sounddriver mark <tag> [anything...]   (a launched program: records how it was started)
//
// Results go to standard output as key=value lines.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/messages.h"
#include "app/registered_messages.h"
#include "app/shell_state_win.h"
#include "app/thread_lock.h"
#include "runlist/run_list.h"
#include "settings/settings_store.h"
#include "sound/sound_player.h"

// The driver's message platform: texts come from its own resources, and every box is printed and
// answered as if nothing could be shown.
namespace dt {

bool LoadText(int id, char* buffer, int size) {
    if (!buffer || size <= 0) return false;
    buffer[0] = '\0';
    return LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, size) > 0;
}
bool SystemErrorText(SysError, char*, int) { return false; }
int ShowAppMessage(WindowRef, const char* text, const char*, int, uint32_t) {
    std::printf("message=%s\n", text ? text : "");
    return kResultNothingShown;
}
int ShowPlainMessage(WindowRef owner, const char* text, const char* caption, int icon,
                     uint32_t buttons) {
    return ShowAppMessage(owner, text, caption, icon, buttons);
}

}  // namespace dt

namespace {

using namespace dt;

int g_started = 0;
int g_ended = 0;
int g_notifications = 0;
WPARAM g_lastNotifyCode = 0;
DWORD g_start = 0;
DWORD g_endedAt = 0;

DWORD Elapsed() { return GetTickCount() - g_start; }

LRESULT CALLBACK DriverProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == MM_MCINOTIFY) {
        ++g_notifications;
        g_lastNotifyCode = wp;
        OnSoundNotify(static_cast<MciDevice>(lp));
        return 0;
    }
    if (message == g_messageIds[kMsgSoundStarted]) {
        ++g_started;
        return 0;
    }
    if (message == g_messageIds[kMsgSoundEnded]) {
        ++g_ended;
        g_endedAt = Elapsed();
        return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

uint32_t Register(const char* name) { return RegisterWindowMessageA(name); }

HWND MakeWindow(const char* title) {
    return CreateWindowExA(0, "DialtickSoundDriver", title, WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

// The stand-ins for the timer window and the Sounds page.
bool SetUpWindows(bool withTimer) {
    g_shell.instance = GetModuleHandleA(nullptr);
    RegisterAllMessages(Register);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DriverProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DialtickSoundDriver";
    if (!RegisterClassA(&windowClass)) return false;
    HWND page = MakeWindow("Sounds page");
    HWND timer = withTimer ? MakeWindow("Timer window") : nullptr;
    if (!page || (withTimer && !timer)) return false;
    g_shell.timerWindow = timer;
    SetSoundsPageWindow(page);
    return true;
}

void Pump(DWORD milliseconds) {
    DWORD until = GetTickCount() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD now = GetTickCount();
        if (static_cast<int32_t>(until - now) <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, until - now, QS_ALLINPUT);
    }
}

// Pumps messages until the player is idle with no worker left, or the time is up.
bool PumpUntilQuiet(DWORD limit, DWORD stopAfter, bool* stopped) {
    while (Elapsed() < limit) {
        Pump(10);
        if (stopAfter && !*stopped && Elapsed() >= stopAfter) {
            *stopped = true;
            StopSound();
            std::printf("state-after-stop=%d\n", static_cast<int>(CurrentSoundState()));
            std::printf("stopped-at=%lu\n", Elapsed());
        }
        if (CurrentSoundState() == SoundState::kIdle && RunningWorkers() == 0) {
            Pump(50);  // let a posted end message arrive
            return true;
        }
    }
    return false;
}

void Report(bool quiet) {
    std::printf("quiet=%d\n", quiet ? 1 : 0);
    std::printf("elapsed=%lu\n", Elapsed());
    std::printf("state=%d\n", static_cast<int>(CurrentSoundState()));
    std::printf("workers=%d\n", RunningWorkers());
    std::printf("started=%d\nended=%d\nended-at=%lu\n", g_started, g_ended, g_endedAt);
    std::printf("notifications=%d\nnotify-code=%lu\n", g_notifications,
                static_cast<unsigned long>(g_lastNotifyCode));
}

int Play(int argc, char** argv) {
    if (argc < 5) return 2;
    const char* file = argv[2];
    int which = std::atoi(argv[3]);
    bool test = std::atoi(argv[4]) != 0;
    DWORD stopAfter = argc > 5 ? static_cast<DWORD>(std::atoi(argv[5])) : 0;
    bool withTimer = !(argc > 6 && std::strcmp(argv[6], "--no-timer") == 0);
    if (!SetUpWindows(withTimer)) return 3;
    if (!test) {
        SoundSpec& spec = g_soundSettings.alerts[which];
        spec.mode = kPlayFile;
        std::snprintf(spec.file, sizeof spec.file, "%s", file);
    }
    g_start = GetTickCount();
    MciError result = PlayAlertSound(which, test ? file : nullptr);
    std::printf("result=%lu\n", static_cast<unsigned long>(result));
    std::printf("state-after-play=%d\n", static_cast<int>(CurrentSoundState()));
    // A second alert while the first plays is dropped, not queued.
    std::printf("second-result=%lu\n",
                static_cast<unsigned long>(PlayAlertSound(which, "Z:\\no\\such\\file.wav")));
    bool stopped = false;
    Report(PumpUntilQuiet(30000, stopAfter, &stopped));
    return 0;
}

int Beeps(int argc, char** argv) {
    if (argc < 4) return 2;
    if (!SetUpWindows(true)) return 3;
    SoundSpec& spec = g_soundSettings.alerts[kWarningAlert];
    spec.mode = kBeep;
    spec.beepCount = std::atoi(argv[2]);
    spec.beepFrequency = std::atoi(argv[3]);
    DWORD stopAfter = argc > 4 ? static_cast<DWORD>(std::atoi(argv[4])) : 0;
    g_start = GetTickCount();
    std::printf("result=%lu\n", static_cast<unsigned long>(PlayAlertSound(kWarningAlert, nullptr)));
    std::printf("state-after-play=%d\n", static_cast<int>(CurrentSoundState()));
    // A file that cannot be opened would give an MCI error if the request were not dropped.
    std::printf("second-result=%lu\n", static_cast<unsigned long>(PlayAlertSound(
                                           kLostConnectionAlert, "Z:\\no\\such\\file.wav")));
    bool stopped = false;
    Report(PumpUntilQuiet(30000, stopAfter, &stopped));
    return 0;
}

int ShutdownBeeps(int argc, char** argv) {
    if (argc < 5) return 2;
    if (!SetUpWindows(true)) return 3;
    BeepRequest* request = NewBeepRequest(std::atoi(argv[2]), std::atoi(argv[3]));
    g_start = GetTickCount();
    std::printf("started-beeps=%d\n", StartBeeps(request) ? 1 : 0);
    Pump(static_cast<DWORD>(std::atoi(argv[4])));
    DWORD before = Elapsed();
    StopSoundForShutdown();
    int left = WaitForWorkers();
    std::printf("shutdown-wait=%lu\nleft=%d\n", Elapsed() - before, left);
    Report(left == 0);
    return 0;
}

int Launch(int argc, char** argv) {
    if (argc < 4) return 2;
    SysError error = 0;
    if (!Settings().Load(argv[2], &error)) {
        std::printf("load-error=%lu\n", static_cast<unsigned long>(error));
        return 4;
    }
    g_start = GetTickCount();
    LaunchRunItems(nullptr, std::strcmp(argv[3], "connect") == 0);
    std::printf("launch-returned=%lu\n", Elapsed());
    int left = WaitForWorkers();
    std::printf("left=%d\nelapsed=%lu\n", left, Elapsed());
    return 0;
}

// Writes, into %DT_MARKER_DIR%\<tag>.txt, the current folder and the command line exactly as
// this process received it.
int Mark(int argc, char** argv) {
    if (argc < 3) return 2;
    const char* folder = std::getenv("DT_MARKER_DIR");
    if (!folder) return 5;
    char path[MAX_PATH], current[MAX_PATH];
    std::snprintf(path, sizeof path, "%s\\%s.txt", folder, argv[2]);
    if (!GetCurrentDirectoryA(sizeof current, current)) current[0] = '\0';
    FILE* out = std::fopen(path, "wb");
    if (!out) return 6;
    std::fprintf(out, "%s\n%s\n", current, GetCommandLineA());
    std::fclose(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) return 2;
    const char* command = argv[1];
    if (std::strcmp(command, "play") == 0) return Play(argc, argv);
    if (std::strcmp(command, "beep") == 0) return Beeps(argc, argv);
    if (std::strcmp(command, "shutdown-beep") == 0) return ShutdownBeeps(argc, argv);
    if (std::strcmp(command, "launch") == 0) return Launch(argc, argv);
    if (std::strcmp(command, "mark") == 0) return Mark(argc, argv);
    return 2;
}
