// The sound player: the two alert sounds as a file played through MCI or as a beep sequence.
#pragma once

#include <cstdint>

#include "app/platform.h"
#include "sound/sound_settings.h"

namespace dt {

// Guarded by the process-wide ThreadLock.
enum class SoundState : int32_t { kIdle = 0, kPlayingFile = 1, kBeeping = 2 };

using MciDevice = uint32_t;
using MciError = uint32_t;
constexpr MciError kMciErrorNotEnoughMemory = 8;

class SoundBackend;

// Made by the requester, owned by the player once handed to StartBeeps.
struct BeepRequest {
    int32_t count;
    uint32_t frequency;
    // Set by StartBeeps: which sound the worker belongs to, and the platform it plays on.
    uint32_t serial;
    SoundBackend* backend;
};
// Null when memory is short.
BeepRequest* NewBeepRequest(int32_t count, uint32_t frequency);
void FreeBeepRequest(BeepRequest* request);

// Plays alert `which` (kLostConnectionAlert or kWarningAlert) from SoundSettings, or, with a
// test path, that file under the alert's test caption. 0 when a sound started, when there was
// nothing to play, when a sound already plays (the request is dropped) and when a text buffer
// could not be had (message 2047 was shown); 8 when a beep request could not be had; otherwise
// the MCI error of the failed open or play. User-interface thread only.
MciError PlayAlertSound(int which, const char* testPath);
// Starts a beep sequence; the request is the player's from here on. False when nothing started
// (a sound already plays, or the worker could not be started).
bool StartBeeps(BeepRequest* request);
// Stops a file (its end then arrives as the MCI notification) or ends a beep sequence after its
// current tone.
void StopSound();
// The MM_MCINOTIFY handler of the notification window; `device` is the message's second
// parameter.
void OnSoundNotify(MciDevice device);
// After the message loop: stops and closes a file without waiting for its notification, or ends
// a beep sequence. Then wait for the workers (WaitForWorkers).
void StopSoundForShutdown();
// Read under the lock.
SoundState CurrentSoundState();

// The Sounds page's window while it exists, none otherwise. It receives MsgSoundStarted and
// MsgSoundEnded, and MCI's notifications while there is no timer window.
void SetSoundsPageWindow(WindowRef page);
WindowRef SoundsPageWindow();

// What the player needs from the platform; tests install their own.
class SoundBackend {
  public:
    virtual ~SoundBackend() = default;
    // MCI_OPEN by element name alone, so that MCI picks the device by the file's type.
    virtual MciError OpenFile(const char* path, MciDevice* device) = 0;
    // MCI_WINDOW with the caption; fails for devices without a playback window.
    virtual bool SetPlaybackCaption(MciDevice device, const char* caption) = 0;
    // MCI_STATUS for the playback window's handle; none when it fails.
    virtual WindowRef PlaybackWindow(MciDevice device) = 0;
    // Posts the small icon to the playback window.
    virtual void SetPlaybackIcon(WindowRef window, void* icon) = 0;
    // MCI_PLAY from the start with a notification to `notifyWindow`.
    virtual MciError Play(MciDevice device, WindowRef notifyWindow) = 0;
    virtual void Stop(MciDevice device) = 0;
    virtual void Close(MciDevice device) = 0;
    // A message with both parameters 0: sent and waited for, or posted as a notify-message.
    virtual void SendMessageTo(WindowRef window, uint32_t message) = 0;
    virtual void NotifyMessageTo(WindowRef window, uint32_t message) = 0;
    virtual bool Beep(uint32_t frequency, uint32_t milliseconds) = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
    virtual bool StartThread(void (*entry)(void*), void* arg) = 0;
    // The timer window while it exists; none otherwise.
    virtual WindowRef TimerWindow() = 0;
    // The program's small icon; none when it could not be loaded.
    virtual void* ProgramIcon() = 0;
};
SoundBackend& SoundPlatform();
void SetSoundBackend(SoundBackend* backend);

}  // namespace dt
