// What the timer window shows, and the calls through which the connection monitor changes it.
#include "timerwin/timer_display.h"

#include <cstdio>
#include <cstring>

#include "app/command_line.h"

namespace dt {
namespace {

TimerDisplayState MakeIdleState() {
    TimerDisplayState s{};
    std::snprintf(s.name, sizeof s.name, "%s", kProductName);
    s.shown = IdleCellTexts();
    return s;
}

TimerDisplayState g_state = MakeIdleState();
TimerView* g_view = nullptr;
bool g_hangUpConfirmed = false;

void WriteSignAndHours(const CellTexts& t) {
    g_view->SetCellText(IDC_CELL_SIGN, t.sign);
    for (int i = 0; i < 3; ++i) g_view->SetCellText(kHourCells[i], t.hours[i]);
}

void WriteMinutes(const CellTexts& t) {
    for (int i = 0; i < 2; ++i) g_view->SetCellText(kMinuteCells[i], t.minutes[i]);
}

void WriteSeconds(const CellTexts& t) {
    for (int i = 0; i < 2; ++i) g_view->SetCellText(kSecondCells[i], t.seconds[i]);
}

// A tick rewrites and paints only the cells of a pair whose digit changed: the tens of seconds
// change once in ten seconds, and every needless paint is work for nothing.
void UpdateChangedCells(const int (&ids)[2], const char (&shown)[2][2], const char (&next)[2][2]) {
    int changed[2] = {};
    int count = 0;
    for (int i = 0; i < 2; ++i) {
        if (std::strcmp(shown[i], next[i]) == 0) continue;
        g_view->SetCellText(ids[i], next[i]);
        changed[count++] = ids[i];
    }
    if (count > 0) g_view->UpdateCells(changed[0], changed[count - 1]);
}

}  // namespace

const TimerDisplayState& TimerDisplay() { return g_state; }

void SetTimerView(TimerView* view) { g_view = view; }

void ShowIdleTimer() {
    g_state = MakeIdleState();
    if (!g_view) return;
    g_view->SetCellsRedraw(false);
    WriteSignAndHours(g_state.shown);
    WriteMinutes(g_state.shown);
    WriteSeconds(g_state.shown);
    g_view->RefreshName();
    g_view->SetCellsRedraw(true);
}

void SetTimerConnection(const char* name) {
    g_state.connected = true;
    std::snprintf(g_state.name, sizeof g_state.name, "%s", name ? name : "");
}

void RefreshTimerName() {
    if (g_view) g_view->RefreshName();
}

void ShowTimerTime(int32_t hundredths, TimeShown how) {
    DisplayTime time = SplitDisplayTime(hundredths, how == TimeShown::kFirst);
    ShowTimerTexts(FormatCellTexts(time), time.negative, time.hours, how);
}

void ShowTimerTexts(const CellTexts& next, bool negative, int hours, TimeShown how) {
    CellChanges changes = CompareCellTexts(g_state.shown, next);
    const CellTexts previous = g_state.shown;
    g_state.negative = negative;
    g_state.hours = hours;
    g_state.shown = next;
    if (!g_view) return;

    if (how != TimeShown::kTick) {
        g_view->SetCellsRedraw(false);
        WriteSignAndHours(next);
        WriteMinutes(next);
        WriteSeconds(next);
        if (changes.signOrHours) g_view->Layout();
        g_view->SetCellsRedraw(true);
        return;
    }
    if (changes.signOrHours) {
        // The number of hour cells or the sign cell's width may change: one relayout, drawn
        // once when drawing comes back on.
        g_view->SetCellsRedraw(false);
        WriteSignAndHours(next);
        if (changes.minutes) WriteMinutes(next);
        if (changes.seconds) WriteSeconds(next);
        g_view->Layout();
        g_view->SetCellsRedraw(true);
        return;
    }
    if (changes.minutes) UpdateChangedCells(kMinuteCells, previous.minutes, next.minutes);
    if (changes.seconds) UpdateChangedCells(kSecondCells, previous.seconds, next.seconds);
}

void SetTimerWarning(bool inWarning) {
    if (g_state.inWarning == inWarning) return;
    g_state.inWarning = inWarning;
    if (g_view) g_view->RepaintAll();
}

bool ConfirmHangUp(const char* confirmedName) {
    if (!g_state.connected || !confirmedName || std::strcmp(confirmedName, g_state.name) != 0) {
        return false;
    }
    g_hangUpConfirmed = true;
    return true;
}

bool TakeHangUpConfirmation() {
    bool confirmed = g_hangUpConfirmed;
    g_hangUpConfirmed = false;
    return confirmed;
}

}  // namespace dt
