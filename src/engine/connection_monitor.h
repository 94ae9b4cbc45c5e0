// The connection monitor: finds the dial-up connection, times its account, resets and warns.
#pragma once

#include <cstdint>

#include "app/platform.h"
#include "engine/account_record.h"
#include "engine/ras_api.h"

namespace dt {

// The timer window's polling timer.
constexpr uintptr_t kPollTimerId = 240360;
constexpr uint32_t kPollPeriod = 500;
// "Timer" is written on every 61st counting poll, about every 30.5 seconds.
constexpr int32_t kPollsPerSave = 61;
// After the user hung up, the program waits at exit for RAS to let go of the connection.
constexpr uint32_t kHangUpWaitStep = 500;
constexpr uint32_t kHangUpWaitLimit = 3000;
// Running times go round at ±999:59:59.00: one step past +max is -max and one before -max is
// +max, so one lap has this many hundredths.
constexpr int64_t kTimeLap = 2 * static_cast<int64_t>(kMaxTime) + 1;

// What MsgAccountEdited says changed (its wParam); lParam points to the account's name.
enum AccountEditFlags : uint32_t {
    kEditedTime = 1,     // "Timer" or "CountDirection"
    kEditedWarning = 2,  // "Warning" or "EnableWarning"
    kEditedReset = 4,    // "ResetOption" or "ResetNext"
};

// What the timer window must do after a monitor call. The glue applies them in this order: the
// sound, hiding, the ended connection's save, the Connections page's news, the display
// (ApplyMonitorDisplay), showing, the tray icon, the run items.
constexpr uint32_t kFxPlayLostConnection = 1u << 0;
constexpr uint32_t kFxPlayWarning = 1u << 1;
constexpr uint32_t kFxHideWindow = 1u << 2;
// SaveTimerAfterConnection, which may ask the user to retry.
constexpr uint32_t kFxSaveEndedTimer = 1u << 3;
constexpr uint32_t kFxPostConnectionChanged = 1u << 4;
constexpr uint32_t kFxSendConnectionChanged = 1u << 5;
// The display: the connection's name and first time; a poll's time; a time set by an edit;
// the idle texts; the warning colours.
constexpr uint32_t kFxShowConnection = 1u << 6;
constexpr uint32_t kFxShowTime = 1u << 7;
constexpr uint32_t kFxReplaceTime = 1u << 8;
constexpr uint32_t kFxShowIdle = 1u << 9;
constexpr uint32_t kFxWarningState = 1u << 10;
constexpr uint32_t kFxShowWindow = 1u << 11;
constexpr uint32_t kFxPostTimeTick = 1u << 12;
constexpr uint32_t kFxPostResetOccurred = 1u << 13;
constexpr uint32_t kFxUpdateTray = 1u << 14;
constexpr uint32_t kFxRunOnConnection = 1u << 15;
constexpr uint32_t kFxRunOnDisconnection = 1u << 16;
// A second connection: message 2083, then the program closes without asking.
constexpr uint32_t kFxMultipleConnections = 1u << 17;

struct ConnectionMonitor {
    // The connected account; its name is "Dialtick" when nothing is connected.
    AccountRecord current;
    bool connected;
    // From the last enumeration.
    RasConnectionHandle connHandle;
    char connEntry[kRasNameSize];
    // `current.timer` was `baseValue` at tick count `baseTick`. Every poll moves the base on by
    // the whole hundredths counted, so the tick count may wrap any number of times.
    uint32_t baseTick;
    int32_t baseValue;
    // A periodic or particular-day reset is expected during this connection: it is due once the
    // time has gone round `wrapsBeforeReset` more times and then reached `projectedValue`, and
    // it happens when the local clock has also reached `resetNext`.
    bool resetPending;
    int32_t projectedValue;
    int32_t wrapsBeforeReset;
    // The counted time has come to the reset; only the clock is awaited.
    bool resetReached;
    bool inWarning;
    bool warningArmed;
    bool hungUpByUser;
    int32_t pollCount;
    // The whole seconds and sign last shown (-1 while idle), so that a poll that changes no
    // digit costs the display nothing.
    int32_t shownSeconds;
    bool shownNegative;

    // The Connections page while it is open, and whether it follows the live time.
    WindowRef connectionsPage;
    bool liveTime;
};

extern ConnectionMonitor g_monitor;

// Clears every flag and forgets the account; the page links stay.
void ResetMonitor();

// Hands the display effects to the timer window's display (timerwin/timer_display.h).
void ApplyMonitorDisplay(uint32_t effects);

// One poll of timer 240360: enumerates the connections through Ras() and starts, counts, ends,
// or hangs up when "&Disconnect" was confirmed (timerwin/timer_display.h). `owner` owns the
// messages of a record load.
uint32_t PollConnection(WindowRef owner);

// The steps of a poll, for the poll itself and for tests and benchmarks.
uint32_t StartConnection(WindowRef owner, const RasConnection& connection);
uint32_t CountingTick();
uint32_t EndConnection();

// Writes the ended connection's "Timer", asking with message 2063 and the retry buttons while it
// fails, then forgets the account. Called by the glue for kFxSaveEndedTimer.
void SaveTimerAfterConnection(WindowRef owner);

// The system's time changed: the reset is projected again from the new local time.
uint32_t OnSystemTimeChanged();
// MsgAccountEdited: the Connections page has copied the saved record over `current`.
uint32_t OnAccountEdited(const char* name, uint32_t flags);

// Exit: after a hang-up by the user, waits in 500 ms steps (at most 3.5 s) for RAS to forget the
// connection, through `sleep`.
void WaitForHangUpToFinish(void (*sleep)(uint32_t milliseconds));
// Exit: "Timer" of the connected account, not reported.
void SaveTimerAtExit();

// Message 2083 with the stop icon; false when its text could not be loaded.
bool ShowMultipleConnectionsMessage(WindowRef owner);

// The Connections page registers itself while it is open.
void SetConnectionsPage(WindowRef page);
void SetLiveTime(bool on);

}  // namespace dt
