// Tests of the connection monitor: starts and ends, counting, wraps, resets, warnings, edits.
#include "engine/connection_monitor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "engine/calendar.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "support/fake_platform.h"
#include "support/fake_ras.h"
#include "timerwin/timer_display.h"

namespace dt {
namespace {

using test::FakeClock;
using test::FakeFileSystem;
using test::FakeRas;
using test::ScriptedMessages;

constexpr const char* kPath = "C:\\Dialtick.ini";
WindowRef const kPage = reinterpret_cast<WindowRef>(0x2000);
constexpr uint32_t kRasErrorNoConnection = 668;

int64_t Count(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return FakeClock::FileTimeOf(y, mo, d, h, mi, s) / kFileTimePerCount;
}

// A RAS whose status requests and hang-ups can be made to fail.
class UnreliableRas : public FakeRas {
  public:
    uint32_t GetConnectStatus(RasConnectionHandle handle, RasState* state) override {
        ++statusCalls;
        if (statusFailures > 0) {
            --statusFailures;
            return kRasErrorNoConnection;
        }
        return FakeRas::GetConnectStatus(handle, state);
    }
    uint32_t HangUp(RasConnectionHandle handle) override {
        if (refuseHangUp) return kRasErrorNoConnection;
        return FakeRas::HangUp(handle);
    }
    int statusFailures = 0;
    int statusCalls = 0;
    bool refuseHangUp = false;
};

class MonitorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_app.buttons = {1540, 516, 1536};
        g_app.modalBoxOpen = false;
        clock.SetLocalTime(2003, 3, 6, 9, 0, 0);
        SetConnectionsPage(nullptr);
        SetLiveTime(false);
        ResetMonitor();
        ShowIdleTimer();
        TakeHangUpConfirmation();
    }
    void TearDown() override {
        Settings().Reset();
        SetConnectionsPage(nullptr);
    }

    void UseFile(const std::string& text) {
        Settings().Reset();
        files.SetFile(kPath, text);
        SysError error = 0;
        ASSERT_TRUE(Settings().Load(kPath, &error)) << error;
    }
    // The account "Acc" with these lines ("Key=Value").
    void UseAccount(const std::string& lines) { UseFile("[Acc]\r\n" + lines); }

    // One poll as the timer window runs it.
    uint32_t Poll() {
        const uint32_t fx = PollConnection(nullptr);
        ApplyMonitorDisplay(fx);
        if (fx & kFxSaveEndedTimer) SaveTimerAfterConnection(nullptr);
        return fx;
    }
    // Polls every `step` ms until `ms` have passed; the effects of all the polls together.
    uint32_t Run(uint64_t ms, uint32_t step = kPollPeriod) {
        uint32_t all = 0;
        for (uint64_t t = 0; t < ms; t += step) {
            clock.Advance(step);
            all |= Poll();
        }
        return all;
    }
    RasConnectionHandle Connect(const char* entry = "Acc") {
        RasConnectionHandle handle = ras.AddConnection(entry);
        Poll();
        EXPECT_TRUE(g_monitor.connected);
        return handle;
    }

    // The bottom row as shown: sign, then hhh:mm:ss.
    static std::string Shown() {
        const CellTexts& t = TimerDisplay().shown;
        std::string s = std::string(t.sign) + "|";
        for (const auto& c : t.hours) s += c[0];
        s += ":";
        for (const auto& c : t.minutes) s += c[0];
        s += ":";
        for (const auto& c : t.seconds) s += c[0];
        return s;
    }
    std::string Value(const char* key, const char* section = "Acc") {
        char buffer[64];
        uint32_t size = sizeof buffer;
        SysError error = 0;
        return Settings().GetString(section, key, buffer, &size, &error) ? buffer : "(none)";
    }
    int32_t Timer() const { return g_monitor.current.timer; }

    FakeFileSystem files;
    FakeClock clock;
    UnreliableRas ras;
    ScriptedMessages messages;
};

// ---- Connection start ----

TEST_F(MonitorTest, ConnectionStartsOnlyOnceItIsConnectedAndShowsTheAccount) {
    UseAccount("Timer=90");
    RasConnectionHandle handle = ras.AddConnection(".Acc", RasState::kOther);
    EXPECT_EQ(Poll(), 0u);
    EXPECT_FALSE(g_monitor.connected);

    ras.SetState(handle, RasState::kConnected);
    const uint32_t fx = Poll();
    EXPECT_TRUE(g_monitor.connected);
    EXPECT_STREQ(g_monitor.current.name, "Acc");
    EXPECT_EQ(Value("Last", "Dialtick"), "Acc");
    for (uint32_t want : {kFxShowConnection, kFxShowWindow, kFxUpdateTray, kFxRunOnConnection}) {
        EXPECT_TRUE(fx & want) << want;
    }
    EXPECT_FALSE(fx & (kFxPostConnectionChanged | kFxPlayWarning | kFxRunOnDisconnection));
    EXPECT_TRUE(TimerDisplay().connected);
    EXPECT_STREQ(TimerDisplay().name, "Acc");
    EXPECT_EQ(Shown(), " |000:01:30");

    // An open Connections page hears of it.
    SetConnectionsPage(kPage);
    ras.RemoveConnection(handle);
    EXPECT_TRUE(Poll() & kFxSendConnectionChanged);
    ras.AddConnection("Acc");
    EXPECT_TRUE(Poll() & kFxPostConnectionChanged);
}

TEST_F(MonitorTest, AFailedRecordLoadLeavesTheConnectionUntimedUntilALaterPoll) {
    UseAccount("Timer=5");
    ras.AddConnection("Acc");
    // A store that cannot be read: the user answers the error with Cancel.
    Settings().Reset();
    messages.Queue(kResultCancel);
    EXPECT_EQ(Poll(), 0u);
    EXPECT_FALSE(g_monitor.connected);
    EXPECT_STREQ(g_monitor.current.name, "Dialtick");
    EXPECT_EQ(messages.Last().textId, IDS_LOAD_CONFIG_FAILED);

    UseAccount("Timer=5");
    Poll();
    EXPECT_TRUE(g_monitor.connected);
    EXPECT_EQ(Timer(), 500);
}

TEST_F(MonitorTest, ResetAtEveryConnectionStartsFromTheResetTimeEachTime) {
    UseAccount("Timer=500\r\nResetOption=1\r\nResetTime=60");
    RasConnectionHandle handle = Connect();
    EXPECT_EQ(Shown(), " |000:01:00");
    Run(10000);
    ras.RemoveConnection(handle);
    Poll();
    EXPECT_EQ(Value("Timer"), "70");
    Connect();
    EXPECT_EQ(Timer(), 6000);
}

TEST_F(MonitorTest, AMonthlyScheduleOnTheTwentyNinthIsOffForTheConnectionOnly) {
    UseAccount("ResetOption=2\r\nResetPeriod=3\r\nResetCount=1\r\nResetTime=0\r\nResetNext=" +
               std::to_string(Count(2003, 3, 29, 10)));
    Connect();
    EXPECT_FALSE(g_monitor.resetPending);
    EXPECT_EQ(g_monitor.current.resetOption, kResetNever);
    EXPECT_EQ(Value("ResetOption"), "2");
}

// ---- Counting and display ----

TEST_F(MonitorTest, ACountdownFromTenSecondsShowsMinusOneSecondElevenSecondsLater) {
    UseAccount("Timer=10\r\nCountDirection=1");
    Connect();
    EXPECT_EQ(Shown(), " |000:00:10");
    Run(10000);
    EXPECT_EQ(Shown(), " |000:00:00");
    Run(500);  // -0.50 s: the sign shows, the half second rounds down
    EXPECT_EQ(Shown(), " - |000:00:00");
    Run(500);
    Run(500);  // -1.50 s still rounds down
    EXPECT_EQ(Shown(), " - |000:00:01");
    EXPECT_EQ(Timer(), -150);
}

TEST_F(MonitorTest, OnlyAPollThatChangesADigitTouchesTheDisplayAndTellsThePage) {
    UseAccount("Timer=0");
    SetConnectionsPage(kPage);
    SetLiveTime(true);
    Connect();
    clock.Advance(500);  // 0.50 s shows 0
    EXPECT_FALSE(Poll() & (kFxShowTime | kFxPostTimeTick));
    clock.Advance(500);
    EXPECT_EQ(Poll() & (kFxShowTime | kFxPostTimeTick), kFxShowTime | kFxPostTimeTick);
    SetLiveTime(false);
    clock.Advance(1000);
    EXPECT_EQ(Poll() & (kFxShowTime | kFxPostTimeTick), kFxShowTime);
}

TEST_F(MonitorTest, TimerIsWrittenOnEverySixtyFirstCountingPollAcrossConnections) {
    UseAccount("CountDirection=0");
    RasConnectionHandle handle = Connect();
    Run(60 * 500);
    EXPECT_EQ(Value("Timer"), "(none)");
    Run(500);
    EXPECT_EQ(Value("Timer"), "30");
    EXPECT_NE(files.FileBytes(kPath).find("Timer=30"), std::string::npos);

    // The count goes on through an end and a start.
    Run(30 * 500);
    ras.RemoveConnection(handle);
    Poll();
    EXPECT_EQ(Value("Timer"), "45");
    Connect();
    Run(30 * 500);
    EXPECT_EQ(Value("Timer"), "45");
    Run(500);
    EXPECT_EQ(Value("Timer"), "60");
}

TEST_F(MonitorTest, TheTickCountWrappingMidConnectionCostsNothing) {
    UseAccount("Timer=0");
    clock.SetTick(0xFFFFFFFFu - 1234);
    Connect();
    Run(10000);
    EXPECT_EQ(Timer(), 1000);
    // Uneven polls leave no rounding behind: 7 ms bits are carried to the next poll.
    Run(10000, 497);
    Run(9, 3);
    EXPECT_EQ(Timer(), 1000 + (497 * 21 + 9) / 10);
}

TEST_F(MonitorTest, ALongConnectionWithoutAWrapOutlastsTheTickCount) {
    // Sixty days upwards from -999:59:59: the tick count goes round once on the way.
    UseAccount("Timer=-3599999");
    Connect();
    Run(60ull * 86400000, 60000);
    EXPECT_EQ(Timer(), -kMaxTime + 60 * kCountsPerDay);
}

TEST_F(MonitorTest, AThousandHoursPolledEveryHalfSecondEndExactlyRight) {
    UseAccount("Timer=-1800000");
    clock.SetTick(0xF0000000u);
    RasConnectionHandle handle = Connect();
    for (int i = 0; i < 3600000; ++i) {
        clock.Advance(497);
        Poll();
        clock.Advance(503);
        Poll();
    }
    EXPECT_EQ(Timer(), 180000000);
    EXPECT_EQ(Shown(), " |500:00:00");
    ras.RemoveConnection(handle);
    Poll();
    EXPECT_EQ(Value("Timer"), "1800000");
}

// ---- Wraps at ±999:59:59 ----

TEST_F(MonitorTest, TimeGoesRoundAtTheLimitInBothDirections) {
    UseAccount("Timer=3599989");
    RasConnectionHandle handle = Connect();
    Run(10000);
    EXPECT_EQ(Timer(), kMaxTime);
    EXPECT_EQ(Shown(), " |999:59:59");
    Run(500);
    EXPECT_EQ(Timer(), -kMaxTime + 49);  // one hundredth to -max, 49 more beyond
    EXPECT_EQ(Shown(), " - |999:59:59");
    ras.RemoveConnection(handle);
    Poll();

    UseAccount("Timer=-3599999\r\nCountDirection=1");
    Connect();
    Run(500);
    EXPECT_EQ(Timer(), kMaxTime - 49);
}

TEST_F(MonitorTest, AWrapRearmsTheWarning) {
    UseAccount("Timer=3599990\r\nWarning=3599980");
    uint32_t fx = 0;
    ras.AddConnection("Acc");
    fx = Poll();
    EXPECT_TRUE(fx & kFxPlayWarning);
    EXPECT_TRUE(g_monitor.inWarning);
    fx = Run(10500);
    EXPECT_FALSE(g_monitor.inWarning);
    EXPECT_TRUE(g_monitor.warningArmed);
    EXPECT_TRUE(fx & kFxWarningState);
    EXPECT_FALSE(TimerDisplay().inWarning);
}

// A reset two minutes away from a time one minute short of the limit: the time wraps first.
TEST_F(MonitorTest, AResetPendingBeyondAWrapHappensOnTimeCountingUp) {
    clock.SetLocalTime(2003, 3, 6, 9, 58, 0);
    UseAccount(
        "Timer=3599940\r\nResetOption=2\r\nResetPeriod=1\r\nResetCount=1\r\n"
        "ResetTime=0\r\nResetNext=" +
        std::to_string(Count(2003, 3, 6, 10)));
    Connect();
    EXPECT_TRUE(g_monitor.resetPending);
    EXPECT_EQ(g_monitor.wrapsBeforeReset, 1);
    Run(119500);
    EXPECT_LT(Timer(), 0);
    EXPECT_EQ(g_monitor.current.resetNext, Count(2003, 3, 6, 10));
    Run(500);
    EXPECT_EQ(Timer(), 0);
    EXPECT_EQ(Value("ResetNext"), std::to_string(Count(2003, 3, 7, 10)));
}

TEST_F(MonitorTest, AResetPendingBeyondAWrapHappensOnTimeCountingDown) {
    clock.SetLocalTime(2003, 3, 6, 9, 58, 0);
    UseAccount(
        "Timer=-3599940\r\nCountDirection=1\r\nResetOption=3\r\nResetTime=100\r\n"
        "ResetNext=" +
        std::to_string(Count(2003, 3, 6, 10)));
    Connect();
    Run(119500);
    EXPECT_GT(Timer(), 0);
    EXPECT_TRUE(g_monitor.resetPending);
    Run(500);
    EXPECT_EQ(Timer(), 10000);
    EXPECT_FALSE(g_monitor.resetPending);
    EXPECT_EQ(Value("ResetOption"), "0");
}

TEST_F(MonitorTest, AResetTwoLapsAheadWaitsForBothWraps) {
    // 130 days ahead from 0 counting up: past +max at 41.7 days and again at 125 days.
    UseAccount(
        "Timer=0\r\nResetOption=2\r\nResetPeriod=1\r\nResetCount=200\r\n"
        "ResetTime=0\r\nResetNext=" +
        std::to_string(Count(2003, 3, 6, 9) + 130 * kCountsPerDay));
    Connect();
    EXPECT_EQ(g_monitor.wrapsBeforeReset, 2);
    Run(130ull * 86400000 - 60000, 60000);
    EXPECT_TRUE(g_monitor.resetPending);
    EXPECT_EQ(g_monitor.wrapsBeforeReset, 0);
    EXPECT_EQ(Value("ResetNext"), std::to_string(Count(2003, 3, 6, 9) + 130 * kCountsPerDay));
    Run(60000, 60000);
    EXPECT_EQ(Timer(), 0);
    EXPECT_EQ(Value("ResetNext"), std::to_string(Count(2003, 3, 6, 9) + 330 * kCountsPerDay));
}

// ---- Resets while connected ----

TEST_F(MonitorTest, APeriodicResetMidConnectionHappensOnceAndIsRescheduled) {
    clock.SetLocalTime(2003, 3, 6, 9, 59, 0);
    UseAccount(
        "Timer=18000\r\nWarning=3600\r\nResetOption=2\r\nResetPeriod=1\r\nResetCount=1\r\n"
        "ResetTime=0\r\nResetNext=" +
        std::to_string(Count(2003, 3, 6, 10)));
    SetConnectionsPage(kPage);
    Connect();
    EXPECT_TRUE(g_monitor.inWarning);
    uint32_t fx = Run(59500);
    EXPECT_FALSE(fx & kFxPostResetOccurred);
    EXPECT_EQ(Timer(), 1800000 + 5950);

    fx = Run(500);
    EXPECT_TRUE(fx & kFxPostResetOccurred);
    EXPECT_TRUE(fx & kFxWarningState);
    EXPECT_FALSE(fx & kFxPlayWarning);
    EXPECT_EQ(Timer(), 0);
    EXPECT_FALSE(g_monitor.inWarning);
    EXPECT_EQ(Shown(), " |000:00:00");
    EXPECT_EQ(Value("Timer"), "0");
    EXPECT_EQ(Value("ResetOption"), "2");
    EXPECT_EQ(Value("ResetNext"), std::to_string(Count(2003, 3, 7, 10)));

    // Nothing more today; the next one a day later, once.
    fx = Run(86400000 - 60000, 60000);
    EXPECT_FALSE(fx & kFxPostResetOccurred);
    fx = Run(120000, 60000);
    EXPECT_TRUE(fx & kFxPostResetOccurred);
    EXPECT_EQ(Timer(), 6000);
    EXPECT_EQ(Value("ResetNext"), std::to_string(Count(2003, 3, 8, 10)));
}

TEST_F(MonitorTest, AResetWaitsForTheClockWhenTheTicksRunAhead) {
    clock.SetLocalTime(2003, 3, 6, 9, 59, 0);
    UseAccount("Timer=500\r\nResetOption=3\r\nResetTime=0\r\nResetNext=" +
               std::to_string(Count(2003, 3, 6, 10)));
    Connect();
    // The clock is put back an hour without a word to the program.
    clock.SetLocalTime(2003, 3, 6, 8, 59, 0);
    Run(120000, 1000);
    EXPECT_EQ(Timer(), 50000 + 12000);
    Run(3600000, 1000);
    EXPECT_EQ(Timer(), 6000);
    EXPECT_EQ(Value("ResetOption"), "0");
}

TEST_F(MonitorTest, ATimeChangeAcrossTheNextResetBringsItForwardOrBack) {
    UseAccount(
        "Timer=500\r\nResetOption=2\r\nResetPeriod=1\r\nResetCount=2\r\nResetTime=0\r\n"
        "ResetNext=" +
        std::to_string(Count(2003, 3, 7, 10)));
    Connect();
    Run(10000);
    // Forward past the reset: it happens at the next poll and the schedule moves on from now.
    clock.SetLocalTime(2003, 3, 7, 10, 0, 5);
    EXPECT_EQ(Poll() & kFxPostResetOccurred, 0u);
    EXPECT_EQ(Timer(), 50000 + 1000);
    EXPECT_EQ(OnSystemTimeChanged(), 0u);
    Run(500);
    EXPECT_EQ(Timer(), 0);
    EXPECT_EQ(Value("ResetNext"), std::to_string(Count(2003, 3, 9, 10)));

    // Back by a day, a minute before the new reset: it comes a day later than counted.
    clock.SetLocalTime(2003, 3, 8, 9, 59, 0);
    OnSystemTimeChanged();
    Run(120000);
    EXPECT_EQ(Timer(), 12000);
    EXPECT_EQ(Value("ResetNext"), std::to_string(Count(2003, 3, 9, 10)));
    Run(86400000, 60000);
    EXPECT_EQ(Value("ResetNext"), std::to_string(Count(2003, 3, 11, 10)));
}

// ---- Warning ----

TEST_F(MonitorTest, AWarningAlreadyPassedSoundsAtOnceAndALaterOneWhenCrossed) {
    UseAccount("Timer=5400\r\nWarning=3600");
    RasConnectionHandle handle = Connect();
    EXPECT_TRUE(g_monitor.inWarning);
    EXPECT_TRUE(TimerDisplay().inWarning);
    EXPECT_FALSE(Run(5000) & kFxPlayWarning);
    ras.RemoveConnection(handle);
    Poll();
    EXPECT_FALSE(TimerDisplay().inWarning);

    UseAccount("Timer=3540\r\nWarning=3600");
    ras.AddConnection("Acc");
    EXPECT_FALSE(Poll() & kFxPlayWarning);
    EXPECT_FALSE(Run(60000) & kFxPlayWarning);  // exactly 1:00:00 is not past it
    const uint32_t fx = Run(500);
    EXPECT_TRUE(fx & kFxPlayWarning);
    EXPECT_TRUE(TimerDisplay().inWarning);
    EXPECT_FALSE(Run(60000) & kFxPlayWarning);
}

TEST_F(MonitorTest, ADownCountingWarningSoundsBelowItAndADisabledOneNever) {
    UseAccount("Timer=100\r\nWarning=60\r\nCountDirection=1");
    RasConnectionHandle handle = Connect();
    EXPECT_FALSE(Run(40000) & kFxPlayWarning);
    EXPECT_TRUE(Run(500) & kFxPlayWarning);
    ras.RemoveConnection(handle);
    Poll();

    UseAccount("Timer=100\r\nWarning=60\r\nCountDirection=1\r\nEnableWarning=0");
    Connect();
    EXPECT_FALSE(Run(60000) & kFxPlayWarning);
}

// ---- Connection end, hang-up, errors ----

TEST_F(MonitorTest, ALostConnectionSoundsHidesSavesAndGoesIdle) {
    UseAccount("Timer=0");
    SetConnectionsPage(kPage);
    RasConnectionHandle handle = Connect();
    Run(2000);
    ras.RemoveConnection(handle);
    const uint32_t fx = Poll();
    for (uint32_t want :
         {kFxPlayLostConnection, kFxHideWindow, kFxSaveEndedTimer, kFxSendConnectionChanged,
          kFxShowIdle, kFxRunOnDisconnection, kFxUpdateTray}) {
        EXPECT_TRUE(fx & want) << want;
    }
    EXPECT_FALSE(g_monitor.connected);
    EXPECT_STREQ(g_monitor.current.name, "Dialtick");
    EXPECT_FALSE(TimerDisplay().connected);
    EXPECT_STREQ(TimerDisplay().name, "Dialtick");
    EXPECT_EQ(Shown(), " |???:??:??");
    EXPECT_EQ(Value("Timer"), "2");
    EXPECT_EQ(Poll(), 0u);
}

TEST_F(MonitorTest, ADisconnectedStateEndsTheConnectionToo) {
    UseAccount("Timer=0");
    RasConnectionHandle handle = Connect();
    ras.SetState(handle, RasState::kDisconnected);
    EXPECT_TRUE(Poll() & kFxHideWindow);
    EXPECT_FALSE(g_monitor.connected);
}

TEST_F(MonitorTest, AFailedSaveAtTheEndAsksUntilTheUserGoesOn) {
    UseAccount("Timer=0");
    RasConnectionHandle handle = Connect();
    Run(3000);
    ras.RemoveConnection(handle);
    files.FailSaves(kErrorAccessDenied, 2);
    messages.Queue({kResultTryAgain, kResultTryAgain});
    Poll();
    ASSERT_EQ(messages.Count(), 2u);
    EXPECT_EQ(messages.Last().textId, IDS_SAVE_CONFIG_FAILED);
    EXPECT_EQ(messages.Last().buttons, 1536u);
    EXPECT_EQ(messages.Last().code, kErrorAccessDenied);
    EXPECT_NE(files.FileBytes(kPath).find("Timer=3"), std::string::npos);
    EXPECT_FALSE(g_app.modalBoxOpen);

    messages.Clear();
    handle = Connect();
    ras.RemoveConnection(handle);
    files.FailSaves(kErrorAccessDenied, 5);
    messages.Queue(kResultContinue);
    Poll();
    EXPECT_EQ(messages.Count(), 1u);
}

TEST_F(MonitorTest, DisconnectHangsUpAtTheNextPollWithoutTheLostConnectionSound) {
    UseAccount("Timer=0");
    RasConnectionHandle handle = Connect();
    EXPECT_TRUE(ConfirmHangUp("Acc"));
    EXPECT_EQ(Poll(), 0u);
    ASSERT_EQ(ras.HungUp().size(), 1u);
    EXPECT_EQ(ras.HungUp()[0], handle);
    const uint32_t fx = Poll();
    EXPECT_TRUE(fx & kFxHideWindow);
    EXPECT_FALSE(fx & kFxPlayLostConnection);

    // The next connection's loss sounds again.
    handle = Connect();
    ras.RemoveConnection(handle);
    EXPECT_TRUE(Poll() & kFxPlayLostConnection);
}

TEST_F(MonitorTest, AHangUpThatMissesItsConnectionTouchesNoOther) {
    UseAccount("Timer=0");
    RasConnectionHandle handle = Connect();
    ConfirmHangUp("Acc");
    ras.RemoveConnection(handle);  // the line dropped before the poll
    EXPECT_TRUE(Poll() & kFxPlayLostConnection);
    Connect();
    Poll();
    EXPECT_TRUE(ras.HungUp().empty());
    EXPECT_TRUE(g_monitor.connected);

    // RAS refusing the hang-up: the line stays up and its later loss is not the user's doing.
    ras.refuseHangUp = true;
    ConfirmHangUp("Acc");
    Poll();
    EXPECT_TRUE(g_monitor.connected);
    ras.RemoveConnection(g_monitor.connHandle);
    EXPECT_TRUE(Poll() & kFxPlayLostConnection);
}

TEST_F(MonitorTest, ASecondConnectionClosesTheProgramAfterMessage2083) {
    UseAccount("Timer=0");
    Connect();
    ras.AddConnection("Other");
    const int32_t before = Timer();
    EXPECT_EQ(Poll(), kFxMultipleConnections);
    EXPECT_EQ(Timer(), before);

    messages.Queue(kResultOk);
    EXPECT_TRUE(ShowMultipleConnectionsMessage(nullptr));
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Last().text,
              "Dialtick does not support multiple simultaneous connections.\r\n"
              "Dialtick will now close.");
    EXPECT_EQ(messages.Last().iconType, kIconStop);
    EXPECT_EQ(messages.Last().buttons, kButtonOk);
}

TEST_F(MonitorTest, FailedStatusOrEnumerationChangesNothingAndTheTimeCatchesUp) {
    UseAccount("Timer=0");
    RasConnectionHandle handle = Connect();
    ras.statusFailures = 4;
    ras.FailEnumConnections(5, 2);
    EXPECT_EQ(Run(3000), 0u);
    EXPECT_EQ(Timer(), 0);
    EXPECT_TRUE(g_monitor.connected);
    Run(500);
    EXPECT_EQ(Timer(), 350);

    // A failed status while dialling starts nothing.
    ras.RemoveConnection(handle);
    Poll();
    ras.AddConnection("Acc");
    ras.statusFailures = 1;
    EXPECT_EQ(Poll(), 0u);
    EXPECT_FALSE(g_monitor.connected);
}

TEST_F(MonitorTest, ANewConnectionInPlaceOfTheTimedOneEndsItFirst) {
    UseAccount("Timer=0");
    RasConnectionHandle handle = Connect();
    Run(1000);
    ras.RemoveConnection(handle);
    ras.AddConnection("Acc", RasState::kOther);
    EXPECT_TRUE(Poll() & kFxPlayLostConnection);
    EXPECT_EQ(Value("Timer"), "1");
    EXPECT_FALSE(g_monitor.connected);
    Poll();
    EXPECT_FALSE(g_monitor.connected);
}

// ---- Edits from the Connections page ----

TEST_F(MonitorTest, AnEditedTimeTakesANewBaseAndAnEditedWarningItsState) {
    UseAccount("Timer=0\r\nWarning=3600");
    Connect();
    Run(2000);
    g_monitor.current.timer = 720000;  // the page saved 2:00:00
    uint32_t fx = OnAccountEdited("ACC", kEditedTime);
    EXPECT_TRUE(fx & kFxReplaceTime);
    EXPECT_TRUE(fx & kFxWarningState);
    ApplyMonitorDisplay(fx);
    EXPECT_EQ(Shown(), " |002:00:00");
    EXPECT_TRUE(g_monitor.inWarning);
    EXPECT_FALSE(g_monitor.warningArmed);
    Run(1000);
    EXPECT_EQ(Timer(), 720100);

    // Only the warning changed: the page's stale copy of the time does not stick.
    g_monitor.current.timer = 5;
    g_monitor.current.warning = 1000000;
    fx = OnAccountEdited("Acc", kEditedWarning);
    EXPECT_EQ(Timer(), 720100);
    EXPECT_FALSE(g_monitor.inWarning);
    EXPECT_TRUE(g_monitor.warningArmed);
    EXPECT_TRUE(fx & kFxWarningState);

    EXPECT_EQ(OnAccountEdited("Other", kEditedTime | kEditedWarning), 0u);
}

TEST_F(MonitorTest, AnEditedScheduleIsProjectedAndOneTurnedOffIsForgotten) {
    UseAccount("Timer=100");
    Connect();
    g_monitor.current.resetOption = kResetOnDay;
    g_monitor.current.resetTime = 0;
    g_monitor.current.resetNext = Count(2003, 3, 6, 9, 1, 0);
    OnAccountEdited("Acc", kEditedReset);
    EXPECT_TRUE(g_monitor.resetPending);
    Run(59500);
    EXPECT_NE(Timer(), 0);
    Run(500);
    EXPECT_EQ(Timer(), 0);

    g_monitor.current.resetOption = kResetPeriodically;
    g_monitor.current.resetPeriod = kPeriodDays;
    g_monitor.current.resetCount = 1;
    g_monitor.current.resetNext = Count(2003, 3, 7, 9);
    OnAccountEdited("Acc", kEditedReset);
    EXPECT_TRUE(g_monitor.resetPending);
    g_monitor.current.resetOption = kResetNever;
    OnAccountEdited("Acc", kEditedReset);
    EXPECT_FALSE(g_monitor.resetPending);
}

// ---- Exit ----

int g_sleeps = 0;
FakeRas* g_sleepRas = nullptr;
RasConnectionHandle g_sleepHandle = 0;
int g_sleepsUntilGone = 0;
void CountingSleep(uint32_t milliseconds) {
    EXPECT_EQ(milliseconds, kHangUpWaitStep);
    if (++g_sleeps == g_sleepsUntilGone) g_sleepRas->RemoveConnection(g_sleepHandle);
}

TEST_F(MonitorTest, AtExitAHangUpIsAwaitedForAtMostThreeAndAHalfSeconds) {
    UseAccount("Timer=0");
    ras.SetHangUpEnds(false);
    g_sleepRas = &ras;
    g_sleepHandle = Connect();
    ConfirmHangUp("Acc");
    Poll();
    g_sleeps = 0;
    g_sleepsUntilGone = 0;
    WaitForHangUpToFinish(CountingSleep);
    EXPECT_EQ(g_sleeps, 7);

    g_sleeps = 0;
    g_sleepsUntilGone = 3;
    WaitForHangUpToFinish(CountingSleep);
    EXPECT_EQ(g_sleeps, 3);

    // Without a hang-up by the user there is nothing to wait for; the time is saved.
    Poll();
    Connect();
    Run(4000);
    g_sleeps = 0;
    WaitForHangUpToFinish(CountingSleep);
    EXPECT_EQ(g_sleeps, 0);
    SaveTimerAtExit();
    EXPECT_NE(files.FileBytes(kPath).find("Timer=4"), std::string::npos);
}

}  // namespace
}  // namespace dt
