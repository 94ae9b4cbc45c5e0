// The connection monitor: finds the dial-up connection, times its account, resets and warns.
#include "engine/connection_monitor.h"

#include <cstdio>
#include <cstring>

#include "app/ascii.h"
#include "app/app_state.h"
#include "app/command_line.h"
#include "app/messages.h"
#include "engine/account_keys.h"
#include "engine/calendar.h"
#include "resources/resource_ids.h"
#include "settings/program_settings.h"
#include "timerwin/timer_display.h"

namespace dt {

ConnectionMonitor g_monitor;

namespace {

ConnectionMonitor& m = g_monitor;

bool CountsDown() { return m.current.countDirection != 0; }

// Brings a raw time into ±999:59:59.00; *laps receives how many times it went round.
int32_t WrapTime(int64_t raw, int64_t* laps) {
    *laps = 0;
    if (raw > kMaxTime) {
        *laps = (raw - kMaxTime - 1) / kTimeLap + 1;
        raw -= *laps * kTimeLap;
    } else if (raw < -kMaxTime) {
        *laps = (-raw - kMaxTime - 1) / kTimeLap + 1;
        raw += *laps * kTimeLap;
    }
    return static_cast<int32_t>(raw);
}

bool PastWarning(int32_t time) {
    return CountsDown() ? time < m.current.warning : time > m.current.warning;
}

bool ReachedProjection(int32_t time) {
    return CountsDown() ? time <= m.projectedValue : time >= m.projectedValue;
}

// Sets the warning state for the present time without a sound; kFxWarningState when the
// colours change.
uint32_t SettleWarning() {
    const bool was = m.inWarning;
    if (m.current.enableWarning) {
        m.inWarning = PastWarning(m.current.timer);
        m.warningArmed = !m.inWarning;
    } else {
        m.inWarning = m.warningArmed = false;
    }
    return was != m.inWarning ? kFxWarningState : 0;
}

void SetName(char* to, const char* from) { std::snprintf(to, kEntryNameSize, "%s", from); }

void ForgetAccount() {
    std::memset(&m.current, 0, sizeof m.current);
    SetName(m.current.name, kProductName);
}

// One character per cell, most significant first.
void PutDigits(char (*cells)[2], uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        cells[i][0] = static_cast<char>('0' + value % 10);
        cells[i][1] = '\0';
        value /= 10;
    }
}

bool PageFollowsTime() { return m.connectionsPage && m.liveTime; }

// Whether the digits change. The seconds shown round to the nearest (a remainder of exactly 50
// hundredths rounds down), except in the very first display of a connection.
bool TimeShownChanges(bool truncate) {
    const int32_t time = m.current.timer;
    const bool negative = time < 0;
    const uint32_t magnitude =
        negative ? 0u - static_cast<uint32_t>(time) : static_cast<uint32_t>(time);
    uint32_t seconds = magnitude / 100;
    if (!truncate && magnitude % 100 > 50) ++seconds;
    if (static_cast<int32_t>(seconds) == m.shownSeconds && negative == m.shownNegative) {
        return false;
    }
    m.shownSeconds = static_cast<int32_t>(seconds);
    m.shownNegative = negative;
    return true;
}

uint32_t ShowTime() {
    if (!TimeShownChanges(false)) return 0;
    return PageFollowsTime() ? kFxShowTime | kFxPostTimeTick : kFxShowTime;
}

// Where the time will stand when `resetNext` arrives, counted from `nowCount` (10 ms units).
// A reset already due is due at once.
void Project(int64_t nowCount) {
    int64_t remaining = m.current.resetNext - nowCount;
    if (remaining < 0) remaining = 0;
    const int64_t raw = CountsDown() ? m.current.timer - remaining : m.current.timer + remaining;
    int64_t laps = 0;
    m.projectedValue = WrapTime(raw, &laps);
    m.wrapsBeforeReset = laps > INT32_MAX ? INT32_MAX : static_cast<int32_t>(laps);
    m.resetReached = false;
    m.resetPending = true;
}

bool ReadNow(int64_t* nowCount) {
    int64_t fileTime = 0;
    if (!SystemClock().LocalFileTime(&fileTime) || fileTime < 0) return false;
    *nowCount = fileTime / kFileTimePerCount;
    return true;
}

// A monthly schedule may only fall on days 1-28; any other turns the option off for this
// connection, as the Connections page does in its copy.
bool ScheduleUsable() {
    const AccountRecord& r = m.current;
    if (r.resetOption == kResetOnDay) return true;
    if (r.resetOption != kResetPeriodically) return false;
    if (r.resetPeriod != kPeriodMonths) return true;
    CalendarTime next{};
    return CountToCalendar(r.resetNext, &next) && next.day < 29;
}

// Projects a periodic or particular-day reset from the present local time.
void ProjectFromClock() {
    int64_t nowCount = 0;
    if (ScheduleUsable() && ReadNow(&nowCount)) {
        Project(nowCount);
    } else {
        m.resetPending = false;
    }
}

// Single keys of the account; failures are not reported.
void WriteKey(AccountKey key, bool writeThrough) {
    WriteAccountKey(nullptr, m.current.name, m.current, key, 0, 0, writeThrough);
}

void WriteTimer(bool writeThrough) { WriteKey(kAccountTimer, writeThrough); }

// Step 1 of the counting tick: the time from the tick count, going round at ±999:59:59.
uint32_t CountToNow(uint32_t now) {
    const uint32_t counted = (now - m.baseTick) / 10;
    m.baseTick += counted * 10;
    const int64_t raw = CountsDown() ? static_cast<int64_t>(m.baseValue) - counted
                                     : static_cast<int64_t>(m.baseValue) + counted;
    int64_t laps = 0;
    m.current.timer = m.baseValue = WrapTime(raw, &laps);
    uint32_t fx = 0;
    if (laps > 0) {
        if (m.current.enableWarning) {
            if (m.inWarning) fx |= kFxWarningState;
            m.inWarning = false;
            m.warningArmed = true;
        }
        if (m.resetPending && !m.resetReached) {
            // More laps than were left means the reset's moment lay inside one of them.
            if (laps > m.wrapsBeforeReset) {
                m.resetReached = true;
            } else {
                m.wrapsBeforeReset -= static_cast<int32_t>(laps);
            }
        }
    }
    if (m.resetPending && !m.resetReached && m.wrapsBeforeReset == 0 &&
        ReachedProjection(m.current.timer)) {
        m.resetReached = true;
    }
    return fx;
}

// The reset's moment has come by the counted time; it happens once the clock agrees.
uint32_t ResetWhenDue() {
    int64_t fileTime = 0;
    if (SystemClock().LocalFileTime(&fileTime) &&
        fileTime / kFileTimePerCount < m.current.resetNext) {
        return 0;
    }
    m.current.timer = m.baseValue = m.current.resetTime;
    m.resetReached = false;
    // Written with the new schedule, so that a crash cannot leave a reset half done.
    WriteTimer(false);
    int64_t next = 0, nowCount = 0;
    if (m.current.resetOption == kResetPeriodically &&
        NextPeriodicReset(m.current, &next, &nowCount)) {
        m.current.resetNext = next;
        Project(nowCount);
        WriteKey(kAccountResetNext, true);
    } else {
        m.resetPending = false;
        m.current.resetOption = kResetNever;
        WriteKey(kAccountResetOption, true);
    }
    uint32_t fx = m.current.enableWarning ? SettleWarning() : 0;
    if (m.connectionsPage) fx |= kFxPostResetOccurred;
    return fx;
}

}  // namespace

void ResetMonitor() {
    const WindowRef page = m.connectionsPage;
    const bool liveTime = m.liveTime;
    std::memset(&m, 0, sizeof m);
    m.connectionsPage = page;
    m.liveTime = liveTime;
    m.shownSeconds = -1;
    ForgetAccount();
}

void ApplyMonitorDisplay(uint32_t effects) {
    if (effects & kFxShowIdle) ShowIdleTimer();
    if (effects & (kFxShowConnection | kFxReplaceTime | kFxShowTime)) {
        // The seconds shown were settled by the monitor (truncated or rounded); printf-free
        // digits keep a poll that changes them cheap.
        const TimeShown how = (effects & kFxShowConnection) ? TimeShown::kFirst
                              : (effects & kFxReplaceTime)  ? TimeShown::kReplaced
                                                            : TimeShown::kTick;
        if (effects & kFxShowConnection) SetTimerConnection(m.current.name);
        const uint32_t seconds = m.shownSeconds < 0 ? 0 : static_cast<uint32_t>(m.shownSeconds);
        const uint32_t hours = seconds / 3600;
        CellTexts texts{};
        std::memcpy(texts.sign, m.shownNegative ? " - " : " ", m.shownNegative ? 4 : 2);
        PutDigits(texts.hours, hours, 3);
        PutDigits(texts.minutes, seconds / 60 % 60, 2);
        PutDigits(texts.seconds, seconds % 60, 2);
        ShowTimerTexts(texts, m.shownNegative, static_cast<int>(hours), how);
        if (effects & kFxShowConnection) RefreshTimerName();
    }
    if (effects & kFxWarningState) SetTimerWarning(m.inWarning);
}

uint32_t StartConnection(WindowRef owner, const RasConnection& connection) {
    const uint32_t now = SystemClock().TickCount();
    m.baseTick = now;
    m.resetPending = m.resetReached = false;
    m.wrapsBeforeReset = 0;
    m.connHandle = connection.handle;
    std::snprintf(m.connEntry, sizeof m.connEntry, "%s", connection.entryName);
    std::memset(&m.current, 0, sizeof m.current);
    SetName(m.current.name,
            connection.entryName[0] == '.' ? connection.entryName + 1 : connection.entryName);
    int64_t nowCount = 0;
    if (!LoadAccountRecord(owner, &m.current, &nowCount)) {
        ForgetAccount();
        return 0;
    }
    AccountRecord& r = m.current;
    if (r.timer > kMaxTime || r.timer < -kMaxTime) r.timer = 0;

    if (r.resetOption == kResetEveryConnection) {
        r.timer = r.resetTime;
    } else if (r.resetOption == kResetPeriodically || r.resetOption == kResetOnDay) {
        if (!ScheduleUsable()) {
            r.resetOption = kResetNever;
        } else if (nowCount > 0 || ReadNow(&nowCount)) {
            Project(nowCount);
        }
    }

    m.connected = true;
    m.hungUpByUser = false;
    // A confirmation from before this connection was made is not for it.
    TakeHangUpConfirmation();
    m.baseValue = r.timer;
    uint32_t fx = 0;
    if (m.connectionsPage) fx |= kFxPostConnectionChanged;

    fx |= CountToNow(SystemClock().TickCount());
    m.shownSeconds = -1;
    TimeShownChanges(true);
    fx |= kFxShowConnection;

    m.inWarning = m.warningArmed = false;
    if (r.enableWarning) {
        if (PastWarning(r.timer)) {
            m.inWarning = true;
            fx |= kFxPlayWarning;
        } else {
            m.warningArmed = true;
        }
    }
    fx |= kFxWarningState | kFxShowWindow;
    if (PageFollowsTime()) fx |= kFxPostTimeTick;
    WriteProgramText(owner, kKeyLast, r.name, 0, 0, true);
    return fx | kFxUpdateTray | kFxRunOnConnection;
}

uint32_t CountingTick() {
    uint32_t fx = CountToNow(SystemClock().TickCount());
    if (m.resetPending && m.resetReached) fx |= ResetWhenDue();
    fx |= ShowTime();
    if (m.warningArmed && PastWarning(m.current.timer)) {
        m.warningArmed = false;
        m.inWarning = true;
        fx |= kFxPlayWarning | kFxWarningState;
    }
    if (++m.pollCount >= kPollsPerSave) {
        m.pollCount = 0;
        WriteTimer(true);
    }
    return fx;
}

uint32_t EndConnection() {
    uint32_t fx = kFxHideWindow;
    if (m.hungUpByUser) {
        m.hungUpByUser = false;
    } else {
        fx |= kFxPlayLostConnection;
    }
    m.connected = false;
    // A confirmation that met the line dropping must not hang up the next connection.
    TakeHangUpConfirmation();
    m.resetPending = m.resetReached = false;
    m.inWarning = m.warningArmed = false;
    m.shownSeconds = -1;
    fx |= kFxSaveEndedTimer;
    if (m.connectionsPage) fx |= kFxSendConnectionChanged;
    return fx | kFxShowIdle | kFxRunOnDisconnection | kFxUpdateTray;
}

void SaveTimerAfterConnection(WindowRef owner) {
    if (m.connected) return;
    const bool wasOpen = g_app.modalBoxOpen;
    g_app.modalBoxOpen = true;
    while (ClassifyAnswer(WriteAccountKey(owner, m.current.name, m.current, kAccountTimer,
                                          IDS_SAVE_CONFIG_FAILED, g_app.buttons.retry, true)) ==
           ErrorAnswer::kRepeat) {
    }
    g_app.modalBoxOpen = wasOpen;
    ForgetAccount();
}

uint32_t PollConnection(WindowRef owner) {
    RasConnection connection;
    std::memset(&connection, 0, sizeof connection);
    uint32_t count = 0;
    const uint32_t code = Ras().EnumConnections(&connection, 1, &count);
    if (code == kRasErrorBufferTooSmall) return kFxMultipleConnections;
    if (code != 0) return 0;
    if (count == 0) return m.connected ? EndConnection() : 0;
    connection.entryName[kRasNameSize - 1] = '\0';

    // Another connection in place of the timed one (the line dropped and was dialled again
    // between two polls): the old one has ended; the next poll starts the new one.
    if (m.connected && connection.handle != m.connHandle) return EndConnection();

    if (TakeHangUpConfirmation() && m.connected) {
        // Only a hang-up that RAS took counts as the user's: if it failed the line stays up, and
        // its later loss deserves the lost-connection sound.
        if (Ras().HangUp(m.connHandle) == 0) m.hungUpByUser = true;
        return 0;
    }
    RasState state = RasState::kOther;
    if (Ras().GetConnectStatus(connection.handle, &state) != 0) return 0;
    if (m.connected) return state == RasState::kDisconnected ? EndConnection() : CountingTick();
    if (state == RasState::kConnected) return StartConnection(owner, connection);
    return 0;
}

uint32_t OnSystemTimeChanged() {
    if (!m.connected) return 0;
    const int32_t option = m.current.resetOption;
    if (option != kResetPeriodically && option != kResetOnDay) return 0;
    const uint32_t fx = CountToNow(SystemClock().TickCount());
    ProjectFromClock();
    return fx;
}

uint32_t OnAccountEdited(const char* name, uint32_t flags) {
    if (!m.connected || !name || !EqualNoCase(name, m.current.name)) return 0;
    uint32_t fx = 0;
    const uint32_t now = SystemClock().TickCount();
    if (flags & kEditedTime) {
        int32_t& timer = m.current.timer;
        if (timer > kMaxTime || timer < -kMaxTime) timer = 0;
        m.baseTick = now;
        m.baseValue = timer;
        TimeShownChanges(false);
        fx |= kFxReplaceTime;
        if (PageFollowsTime()) fx |= kFxPostTimeTick;
    } else {
        // The page's copy of the time is as old as its last tick; the base is not.
        fx |= CountToNow(now);
    }
    if (flags & (kEditedTime | kEditedWarning)) fx |= SettleWarning();
    if ((flags & kEditedReset) || (m.resetPending && (flags & kEditedTime))) {
        const int32_t option = m.current.resetOption;
        if (option == kResetPeriodically || option == kResetOnDay) {
            ProjectFromClock();
        } else {
            m.resetPending = false;
        }
    }
    return fx;
}

void WaitForHangUpToFinish(void (*sleep)(uint32_t milliseconds)) {
    if (!m.hungUpByUser) return;
    RasState state = RasState::kOther;
    if (Ras().GetConnectStatus(m.connHandle, &state) != 0) return;
    for (uint32_t waited = 0; waited <= kHangUpWaitLimit; waited += kHangUpWaitStep) {
        sleep(kHangUpWaitStep);
        if (Ras().GetConnectStatus(m.connHandle, &state) == kRasErrorInvalidHandle) return;
    }
}

void SaveTimerAtExit() {
    if (m.connected) WriteTimer(true);
}

bool ShowMultipleConnectionsMessage(WindowRef owner) {
    char format[260], text[kScratchSize];
    if (!LoadText(IDS_MULTIPLE_CONNECTIONS, format, sizeof format)) return false;
    std::snprintf(text, sizeof text, format, kProductName, kProductName);
    char caption[64];
    if (!LoadText(IDS_DIALTICK_ERROR, caption, sizeof caption)) caption[0] = '\0';
    const bool wasOpen = g_app.modalBoxOpen;
    g_app.modalBoxOpen = true;
    ShowAppMessage(owner, text, caption, kIconStop, kButtonOk);
    g_app.modalBoxOpen = wasOpen;
    return true;
}

void SetConnectionsPage(WindowRef page) { m.connectionsPage = page; }
void SetLiveTime(bool on) { m.liveTime = on; }

}  // namespace dt
