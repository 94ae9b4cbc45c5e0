// The timer window's arithmetic: cell sizes from font measurements, time to cell texts, colours.
#pragma once

#include <cstdint>

#include "resources/resource_ids.h"

namespace dt {

// The digit cells of dialog 1122, tens before units.
constexpr int kHourCells[3] = {IDC_CELL_HOUR_HUNDREDS, IDC_CELL_HOUR_TENS, IDC_CELL_HOUR_UNITS};
constexpr int kMinuteCells[2] = {IDC_CELL_MINUTE_TENS, IDC_CELL_MINUTE_UNITS};
constexpr int kSecondCells[2] = {IDC_CELL_SECOND_TENS, IDC_CELL_SECOND_UNITS};

// The bottom row in placing order.
constexpr int kBottomRowCount = 12;
constexpr int kBottomRow[kBottomRowCount] = {
    IDC_CELL_BOTTOM_LEFT, IDC_CELL_SIGN,         IDC_CELL_HOUR_HUNDREDS,
    IDC_CELL_HOUR_TENS,   IDC_CELL_HOUR_UNITS,   IDC_CELL_HOUR_SEPARATOR,
    IDC_CELL_MINUTE_TENS, IDC_CELL_MINUTE_UNITS, IDC_CELL_MINUTE_SEPARATOR,
    IDC_CELL_SECOND_TENS, IDC_CELL_SECOND_UNITS, IDC_CELL_TRAILING};

// Content is never narrower than this, and wider only when the bottom row needs it.
constexpr int kMinContentWidth = 80;
constexpr int kMaxContentWidth = 630;

// What the timer font measures, in pixels.
struct TimerMeasurements {
    int nameWidth;  // the name with two spaces on each side
    int signWidth;  // "-", when signMeasured
    bool signMeasured;
    int digitWidth;  // widest of "0" to "9" and "?"
    int colonWidth;
    int spaceWidth;
    int textHeight;
};

// A control's horizontal place in its row; hidden hour cells have shown == false.
struct CellPlace {
    int x;
    int width;
    bool shown;
};

struct TimerLayout {
    int contentWidth;
    int rowHeight;
    int shownHourCells;  // 1 to 3, units always among them
    bool shortenName;    // the name cell is contentWidth wide and the name must be cut to fit
    CellPlace topLeft, name, topRight;
    CellPlace bottom[kBottomRowCount];  // in kBottomRow order
};

// How many hour cells show: all three when not connected (they hold "?"), else as many as the
// hours need.
int ShownHourCells(bool connected, int hours);

TimerLayout ComputeTimerLayout(const TimerMeasurements& m, bool connected, int hours);

// One character's ABC widths, as GetCharABCWidths gives them.
struct AbcWidths {
    int a;
    unsigned b;
    int c;
};
// Width of a TrueType text from its characters' ABC widths, added one character at a time;
// counts the first character's overhang on the left (negative A) and what the glyphs' C
// overhangs beyond their advance on the right.
class AbcWalk {
  public:
    void Add(const AbcWidths& w, int overhang);
    int Width() const { return lead_ + 2 * carry_ + sum_; }

  private:
    int sum_ = 0, lead_ = 0, carry_ = 0;
    bool first_ = true;
};
int AbcTextWidth(const AbcWidths* chars, int count, int overhang);

// A time value as the digit cells show it.
struct DisplayTime {
    bool negative;
    int hours;  // 0 to 999
    int minutes;
    int seconds;
};
// Splits a signed count of hundredths by its magnitude. Whole seconds round up when more than
// 50 hundredths remain, unless `truncate` (the first display of a connection).
DisplayTime SplitDisplayTime(int32_t hundredths, bool truncate);

// The texts of the bottom row's changing cells.
struct CellTexts {
    char sign[4];      // " - " or " "
    char hours[3][2];  // one character each
    char minutes[2][2];
    char seconds[2][2];
};
CellTexts FormatCellTexts(const DisplayTime& time);
// The texts while nothing is timed: no sign and "?" in every digit.
CellTexts IdleCellTexts();

// Which cells a new set of texts rewrites.
struct CellChanges {
    bool signOrHours;  // the layout may change: relayout with the bottom row's drawing off
    bool minutes;
    bool seconds;
};
CellChanges CompareCellTexts(const CellTexts& shown, const CellTexts& next);

enum class CellKind { kName, kTopFiller, kBottomFiller, kBottomCell, kOther };

// Which of the display colours (DisplayColour) a static gets: -1 for "not set" (no text colour;
// or, for the background, the dialog's default handling).
struct CellColours {
    int text;
    int back;
};
CellColours ChooseCellColours(CellKind kind, bool connected, bool inWarning);

}  // namespace dt
