// Tests of the sound player's state machine, its MCI sequence and its beep workers.
#include "sound/sound_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/registered_messages.h"
#include "app/thread_lock.h"
#include "support/fake_platform.h"

namespace dt {
namespace {

using test::ScriptedMessages;

WindowRef const kTimerWindow = reinterpret_cast<WindowRef>(0x1000);
WindowRef const kPage = reinterpret_cast<WindowRef>(0x2000);
WindowRef const kVideoWindow = reinterpret_cast<WindowRef>(0x3000);
void* const kIcon = reinterpret_cast<void*>(0x4000);

// Waits for the workers in short steps (the shutdown's half-second steps are tested elsewhere);
// the number still running after 10 s.
int Drain() {
    for (int i = 0; i < 10000 && RunningWorkers() > 0; ++i) SleepMilliseconds(1);
    return RunningWorkers();
}

uint32_t Started() { return g_messageIds[kMsgSoundStarted]; }
uint32_t Ended() { return g_messageIds[kMsgSoundEnded]; }

struct PageMessage {
    uint32_t message;
    bool sent;       // waited for (SendMessage) rather than posted
    bool underLock;  // the sender held the thread lock
};

// Stands in for MCI, the speaker and the thread starter, and records what the player asked.
// Workers call it from their own threads, so everything it keeps is under its own mutex.
class FakeSound : public SoundBackend {
  public:
    FakeSound() { SetSoundBackend(this); }
    ~FakeSound() override { SetSoundBackend(nullptr); }

    MciError OpenFile(const char* path, MciDevice* device) override {
        std::lock_guard<std::mutex> hold(mutex_);
        openedPaths.push_back(path);
        if (openError) return openError;
        *device = nextDevice++;
        return 0;
    }
    bool SetPlaybackCaption(MciDevice, const char* caption) override {
        std::lock_guard<std::mutex> hold(mutex_);
        captions.push_back(caption);
        return isVideo;
    }
    WindowRef PlaybackWindow(MciDevice) override {
        std::lock_guard<std::mutex> hold(mutex_);
        ++statusQueries;
        return isVideo ? kVideoWindow : nullptr;
    }
    void SetPlaybackIcon(WindowRef window, void* icon) override {
        std::lock_guard<std::mutex> hold(mutex_);
        iconPosts.push_back({window, icon});
    }
    MciError Play(MciDevice device, WindowRef notifyWindow) override {
        // Play is called without the thread lock, so the state can be read here.
        SoundState state = CurrentSoundState();
        std::lock_guard<std::mutex> hold(mutex_);
        played.push_back(device);
        notifyWindows.push_back(notifyWindow);
        stateWhenPlayed = state;
        return playError;
    }
    void Stop(MciDevice device) override {
        std::lock_guard<std::mutex> hold(mutex_);
        stopped.push_back(device);
    }
    void Close(MciDevice device) override {
        std::lock_guard<std::mutex> hold(mutex_);
        closed.push_back(device);
    }
    void SendMessageTo(WindowRef window, uint32_t message) override {
        Record(window, message, true);
    }
    void NotifyMessageTo(WindowRef window, uint32_t message) override {
        Record(window, message, false);
    }
    bool Beep(uint32_t frequency, uint32_t milliseconds) override {
        std::unique_lock<std::mutex> hold(mutex_);
        beeps.push_back(frequency);
        toneLengths.push_back(milliseconds);
        ++beepsStarted;
        changed_.notify_all();
        // A held gate keeps the tone "sounding" until the test lets it end.
        changed_.wait(hold, [&] { return !gateClosed || beepsStarted <= gatedBeeps; });
        return beeps.size() <= static_cast<size_t>(beepsBeforeFailure);
    }
    void Sleep(uint32_t milliseconds) override {
        std::lock_guard<std::mutex> hold(mutex_);
        sleeps.push_back(milliseconds);
    }
    bool StartThread(void (*entry)(void*), void* arg) override {
        if (failThreads) return false;
        return StartWorkerThread(entry, arg);
    }
    WindowRef TimerWindow() override { return timerWindow; }
    void* ProgramIcon() override { return programIcon; }

    // Tones after the first `count` wait in Beep until OpenGate.
    void CloseGateAfter(int count) {
        std::lock_guard<std::mutex> hold(mutex_);
        gateClosed = true;
        gatedBeeps = count;
    }
    void OpenGate() {
        std::lock_guard<std::mutex> hold(mutex_);
        gateClosed = false;
        changed_.notify_all();
    }
    // Waits until `count` tones have begun.
    bool WaitForBeeps(int count) {
        std::unique_lock<std::mutex> hold(mutex_);
        return changed_.wait_for(hold, std::chrono::seconds(10),
                                 [&] { return beepsStarted >= count; });
    }
    std::vector<PageMessage> PageMessages() {
        std::lock_guard<std::mutex> hold(mutex_);
        return pageMessages;
    }
    size_t BeepCount() {
        std::lock_guard<std::mutex> hold(mutex_);
        return beeps.size();
    }

    MciError openError = 0;
    MciError playError = 0;
    bool isVideo = false;
    bool failThreads = false;
    WindowRef timerWindow = kTimerWindow;
    void* programIcon = kIcon;
    int beepsBeforeFailure = 1000000;
    MciDevice nextDevice = 11;
    std::vector<std::string> openedPaths, captions;
    int statusQueries = 0;
    std::vector<std::pair<WindowRef, void*>> iconPosts;
    std::vector<MciDevice> played, stopped, closed;
    std::vector<WindowRef> notifyWindows;
    SoundState stateWhenPlayed = SoundState::kIdle;
    std::vector<uint32_t> beeps, toneLengths, sleeps;
    std::vector<PageMessage> pageMessages;

  private:
    void Record(WindowRef window, uint32_t message, bool sent) {
        bool underLock = TheThreadLock().HeldByCaller();
        std::lock_guard<std::mutex> hold(mutex_);
        EXPECT_EQ(window, kPage);
        pageMessages.push_back({message, sent, underLock});
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    bool gateClosed = false;
    int gatedBeeps = 0;
    int beepsStarted = 0;
};

class SoundPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSoundsPageWindow(kPage);
        std::memset(&g_soundSettings, 0, sizeof g_soundSettings);
    }
    void TearDown() override {
        sound.OpenGate();
        StopSoundForShutdown();
        EXPECT_EQ(Drain(), 0);
        EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
        SetSoundsPageWindow(nullptr);
    }

    // Ends the file that plays as MCI would, with its notification.
    void FinishFile() {
        ASSERT_FALSE(sound.played.empty());
        OnSoundNotify(sound.played.back());
    }

    void SetAlert(int which, int mode, const char* file, int count = 3, int frequency = 700) {
        SoundSpec& spec = g_soundSettings.alerts[which];
        spec.mode = mode;
        std::snprintf(spec.file, sizeof spec.file, "%s", file);
        spec.beepCount = count;
        spec.beepFrequency = frequency;
    }

    FakeSound sound;
    ScriptedMessages messages;
};

// ---- Files ----

TEST_F(SoundPlayerTest, TestFilePlaysWithItsCaptionAndEndsWithTheNotification) {
    EXPECT_EQ(PlayAlertSound(kWarningAlert, "C:\\media\\ding.wav"), 0u);
    ASSERT_EQ(sound.openedPaths.size(), 1u);
    EXPECT_EQ(sound.openedPaths[0], "C:\\media\\ding.wav");
    ASSERT_EQ(sound.captions.size(), 1u);
    EXPECT_EQ(sound.captions[0], "Dialtick Test Warning Time Sound");
    ASSERT_EQ(sound.played.size(), 1u);
    EXPECT_EQ(sound.notifyWindows[0], kTimerWindow);
    EXPECT_EQ(sound.stateWhenPlayed, SoundState::kPlayingFile);
    EXPECT_EQ(CurrentSoundState(), SoundState::kPlayingFile);
    // Audio has no playback window: no status query, no icon.
    EXPECT_EQ(sound.statusQueries, 0);
    EXPECT_TRUE(sound.iconPosts.empty());
    auto page = sound.PageMessages();
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].message, Started());
    EXPECT_TRUE(page[0].sent);
    EXPECT_FALSE(page[0].underLock);

    FinishFile();
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    EXPECT_EQ(sound.closed, std::vector<MciDevice>{sound.played[0]});
    page = sound.PageMessages();
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[1].message, Ended());
    EXPECT_FALSE(page[1].underLock);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SoundPlayerTest, RealAlertUsesTheStoredFileAndAnEmptyTestWord) {
    SetAlert(kLostConnectionAlert, kPlayFile, "C:\\lost.wav");
    EXPECT_EQ(PlayAlertSound(kLostConnectionAlert, nullptr), 0u);
    ASSERT_EQ(sound.openedPaths.size(), 1u);
    EXPECT_EQ(sound.openedPaths[0], "C:\\lost.wav");
    EXPECT_EQ(sound.captions[0], "Dialtick  Disconnection Sound");
    FinishFile();
}

TEST_F(SoundPlayerTest, VideoWindowGetsTheSmallIcon) {
    sound.isVideo = true;
    EXPECT_EQ(PlayAlertSound(kLostConnectionAlert, "C:\\clip.avi"), 0u);
    EXPECT_EQ(sound.statusQueries, 1);
    ASSERT_EQ(sound.iconPosts.size(), 1u);
    EXPECT_EQ(sound.iconPosts[0].first, kVideoWindow);
    EXPECT_EQ(sound.iconPosts[0].second, kIcon);
    FinishFile();

    sound.programIcon = nullptr;
    EXPECT_EQ(PlayAlertSound(kLostConnectionAlert, "C:\\clip.avi"), 0u);
    EXPECT_EQ(sound.iconPosts.size(), 1u);
    FinishFile();
}

TEST_F(SoundPlayerTest, WithoutTheTimerWindowTheSoundsPageHearsTheEnd) {
    sound.timerWindow = nullptr;
    EXPECT_EQ(PlayAlertSound(kWarningAlert, "C:\\a.wav"), 0u);
    EXPECT_EQ(sound.notifyWindows[0], kPage);
    FinishFile();
}

TEST_F(SoundPlayerTest, AFileThatCannotBeOpenedLeavesThePlayerIdleAndSilent) {
    sound.openError = 277;
    EXPECT_EQ(PlayAlertSound(kWarningAlert, "C:\\not-media.xyz"), 277u);
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    EXPECT_TRUE(sound.PageMessages().empty());
    EXPECT_TRUE(sound.closed.empty());
    EXPECT_TRUE(sound.played.empty());
}

TEST_F(SoundPlayerTest, AFailedPlayClosesTheDeviceAndTellsThePage) {
    sound.playError = 346;
    EXPECT_EQ(PlayAlertSound(kWarningAlert, "C:\\a.wav"), 346u);
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    EXPECT_EQ(sound.closed, std::vector<MciDevice>{11});
    auto page = sound.PageMessages();
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[0].message, Started());
    EXPECT_EQ(page[1].message, Ended());
    // The player is free for the next sound.
    sound.playError = 0;
    EXPECT_EQ(PlayAlertSound(kWarningAlert, "C:\\a.wav"), 0u);
    FinishFile();
}

TEST_F(SoundPlayerTest, APathLongerThan259CharactersIsCut) {
    std::string longPath = "C:\\" + std::string(300, 'a');
    PlayAlertSound(kWarningAlert, longPath.c_str());
    ASSERT_EQ(sound.openedPaths.size(), 1u);
    EXPECT_EQ(sound.openedPaths[0], longPath.substr(0, 259));
    FinishFile();
}

TEST_F(SoundPlayerTest, RequestsWhileASoundPlaysAreDroppedNotQueued) {
    SetAlert(kWarningAlert, kPlayFile, "C:\\warn.wav");
    ASSERT_EQ(PlayAlertSound(kLostConnectionAlert, "C:\\lost.wav"), 0u);
    EXPECT_EQ(PlayAlertSound(kWarningAlert, nullptr), 0u);
    EXPECT_FALSE(StartBeeps(NewBeepRequest(2, 800)));
    EXPECT_EQ(sound.openedPaths.size(), 1u);
    FinishFile();
    // Nothing was kept for later.
    EXPECT_EQ(sound.openedPaths.size(), 1u);
    EXPECT_EQ(sound.BeepCount(), 0u);
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
}

TEST_F(SoundPlayerTest, NoSoundAndUnknownModesPlayNothing) {
    SetAlert(kLostConnectionAlert, kNoSound, "C:\\lost.wav");
    SetAlert(kWarningAlert, 7, "C:\\warn.wav");
    EXPECT_EQ(PlayAlertSound(kLostConnectionAlert, nullptr), 0u);
    EXPECT_EQ(PlayAlertSound(kWarningAlert, nullptr), 0u);
    EXPECT_EQ(PlayAlertSound(2, "C:\\x.wav"), 0u);
    EXPECT_TRUE(sound.openedPaths.empty());
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
}

TEST_F(SoundPlayerTest, StopWhileAFilePlaysWaitsForTheNotification) {
    PlayAlertSound(kWarningAlert, "C:\\a.wav");
    StopSound();
    EXPECT_EQ(sound.stopped, std::vector<MciDevice>{11});
    EXPECT_EQ(CurrentSoundState(), SoundState::kPlayingFile);
    EXPECT_TRUE(sound.closed.empty());
    OnSoundNotify(11);  // aborted
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    EXPECT_EQ(sound.closed, std::vector<MciDevice>{11});
}

TEST_F(SoundPlayerTest, ALateNotificationDoesNotEndTheSoundThatPlaysNow) {
    PlayAlertSound(kWarningAlert, "C:\\a.wav");
    OnSoundNotify(11);
    PlayAlertSound(kWarningAlert, "C:\\b.wav");
    ASSERT_EQ(sound.played.back(), 12u);
    size_t pageMessages = sound.PageMessages().size();
    OnSoundNotify(11);
    EXPECT_EQ(CurrentSoundState(), SoundState::kPlayingFile);
    EXPECT_EQ(sound.PageMessages().size(), pageMessages);
    OnSoundNotify(12);
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
}

TEST_F(SoundPlayerTest, ShutdownStopClosesAPlayingFileWithoutWaiting) {
    PlayAlertSound(kWarningAlert, "C:\\a.wav");
    StopSoundForShutdown();
    EXPECT_EQ(sound.stopped, std::vector<MciDevice>{11});
    EXPECT_EQ(sound.closed, std::vector<MciDevice>{11});
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
}

// ---- Beeps ----

TEST_F(SoundPlayerTest, BeepSequenceSoundsCountTonesWithGapsBetweenThem) {
    SetAlert(kWarningAlert, kBeep, "", 3, 880);
    EXPECT_EQ(PlayAlertSound(kWarningAlert, nullptr), 0u);
    EXPECT_EQ(Drain(), 0);
    EXPECT_EQ(sound.beeps, (std::vector<uint32_t>{880, 880, 880}));
    EXPECT_EQ(sound.toneLengths, (std::vector<uint32_t>{500, 500, 500}));
    EXPECT_EQ(sound.sleeps, (std::vector<uint32_t>{500, 500}));
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    auto page = sound.PageMessages();
    ASSERT_EQ(page.size(), 2u);
    // The starter sends under the lock; the worker only posts, under the lock too.
    EXPECT_EQ(page[0].message, Started());
    EXPECT_TRUE(page[0].sent);
    EXPECT_TRUE(page[0].underLock);
    EXPECT_EQ(page[1].message, Ended());
    EXPECT_FALSE(page[1].sent);
    EXPECT_TRUE(page[1].underLock);
}

TEST_F(SoundPlayerTest, RequestsOutsideTheRangesPlayNothingButStillEnd) {
    const std::pair<int, uint32_t> bad[] = {{0, 700}, {10, 700}, {-1, 700}, {3, 49}, {3, 4001}};
    for (const auto& request : bad) {
        ASSERT_TRUE(StartBeeps(NewBeepRequest(request.first, request.second)));
        EXPECT_EQ(Drain(), 0);
        EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    }
    EXPECT_TRUE(sound.beeps.empty());
    // Each one still told the page that it ended.
    auto page = sound.PageMessages();
    ASSERT_EQ(page.size(), 10u);
    EXPECT_EQ(page[9].message, Ended());
    // The edges of the ranges are valid.
    ASSERT_TRUE(StartBeeps(NewBeepRequest(9, 4000)));
    EXPECT_EQ(Drain(), 0);
    ASSERT_TRUE(StartBeeps(NewBeepRequest(1, 50)));
    EXPECT_EQ(Drain(), 0);
    EXPECT_EQ(sound.beeps.size(), 10u);
}

TEST_F(SoundPlayerTest, AFailingBeepEndsTheSequenceQuietly) {
    sound.beepsBeforeFailure = 1;
    ASSERT_TRUE(StartBeeps(NewBeepRequest(5, 700)));
    EXPECT_EQ(Drain(), 0);
    EXPECT_EQ(sound.beeps.size(), 2u);
    EXPECT_EQ(sound.sleeps.size(), 1u);
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SoundPlayerTest, StopWhileBeepingLetsTheToneFinishAndSoundsNoMore) {
    sound.CloseGateAfter(0);
    ASSERT_TRUE(StartBeeps(NewBeepRequest(9, 700)));
    ASSERT_TRUE(sound.WaitForBeeps(1));
    EXPECT_EQ(CurrentSoundState(), SoundState::kBeeping);
    StopSound();
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    EXPECT_EQ(RunningWorkers(), 1);  // still in its tone
    sound.OpenGate();
    EXPECT_EQ(Drain(), 0);
    EXPECT_EQ(sound.beeps.size(), 1u);
    auto page = sound.PageMessages();
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[1].message, Ended());
}

TEST_F(SoundPlayerTest, AStoppedWorkerDoesNotEndABeepSequenceStartedDuringItsLastTone) {
    sound.CloseGateAfter(0);
    ASSERT_TRUE(StartBeeps(NewBeepRequest(9, 700)));
    ASSERT_TRUE(sound.WaitForBeeps(1));
    StopSound();
    // A new sequence starts while the old worker is still in its tone.
    ASSERT_TRUE(StartBeeps(NewBeepRequest(3, 1200)));
    ASSERT_TRUE(sound.WaitForBeeps(2));
    EXPECT_EQ(RunningWorkers(), 2);
    sound.OpenGate();
    EXPECT_EQ(Drain(), 0);
    // The old worker sounded nothing more; the new sequence ran in full.
    std::vector<uint32_t> expected = {700, 1200, 1200, 1200};
    EXPECT_EQ(sound.beeps, expected);
    // One ended message, from the new sequence's worker, after both started messages.
    auto page = sound.PageMessages();
    ASSERT_EQ(page.size(), 3u);
    EXPECT_EQ(page[0].message, Started());
    EXPECT_EQ(page[1].message, Started());
    EXPECT_EQ(page[2].message, Ended());
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
}

TEST_F(SoundPlayerTest, AStoppedWorkerDoesNotEndAFileStartedDuringItsLastTone) {
    sound.CloseGateAfter(0);
    ASSERT_TRUE(StartBeeps(NewBeepRequest(4, 700)));
    ASSERT_TRUE(sound.WaitForBeeps(1));
    StopSound();
    ASSERT_EQ(PlayAlertSound(kWarningAlert, "C:\\a.wav"), 0u);
    sound.OpenGate();
    EXPECT_EQ(Drain(), 0);
    EXPECT_EQ(CurrentSoundState(), SoundState::kPlayingFile);
    FinishFile();
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    EXPECT_EQ(sound.beeps.size(), 1u);
}

TEST_F(SoundPlayerTest, AWorkerThatCannotStartReturnsThePlayerToIdle) {
    sound.failThreads = true;
    EXPECT_FALSE(StartBeeps(NewBeepRequest(3, 700)));
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    EXPECT_EQ(RunningWorkers(), 0);
    auto page = sound.PageMessages();
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[0].message, Started());
    EXPECT_EQ(page[1].message, Ended());
}

TEST_F(SoundPlayerTest, ShutdownWhileBeepingWaitsForTheWorkersLastTone) {
    sound.CloseGateAfter(0);
    ASSERT_TRUE(StartBeeps(NewBeepRequest(9, 700)));
    ASSERT_TRUE(sound.WaitForBeeps(1));
    StopSoundForShutdown();
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    std::thread tone([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        sound.OpenGate();
    });
    EXPECT_EQ(WaitForWorkers(), 0);
    tone.join();
    EXPECT_EQ(sound.beeps.size(), 1u);
}

// Many sequences started and stopped in quick succession, as a user hammering Test and Stop
// would: every worker ends, the count comes back to 0, and only the last sound's end is left
// standing. Run under ThreadSanitizer as well.
TEST_F(SoundPlayerTest, ManySequencesStartedAndStoppedLeaveNoWorkerBehind) {
    constexpr int kRounds = 300;
    int started = 0;
    for (int i = 0; i < kRounds; ++i) {
        if (StartBeeps(NewBeepRequest(1 + i % 9, 700))) ++started;
        if (i % 3 != 2) StopSound();
        // Read the state and the count as the tray menu and the shutdown would.
        (void)CurrentSoundState();
        (void)RunningWorkers();
    }
    EXPECT_GT(started, 0);
    StopSound();
    EXPECT_EQ(Drain(), 0);
    EXPECT_EQ(CurrentSoundState(), SoundState::kIdle);
    auto page = sound.PageMessages();
    int startedMessages = 0, endedMessages = 0;
    for (const auto& message : page) {
        if (message.message == Started()) ++startedMessages;
        if (message.message == Ended()) ++endedMessages;
    }
    EXPECT_EQ(startedMessages, started);
    // Never more ends than starts, and the last message says the player is quiet.
    EXPECT_LE(endedMessages, started);
    EXPECT_GE(endedMessages, 1);
    EXPECT_EQ(page.back().message, Ended());
}

}  // namespace
}  // namespace dt
