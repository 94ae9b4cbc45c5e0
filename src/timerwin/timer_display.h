// What the timer window shows, and the calls through which the connection monitor changes it.
#pragma once

#include <cstdint>

#include "timerwin/timer_layout.h"

namespace dt {

// A phonebook entry name of up to 256 characters.
constexpr int kConnectionNameSize = 257;

// The state handed over by the monitor; the window lays itself out and colours its cells by it.
struct TimerDisplayState {
    bool connected;
    bool inWarning;
    bool negative;
    int hours;
    char name[kConnectionNameSize];  // the product name while nothing is timed
    CellTexts shown;                 // what the bottom row's changing cells hold
};
const TimerDisplayState& TimerDisplay();

// What the display asks of the window: the Windows timer window, or a test's recorder.
class TimerView {
  public:
    virtual ~TimerView() = default;
    virtual void SetCellText(int controlId, const char* text) = 0;
    // Drawing of the bottom row off, or on again (which repaints it).
    virtual void SetCellsRedraw(bool on) = 0;
    // Paints two just-rewritten cells at once.
    virtual void UpdateCells(int firstId, int secondId) = 0;
    // Measures, sizes and places everything for the current state, and repaints.
    virtual void Layout() = 0;
    // The colours changed.
    virtual void RepaintAll() = 0;
    // MsgRefreshName: the name cell takes the state's name and the window is laid out again.
    virtual void RefreshName() = 0;
};
// Null while there is no window: the state is still kept.
void SetTimerView(TimerView* view);

// Nothing timed: the product name, the offline colours, no sign and "?" in every digit.
void ShowIdleTimer();

// The monitor's calls while a connection is timed.
//
// A connection starts: the state turns connected with the entry's name (the window shows the
// name at the next RefreshTimerName). The colours follow at the next repaint.
void SetTimerConnection(const char* name);
// The name cell shows the state's name again, unshortened, and the window is laid out.
void RefreshTimerName();

enum class TimeShown {
    kFirst,     // the first value of a connection: seconds truncated, every cell written
    kTick,      // a poll: only changed cells rewritten, a relayout when the sign or hours change
    kReplaced,  // set from outside a poll (an edit): every cell written
};
void ShowTimerTime(int32_t hundredths, TimeShown how);
// Repaints the whole window when the warning state changes, since the bottom row's colours do.
void SetTimerWarning(bool inWarning);

// The texts themselves, for a caller that computed them: as ShowTimerTime.
void ShowTimerTexts(const CellTexts& next, bool negative, int hours, TimeShown how);

// "&Disconnect" confirmed for the connection `confirmedName`: the monitor takes the request at
// its next poll and hangs up. Refused (false) when that connection ended while the question was
// open, so that a later connection is not hung up in its place.
bool ConfirmHangUp(const char* confirmedName);
// True once per confirmation.
bool TakeHangUpConfirmation();

}  // namespace dt
