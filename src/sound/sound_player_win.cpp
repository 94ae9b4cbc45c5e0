// The Windows sound platform: MCI through mciSendCommandA, Beep, and C-runtime worker threads.
#include <windows.h>
#include <mmsystem.h>
#include <digitalv.h>

#include <new>

#include "app/shell_state_win.h"
#include "app/thread_lock.h"
#include "sound/sound_player.h"

namespace dt {
namespace {

HWND Window(WindowRef window) { return static_cast<HWND>(window); }

class MciSoundBackend : public SoundBackend {
  public:
    MciError OpenFile(const char* path, MciDevice* device) override {
        MCI_OPEN_PARMSA open = {};
        open.lpstrElementName = path;
        MCIERROR error =
            mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open));
        *device = error ? 0 : open.wDeviceID;
        return static_cast<MciError>(error);
    }

    bool SetPlaybackCaption(MciDevice device, const char* caption) override {
        MCI_DGV_WINDOW_PARMSA window = {};
        window.lpstrText = const_cast<char*>(caption);
        return mciSendCommandA(device, MCI_WINDOW, MCI_WAIT | MCI_DGV_WINDOW_TEXT,
                               reinterpret_cast<DWORD_PTR>(&window)) == 0;
    }

    WindowRef PlaybackWindow(MciDevice device) override {
        MCI_DGV_STATUS_PARMSA status = {};
        status.dwItem = MCI_DGV_STATUS_HWND;
        if (mciSendCommandA(device, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM,
                            reinterpret_cast<DWORD_PTR>(&status)) != 0) {
            return nullptr;
        }
        return reinterpret_cast<WindowRef>(status.dwReturn);
    }

    void SetPlaybackIcon(WindowRef window, void* icon) override {
        PostMessageA(Window(window), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }

    MciError Play(MciDevice device, WindowRef notifyWindow) override {
        MCI_PLAY_PARMS play = {};
        // The whole handle: its high word matters on NT and in 64-bit processes.
        play.dwCallback = reinterpret_cast<DWORD_PTR>(notifyWindow);
        play.dwFrom = 0;
        return static_cast<MciError>(mciSendCommandA(device, MCI_PLAY, MCI_NOTIFY | MCI_FROM,
                                                     reinterpret_cast<DWORD_PTR>(&play)));
    }

    void Stop(MciDevice device) override {
        MCI_GENERIC_PARMS none = {};
        mciSendCommandA(device, MCI_STOP, 0, reinterpret_cast<DWORD_PTR>(&none));
    }

    void Close(MciDevice device) override {
        MCI_GENERIC_PARMS none = {};
        mciSendCommandA(device, MCI_CLOSE, 0, reinterpret_cast<DWORD_PTR>(&none));
    }

    void SendMessageTo(WindowRef window, uint32_t message) override {
        SendMessageA(Window(window), message, 0, 0);
    }

    void NotifyMessageTo(WindowRef window, uint32_t message) override {
        SendNotifyMessageA(Window(window), message, 0, 0);
    }

    bool Beep(uint32_t frequency, uint32_t milliseconds) override {
        return ::Beep(frequency, milliseconds) != 0;
    }

    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }

    bool StartThread(void (*entry)(void*), void* arg) override {
        return StartWorkerThread(entry, arg);
    }

    WindowRef TimerWindow() override { return g_shell.timerWindow; }

    void* ProgramIcon() override { return g_shell.smallIcon; }
};

}  // namespace

SoundBackend& DefaultSoundBackend() {
    // Never destroyed: a beep worker may still use it while the process ends.
    alignas(MciSoundBackend) static unsigned char storage[sizeof(MciSoundBackend)];
    static SoundBackend* backend = new (storage) MciSoundBackend();
    return *backend;
}

}  // namespace dt
