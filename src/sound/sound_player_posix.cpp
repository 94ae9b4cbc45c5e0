// The native build's sound platform: no media control interface and no speaker, so files fail
// to open and a beep sequence ends at its first tone.
#include <new>

#include "app/thread_lock.h"
#include "sound/sound_player.h"

namespace dt {
namespace {

// MCIERR_UNSUPPORTED_FUNCTION.
constexpr MciError kNoMci = 274;

class SilentSoundBackend : public SoundBackend {
  public:
    MciError OpenFile(const char*, MciDevice* device) override {
        *device = 0;
        return kNoMci;
    }
    bool SetPlaybackCaption(MciDevice, const char*) override { return false; }
    WindowRef PlaybackWindow(MciDevice) override { return nullptr; }
    void SetPlaybackIcon(WindowRef, void*) override {}
    MciError Play(MciDevice, WindowRef) override { return kNoMci; }
    void Stop(MciDevice) override {}
    void Close(MciDevice) override {}
    void SendMessageTo(WindowRef, uint32_t) override {}
    void NotifyMessageTo(WindowRef, uint32_t) override {}
    bool Beep(uint32_t, uint32_t) override { return false; }
    void Sleep(uint32_t milliseconds) override { SleepMilliseconds(milliseconds); }
    bool StartThread(void (*entry)(void*), void* arg) override {
        return StartWorkerThread(entry, arg);
    }
    WindowRef TimerWindow() override { return nullptr; }
    void* ProgramIcon() override { return nullptr; }
};

}  // namespace

SoundBackend& DefaultSoundBackend() {
    // Never destroyed: a beep worker may still use it while the process ends.
    alignas(SilentSoundBackend) static unsigned char storage[sizeof(SilentSoundBackend)];
    static SoundBackend* backend = new (storage) SilentSoundBackend();
    return *backend;
}

}  // namespace dt
