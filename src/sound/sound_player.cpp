// The sound player's states and transitions, over the platform's MCI, Beep and threads.
#include "sound/sound_player.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/command_line.h"
#include "app/messages.h"
#include "app/registered_messages.h"
#include "app/thread_lock.h"
#include "resources/resource_ids.h"

namespace dt {

SoundBackend& DefaultSoundBackend();

namespace {

constexpr uint32_t kToneMs = 500;
constexpr uint32_t kGapMs = 500;
constexpr size_t kTextSize = 260;

SoundBackend* g_backend = nullptr;

// Guarded by the lock. The serial grows with every sound started, so that a beep worker that
// was stopped can tell whether the player has moved on to another sound since.
SoundState g_state = SoundState::kIdle;
uint32_t g_serial = 0;
WindowRef g_soundsPage = nullptr;

// User-interface thread only.
MciDevice g_device = 0;
char g_pathCopy[kTextSize];

uint32_t StartedMessage() { return g_messageIds[kMsgSoundStarted]; }
uint32_t EndedMessage() { return g_messageIds[kMsgSoundEnded]; }

// MCI reports the end of a file here: the timer window, or the Sounds page without it.
WindowRef NotifyWindow(SoundBackend& backend) {
    WindowRef timer = backend.TimerWindow();
    return timer ? timer : SoundsPageWindow();
}

void TellPage(SoundBackend& backend, uint32_t message) {
    WindowRef page = SoundsPageWindow();
    if (page) backend.SendMessageTo(page, message);
}

// Under the lock: the worker's sequence is still the sound being played.
bool StillMine(const BeepRequest& request) {
    return g_state == SoundState::kBeeping && g_serial == request.serial;
}

void BeepWorker(void* arg) {
    auto* request = static_cast<BeepRequest*>(arg);
    SoundBackend* backend = request->backend;
    if (request->count >= 1 && request->count <= 9 && request->frequency >= 50 &&
        request->frequency <= 4000) {
        for (int i = 0;; ++i) {
            {
                ScopedThreadLock hold;
                if (!StillMine(*request)) break;
            }
            if (!backend->Beep(request->frequency, kToneMs)) break;
            {
                ScopedThreadLock hold;
                if (!StillMine(*request)) break;
            }
            if (i + 1 >= request->count) break;
            backend->Sleep(kGapMs);
        }
    }
    const uint32_t serial = request->serial;
    FreeBeepRequest(request);

    ScopedThreadLock hold;
    // A sound started after this one was stopped keeps its state and its Stop button.
    if (g_serial == serial) {
        // Posted, not sent: the page's thread may itself be waiting for the lock.
        if (g_soundsPage) backend->NotifyMessageTo(g_soundsPage, EndedMessage());
        g_state = SoundState::kIdle;
    }
    RemoveWorkerLocked();  // the last action: the shutdown wait counts on it
}

}  // namespace

SoundBackend& SoundPlatform() { return g_backend ? *g_backend : DefaultSoundBackend(); }
void SetSoundBackend(SoundBackend* backend) { g_backend = backend; }

BeepRequest* NewBeepRequest(int32_t count, uint32_t frequency) {
    auto* request = static_cast<BeepRequest*>(std::calloc(1, sizeof(BeepRequest)));
    if (request) {
        request->count = count;
        request->frequency = frequency;
    }
    return request;
}

void FreeBeepRequest(BeepRequest* request) { std::free(request); }

SoundState CurrentSoundState() {
    ScopedThreadLock hold;
    return g_state;
}

void SetSoundsPageWindow(WindowRef page) {
    ScopedThreadLock hold;
    g_soundsPage = page;
}

WindowRef SoundsPageWindow() {
    ScopedThreadLock hold;
    return g_soundsPage;
}

bool StartBeeps(BeepRequest* request) {
    if (!request) return false;
    SoundBackend& backend = SoundPlatform();
    {
        ScopedThreadLock hold;
        if (g_state == SoundState::kIdle) {
            AddWorkerLocked();
            // Sent and waited for: the page belongs to this thread, so it is handled at once.
            if (g_soundsPage) backend.SendMessageTo(g_soundsPage, StartedMessage());
            g_state = SoundState::kBeeping;
            request->serial = ++g_serial;
            request->backend = &backend;
        } else {
            request->backend = nullptr;
        }
    }
    if (!request->backend) {
        FreeBeepRequest(request);  // dropped: one sound at a time, and no queue
        return false;
    }
    const uint32_t serial = request->serial;
    if (backend.StartThread(BeepWorker, request)) return true;

    FreeBeepRequest(request);
    ScopedThreadLock hold;
    RemoveWorkerLocked();
    if (g_soundsPage) backend.SendMessageTo(g_soundsPage, EndedMessage());
    if (g_serial == serial) g_state = SoundState::kIdle;
    return false;
}

MciError PlayAlertSound(int which, const char* testPath) {
    if (CurrentSoundState() != SoundState::kIdle) return 0;
    if (which != kLostConnectionAlert && which != kWarningAlert) return 0;
    const char* file = testPath;
    if (!testPath) {
        const SoundSpec& spec = g_soundSettings.alerts[which];
        if (spec.mode == kBeep) {
            BeepRequest* request =
                NewBeepRequest(spec.beepCount, static_cast<uint32_t>(spec.beepFrequency));
            if (!request) return kMciErrorNotEnoughMemory;
            StartBeeps(request);
            return 0;
        }
        if (spec.mode != kPlayFile) return 0;
        file = spec.file;
    }

    auto* caption = static_cast<char*>(AllocBuffer(nullptr, kTextSize, false, true));
    if (!caption) return 0;
    auto* name = static_cast<char*>(AllocBuffer(nullptr, kTextSize, false, true));
    if (!name) {
        std::free(caption);
        return 0;
    }

    SoundBackend& backend = SoundPlatform();
    std::memset(g_pathCopy, 0, sizeof g_pathCopy);
    std::strncpy(g_pathCopy, file, sizeof g_pathCopy - 1);
    MciDevice device = 0;
    MciError error = backend.OpenFile(g_pathCopy, &device);
    if (error == 0) {
        if (!LoadText(which == kWarningAlert ? IDS_WARNING_TIME_SOUND : IDS_DISCONNECTION_SOUND,
                      name, static_cast<int>(kTextSize))) {
            name[0] = '\0';
        }
        std::snprintf(caption, kTextSize, "%s %s %s", kProductName, testPath ? "Test" : "", name);
        // Only video devices have a playback window to name; audio fails here, which is fine.
        if (backend.SetPlaybackCaption(device, caption)) {
            WindowRef window = backend.PlaybackWindow(device);
            void* icon = backend.ProgramIcon();
            if (window && icon) backend.SetPlaybackIcon(window, icon);
        }
        TellPage(backend, StartedMessage());
        {
            ScopedThreadLock hold;
            g_state = SoundState::kPlayingFile;
            ++g_serial;
        }
        g_device = device;
        error = backend.Play(device, NotifyWindow(backend));
        if (error != 0) {
            {
                ScopedThreadLock hold;
                g_state = SoundState::kIdle;
            }
            g_device = 0;
            backend.Close(device);
            TellPage(backend, EndedMessage());
        }
    }
    std::free(name);
    std::free(caption);
    return error;
}

void StopSound() {
    SoundState state;
    {
        ScopedThreadLock hold;
        state = g_state;
        // The worker sees this before its next tone; the tone that sounds now is not cut short.
        if (state == SoundState::kBeeping) g_state = SoundState::kIdle;
    }
    // The state changes when MCI's notification (aborted) arrives.
    if (state == SoundState::kPlayingFile && g_device) SoundPlatform().Stop(g_device);
}

void OnSoundNotify(MciDevice device) {
    SoundBackend& backend = SoundPlatform();
    if (device) backend.Close(device);
    // A late notice for a device already given up must not end the sound that plays now.
    if (!device || device != g_device) return;
    {
        ScopedThreadLock hold;
        g_state = SoundState::kIdle;
    }
    g_device = 0;
    TellPage(backend, EndedMessage());
}

void StopSoundForShutdown() {
    SoundState state;
    {
        ScopedThreadLock hold;
        state = g_state;
        if (state != SoundState::kIdle) g_state = SoundState::kIdle;
    }
    // No notification will be handled any more, so the device is closed here.
    if (state == SoundState::kPlayingFile && g_device) {
        SoundBackend& backend = SoundPlatform();
        backend.Stop(g_device);
        backend.Close(g_device);
        g_device = 0;
    }
}

}  // namespace dt
