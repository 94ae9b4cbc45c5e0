// The timer window's arithmetic: cell sizes from font measurements, time to cell texts, colours.
#include "timerwin/timer_layout.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "settings/program_settings.h"

namespace dt {
namespace {

constexpr int64_t kMaxDisplaySeconds = 999 * 3600 + 59 * 60 + 59;

void PutDigit(char (&cell)[2], char digit) {
    cell[0] = digit;
    cell[1] = '\0';
}

}  // namespace

int ShownHourCells(bool connected, int hours) {
    if (!connected || hours > 99) return 3;
    return hours >= 10 ? 2 : 1;
}

TimerLayout ComputeTimerLayout(const TimerMeasurements& m, bool connected, int hours) {
    TimerLayout l{};
    l.rowHeight = m.textHeight + 4;
    int signCell = m.signMeasured ? m.signWidth + 2 * m.spaceWidth : m.spaceWidth;
    l.shownHourCells = ShownHourCells(connected, hours);
    int hoursWidth = l.shownHourCells * m.digitWidth;
    int separatorCell = m.colonWidth + 2 * m.spaceWidth;
    int bottomWidth = signCell + hoursWidth + 2 * (separatorCell + 2 * m.digitWidth) + m.spaceWidth;

    if (bottomWidth > kMaxContentWidth) {
        l.contentWidth = bottomWidth;
    } else {
        l.contentWidth =
            std::clamp(std::max(m.nameWidth, bottomWidth), kMinContentWidth, kMaxContentWidth);
    }
    int extraBottom = std::max(l.contentWidth - bottomWidth, 0);
    int extraTop = std::max(l.contentWidth - m.nameWidth, 0);
    l.shortenName = l.contentWidth < m.nameWidth;

    // The name is centred in its cell; the fillers share what is left, a quarter to the left.
    l.topLeft = {0, extraTop / 4, true};
    int nameCell = l.shortenName ? l.contentWidth : m.nameWidth + extraTop / 2 + extraTop % 2;
    l.name = {l.topLeft.width, nameCell, true};
    int topRightX = l.name.x + l.name.width;
    l.topRight = {topRightX, l.contentWidth - topRightX, true};

    // Centred, the odd pixel going to the trailing cell on the right.
    int widths[kBottomRowCount] = {
        extraBottom / 2, signCell,      m.digitWidth, m.digitWidth,
        m.digitWidth,    separatorCell, m.digitWidth, m.digitWidth,
        separatorCell,   m.digitWidth,  m.digitWidth, m.spaceWidth + extraBottom - extraBottom / 2};
    int x = 0;
    for (int i = 0; i < kBottomRowCount; ++i) {
        // Cells 2 and 3 are the hour hundreds and tens; the units cell always shows.
        bool shown = true;
        if (i == 2) shown = l.shownHourCells >= 3;
        if (i == 3) shown = l.shownHourCells >= 2;
        l.bottom[i] = {x, shown ? widths[i] : 0, shown};
        if (shown) x += widths[i];
    }
    return l;
}

void AbcWalk::Add(const AbcWidths& w, int overhang) {
    int advance = w.a + static_cast<int>(w.b) + w.c;
    if (first_ && w.a < 0) lead_ = -w.a;
    first_ = false;
    carry_ = advance < carry_ ? carry_ - advance : 0;
    if (w.c < 0) carry_ = std::max(carry_, -w.c);
    sum_ += advance + overhang;
}

int AbcTextWidth(const AbcWidths* chars, int count, int overhang) {
    AbcWalk walk;
    for (int i = 0; i < count; ++i) walk.Add(chars[i], overhang);
    return walk.Width();
}

DisplayTime SplitDisplayTime(int32_t hundredths, bool truncate) {
    int64_t magnitude = hundredths < 0 ? -static_cast<int64_t>(hundredths) : hundredths;
    int64_t seconds = magnitude / 100;
    if (!truncate && magnitude % 100 > 50) ++seconds;
    // The cells hold three hour digits; a value beyond the timer's range shows as its limit.
    seconds = std::min(seconds, kMaxDisplaySeconds);
    DisplayTime t;
    t.negative = hundredths < 0;
    t.hours = static_cast<int>(seconds / 3600);
    t.minutes = static_cast<int>(seconds % 3600 / 60);
    t.seconds = static_cast<int>(seconds % 60);
    return t;
}

CellTexts FormatCellTexts(const DisplayTime& time) {
    CellTexts t{};
    std::snprintf(t.sign, sizeof t.sign, "%s", time.negative ? " - " : " ");
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", std::clamp(time.hours, 0, 999));
    for (int i = 0; i < 3; ++i) PutDigit(t.hours[i], digits[i]);
    std::snprintf(digits, sizeof digits, "%02d", std::clamp(time.minutes, 0, 59));
    for (int i = 0; i < 2; ++i) PutDigit(t.minutes[i], digits[i]);
    std::snprintf(digits, sizeof digits, "%02d", std::clamp(time.seconds, 0, 59));
    for (int i = 0; i < 2; ++i) PutDigit(t.seconds[i], digits[i]);
    return t;
}

CellTexts IdleCellTexts() {
    CellTexts t{};
    std::snprintf(t.sign, sizeof t.sign, " ");
    for (auto& cell : t.hours) PutDigit(cell, '?');
    for (auto& cell : t.minutes) PutDigit(cell, '?');
    for (auto& cell : t.seconds) PutDigit(cell, '?');
    return t;
}

CellChanges CompareCellTexts(const CellTexts& shown, const CellTexts& next) {
    CellChanges c{};
    c.signOrHours = std::strcmp(shown.sign, next.sign) != 0 ||
                    std::memcmp(shown.hours, next.hours, sizeof shown.hours) != 0;
    c.minutes = std::memcmp(shown.minutes, next.minutes, sizeof shown.minutes) != 0;
    c.seconds = std::memcmp(shown.seconds, next.seconds, sizeof shown.seconds) != 0;
    return c;
}

CellColours ChooseCellColours(CellKind kind, bool connected, bool inWarning) {
    int text = kOfflineText, back = kOfflineBack;
    if (connected) {
        text = inWarning ? kWarningText : kConnectedText;
        back = inWarning ? kWarningBack : kConnectedBack;
    }
    switch (kind) {
        case CellKind::kName:
            return {kTitleText, kTitleBack};
        case CellKind::kTopFiller:
            return {-1, kTitleBack};
        case CellKind::kBottomFiller:
            return {-1, back};
        case CellKind::kBottomCell:
            return {text, back};
        case CellKind::kOther:
            break;
    }
    return {-1, -1};
}

}  // namespace dt
