// The timer window's arithmetic: cell widths and places, text widths, time texts and colours.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "settings/program_settings.h"
#include "timerwin/timer_layout.h"

namespace dt {
namespace {

// Index of a control in TimerLayout::bottom.
int At(int id) {
    for (int i = 0; i < kBottomRowCount; ++i) {
        if (kBottomRow[i] == id) return i;
    }
    return -1;
}

// A small font: digits 7 wide, ":" 3, " " 3, "-" 4, text 13 high.
TimerMeasurements Small(int nameWidth, bool sign = false) {
    return {nameWidth, sign ? 4 : 0, sign, 7, 3, 3, 13};
}

// The cells of a row follow each other without gaps and fill the content width.
void ExpectRowsTile(const TimerLayout& l) {
    EXPECT_EQ(l.topLeft.x, 0);
    EXPECT_EQ(l.name.x, l.topLeft.width);
    EXPECT_EQ(l.topRight.x, l.name.x + l.name.width);
    EXPECT_EQ(l.topRight.x + l.topRight.width, l.contentWidth);
    int x = 0;
    for (const CellPlace& cell : l.bottom) {
        if (!cell.shown) continue;
        EXPECT_EQ(cell.x, x);
        x += cell.width;
    }
    EXPECT_EQ(x, l.contentWidth);
}

TEST(TimerLayout, ShortContentIsWidenedTo80WithSpareWidthInTheFillers) {
    // Idle: sign 3 + hours 21 + 2 * (separator 9 + minutes 14) + trailing 3 = 73.
    TimerLayout l = ComputeTimerLayout(Small(60), false, 0);
    EXPECT_EQ(l.contentWidth, 80);
    EXPECT_EQ(l.rowHeight, 17);
    EXPECT_FALSE(l.shortenName);
    // Top: 20 spare, a quarter left of the name, half to the name, the rest right.
    EXPECT_EQ(l.topLeft.width, 5);
    EXPECT_EQ(l.name.width, 70);
    EXPECT_EQ(l.topRight.width, 5);
    // Bottom: 7 spare, 3 to the left filler, 4 more on the trailing cell (odd pixel right).
    EXPECT_EQ(l.bottom[At(IDC_CELL_BOTTOM_LEFT)].width, 3);
    EXPECT_EQ(l.bottom[At(IDC_CELL_TRAILING)].width, 3 + 4);
    EXPECT_EQ(l.bottom[At(IDC_CELL_SIGN)].width, 3);
    EXPECT_EQ(l.bottom[At(IDC_CELL_HOUR_SEPARATOR)].width, 9);
    EXPECT_EQ(l.bottom[At(kMinuteCells[0])].x, 36);
    ExpectRowsTile(l);
}

TEST(TimerLayout, OddSpareWidthOfTheTopRowGoesToTheNameCell) {
    TimerLayout l = ComputeTimerLayout(Small(61), false, 0);
    EXPECT_EQ(l.topLeft.width, 4);        // 19 / 4
    EXPECT_EQ(l.name.width, 61 + 9 + 1);  // + 19 / 2 + 19 % 2
    EXPECT_EQ(l.topRight.width, 5);
    ExpectRowsTile(l);
}

TEST(TimerLayout, HourCellsShownByTheHoursWhileConnected) {
    EXPECT_EQ(ShownHourCells(false, 0), 3);  // idle: three "?"
    EXPECT_EQ(ShownHourCells(true, 0), 1);
    EXPECT_EQ(ShownHourCells(true, 9), 1);
    EXPECT_EQ(ShownHourCells(true, 10), 2);
    EXPECT_EQ(ShownHourCells(true, 99), 2);
    EXPECT_EQ(ShownHourCells(true, 100), 3);
    EXPECT_EQ(ShownHourCells(true, 999), 3);

    // Going from 9 to 10 hours adds one digit's width to the bottom row.
    TimerMeasurements wide = {40, 0, false, 20, 6, 5, 20};
    TimerLayout nine = ComputeTimerLayout(wide, true, 9);
    TimerLayout ten = ComputeTimerLayout(wide, true, 10);
    TimerLayout hundred = ComputeTimerLayout(wide, true, 100);
    EXPECT_FALSE(nine.bottom[At(kHourCells[0])].shown);
    EXPECT_FALSE(nine.bottom[At(kHourCells[1])].shown);
    EXPECT_TRUE(nine.bottom[At(kHourCells[2])].shown);
    EXPECT_TRUE(ten.bottom[At(kHourCells[1])].shown);
    EXPECT_FALSE(ten.bottom[At(kHourCells[0])].shown);
    EXPECT_TRUE(hundred.bottom[At(kHourCells[0])].shown);
    // 5 + 20 + 2 * (16 + 40) + 5 = 142 with one hour cell.
    EXPECT_EQ(nine.contentWidth, 142);
    EXPECT_EQ(ten.contentWidth, 162);
    EXPECT_EQ(hundred.contentWidth, 182);
    ExpectRowsTile(nine);
    ExpectRowsTile(ten);
    ExpectRowsTile(hundred);
}

TEST(TimerLayout, TheMinusSignWidensTheSignCell) {
    TimerLayout plain = ComputeTimerLayout(Small(200), true, 0);
    TimerLayout minus = ComputeTimerLayout(Small(200, true), true, 0);
    EXPECT_EQ(plain.bottom[At(IDC_CELL_SIGN)].width, 3);
    EXPECT_EQ(minus.bottom[At(IDC_CELL_SIGN)].width, 4 + 2 * 3);
    // The row is centred either way, so the spare width shrinks by the difference.
    EXPECT_EQ(plain.bottom[At(IDC_CELL_BOTTOM_LEFT)].width -
                  minus.bottom[At(IDC_CELL_BOTTOM_LEFT)].width +
                  plain.bottom[At(IDC_CELL_TRAILING)].width -
                  minus.bottom[At(IDC_CELL_TRAILING)].width,
              7);
    ExpectRowsTile(minus);
}

TEST(TimerLayout, ANameWiderThan630IsShortenedIn630) {
    TimerLayout l = ComputeTimerLayout(Small(900), true, 5);
    EXPECT_EQ(l.contentWidth, kMaxContentWidth);
    EXPECT_TRUE(l.shortenName);
    EXPECT_EQ(l.topLeft.width, 0);
    EXPECT_EQ(l.name.width, 630);
    EXPECT_EQ(l.topRight.width, 0);
    // Bottom 59 wide: 571 spare, 285 left, 3 + 286 trailing.
    EXPECT_EQ(l.bottom[At(IDC_CELL_BOTTOM_LEFT)].width, 285);
    EXPECT_EQ(l.bottom[At(IDC_CELL_TRAILING)].width, 289);
    ExpectRowsTile(l);

    TimerLayout exact = ComputeTimerLayout(Small(630), true, 5);
    EXPECT_FALSE(exact.shortenName);
    EXPECT_EQ(exact.name.width, 630);
}

TEST(TimerLayout, ABottomRowWiderThan630WidensTheWindowAndTheNameIsMeasuredAgainstIt) {
    // 15 + 240 + 2 * (50 + 160) + 15 = 690.
    TimerMeasurements big = {200, 0, false, 80, 20, 15, 90};
    TimerLayout l = ComputeTimerLayout(big, true, 100);
    EXPECT_EQ(l.contentWidth, 690);
    EXPECT_FALSE(l.shortenName);
    EXPECT_EQ(l.bottom[At(IDC_CELL_BOTTOM_LEFT)].width, 0);
    EXPECT_EQ(l.bottom[At(IDC_CELL_TRAILING)].width, 15);
    ExpectRowsTile(l);

    big.nameWidth = 700;
    l = ComputeTimerLayout(big, true, 100);
    EXPECT_EQ(l.contentWidth, 690);
    EXPECT_TRUE(l.shortenName);
    EXPECT_EQ(l.name.width, 690);

    big.nameWidth = 690;
    EXPECT_FALSE(ComputeTimerLayout(big, true, 100).shortenName);
}

TEST(AbcTextWidth, CountsOverhangsBeyondTheAdvance) {
    const AbcWidths plain[] = {{1, 5, 1}, {1, 5, 1}};
    EXPECT_EQ(AbcTextWidth(plain, 2, 0), 14);
    // A first character reaching left of its origin adds that much.
    const AbcWidths leading[] = {{-2, 9, 0}};
    EXPECT_EQ(AbcTextWidth(leading, 1, 0), 9);
    // Only the first character's A counts.
    const AbcWidths laterA[] = {{0, 5, 0}, {-2, 9, 0}};
    EXPECT_EQ(AbcTextWidth(laterA, 2, 0), 12);
    // A last glyph reaching 3 beyond its advance: twice that, so centred text stays centred.
    const AbcWidths trailing[] = {{0, 6, 1}, {0, 8, -3}};
    EXPECT_EQ(AbcTextWidth(trailing, 2, 0), 12 + 2 * 3);
    // A following character uses up what the previous one overhung.
    const AbcWidths absorbed[] = {{0, 8, -3}, {0, 1, 1}};
    EXPECT_EQ(AbcTextWidth(absorbed, 2, 0), 7 + 2 * 1);
    const AbcWidths covered[] = {{0, 8, -3}, {0, 6, 0}};
    EXPECT_EQ(AbcTextWidth(covered, 2, 0), 11);
    // The font's overhang is added per character.
    const AbcWidths bold[] = {{0, 5, 0}, {0, 5, 0}, {0, 5, 0}};
    EXPECT_EQ(AbcTextWidth(bold, 3, 2), 21);
}

std::string Show(int32_t hundredths, bool truncate = false) {
    CellTexts t = FormatCellTexts(SplitDisplayTime(hundredths, truncate));
    return std::string(t.sign) + "|" + t.hours[0] + t.hours[1] + t.hours[2] + ":" + t.minutes[0] +
           t.minutes[1] + ":" + t.seconds[0] + t.seconds[1];
}

TEST(CellTexts, WholeSecondsRoundUpOnlyAboveHalf) {
    EXPECT_EQ(Show(0), " |000:00:00");
    EXPECT_EQ(Show(150), " |000:00:01");
    EXPECT_EQ(Show(151), " |000:00:02");
    // The first display of a connection truncates.
    EXPECT_EQ(Show(199, true), " |000:00:01");
    // Rounding carries through minutes and hours.
    EXPECT_EQ(Show(359951), " |001:00:00");
    EXPECT_EQ(Show(3600 * 100 * 12 + 34 * 6000 + 5600), " |012:34:56");
}

TEST(CellTexts, NegativeTimesShowTheMinusAndTheirMagnitude) {
    // Counting down from 0:00:10, eleven seconds later.
    EXPECT_EQ(Show(-100), " - |000:00:01");
    EXPECT_EQ(Show(-49), " - |000:00:00");
    EXPECT_EQ(Show(-359999900), " - |999:59:59");
}

TEST(CellTexts, ValuesBeyondTheRangeShowTheLimitInThreeHourDigits) {
    EXPECT_EQ(Show(359999900), " |999:59:59");
    EXPECT_EQ(Show(359999999), " |999:59:59");
    EXPECT_EQ(Show(INT32_MAX), " |999:59:59");
    EXPECT_EQ(Show(INT32_MIN), " - |999:59:59");
}

TEST(CellTexts, IdleAndChanges) {
    CellTexts idle = IdleCellTexts();
    EXPECT_STREQ(idle.sign, " ");
    EXPECT_STREQ(idle.hours[0], "?");
    EXPECT_STREQ(idle.seconds[1], "?");

    CellTexts a = FormatCellTexts(SplitDisplayTime(100 * (9 * 3600 + 59 * 60 + 59), false));
    CellTexts b = FormatCellTexts(SplitDisplayTime(100 * 10 * 3600, false));
    CellChanges c = CompareCellTexts(a, b);
    EXPECT_TRUE(c.signOrHours && c.minutes && c.seconds);
    c = CompareCellTexts(a, a);
    EXPECT_FALSE(c.signOrHours || c.minutes || c.seconds);
    c = CompareCellTexts(idle, b);
    EXPECT_TRUE(c.signOrHours);
    CellTexts minus = FormatCellTexts(SplitDisplayTime(-100 * 10 * 3600, false));
    c = CompareCellTexts(b, minus);
    EXPECT_TRUE(c.signOrHours);
    EXPECT_FALSE(c.minutes || c.seconds);
}

TEST(CellColours, TitleRowKeepsTitleColoursAndBottomRowFollowsTheState) {
    for (bool connected : {false, true}) {
        for (bool warning : {false, true}) {
            CellColours name = ChooseCellColours(CellKind::kName, connected, warning);
            EXPECT_EQ(name.text, kTitleText);
            EXPECT_EQ(name.back, kTitleBack);
            CellColours filler = ChooseCellColours(CellKind::kTopFiller, connected, warning);
            EXPECT_EQ(filler.text, -1);
            EXPECT_EQ(filler.back, kTitleBack);
            CellColours other = ChooseCellColours(CellKind::kOther, connected, warning);
            EXPECT_EQ(other.back, -1);
        }
    }
    CellColours ok = ChooseCellColours(CellKind::kBottomCell, true, false);
    EXPECT_EQ(ok.text, kConnectedText);
    EXPECT_EQ(ok.back, kConnectedBack);
    CellColours warn = ChooseCellColours(CellKind::kBottomCell, true, true);
    EXPECT_EQ(warn.text, kWarningText);
    EXPECT_EQ(warn.back, kWarningBack);
    // A warning left over from the last connection does not colour the idle window.
    CellColours off = ChooseCellColours(CellKind::kBottomCell, false, true);
    EXPECT_EQ(off.text, kOfflineText);
    EXPECT_EQ(off.back, kOfflineBack);
    CellColours filler = ChooseCellColours(CellKind::kBottomFiller, true, true);
    EXPECT_EQ(filler.text, -1);
    EXPECT_EQ(filler.back, kWarningBack);
}

}  // namespace
}  // namespace dt
