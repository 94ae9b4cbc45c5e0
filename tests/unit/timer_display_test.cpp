// The timer display: which cells a new time rewrites, when the window is laid out again, and
// how drawing is held back around multi-cell changes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "timerwin/timer_display.h"

namespace dt {
namespace {

constexpr int32_t kHour = 360000;
constexpr int32_t kMinute = 6000;
constexpr int32_t kSecond = 100;

// The cells in the calls below: "s1" is the seconds' units cell, "h100" the hours' hundreds.
const std::map<int, std::string> kCells = {
    {IDC_CELL_SIGN, "sign"},       {IDC_CELL_HOUR_HUNDREDS, "h100"},
    {IDC_CELL_HOUR_TENS, "h10"},   {IDC_CELL_HOUR_UNITS, "h1"},
    {IDC_CELL_MINUTE_TENS, "m10"}, {IDC_CELL_MINUTE_UNITS, "m1"},
    {IDC_CELL_SECOND_TENS, "s10"}, {IDC_CELL_SECOND_UNITS, "s1"}};

std::string Cell(int controlId) {
    auto known = kCells.find(controlId);
    return known != kCells.end() ? known->second : std::to_string(controlId);
}

class RecordingView : public TimerView {
  public:
    std::vector<std::string> calls;

    void SetCellText(int controlId, const char* text) override {
        calls.push_back("text " + Cell(controlId) + " '" + text + "'");
    }
    void SetCellsRedraw(bool on) override { calls.push_back(on ? "redraw on" : "redraw off"); }
    void UpdateCells(int firstId, int secondId) override {
        calls.push_back("update " + Cell(firstId) + " " + Cell(secondId));
    }
    void Layout() override { calls.push_back("layout"); }
    void RepaintAll() override { calls.push_back("repaint"); }
    void RefreshName() override { calls.push_back("refresh " + std::string(TimerDisplay().name)); }

    int Count(const std::string& call) const {
        int n = 0;
        for (const std::string& c : calls) n += c == call;
        return n;
    }
};

class TimerDisplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetTimerView(&view);
        ShowIdleTimer();
        TakeHangUpConfirmation();
        view.calls.clear();
    }
    void TearDown() override {
        SetTimerView(nullptr);
        ShowIdleTimer();
        TakeHangUpConfirmation();
    }
    // Connected and showing `time`, with the calls so far forgotten.
    void Connect(const char* name, int32_t time) {
        SetTimerConnection(name);
        ShowTimerTime(time, TimeShown::kFirst);
        view.calls.clear();
    }
    RecordingView view;
};

TEST_F(TimerDisplayTest, IdleShowsTheProductNameAndQuestionMarksDrawnOnce) {
    Connect("Work", 5 * kHour);
    ShowIdleTimer();
    const TimerDisplayState& s = TimerDisplay();
    EXPECT_FALSE(s.connected);
    EXPECT_FALSE(s.inWarning);
    EXPECT_STREQ(s.name, "Dialtick");
    std::vector<std::string> expected = {"redraw off",       "text sign ' '", "text h100 '?'",
                                         "text h10 '?'",     "text h1 '?'",   "text m10 '?'",
                                         "text m1 '?'",      "text s10 '?'",  "text s1 '?'",
                                         "refresh Dialtick", "redraw on"};
    EXPECT_EQ(view.calls, expected);
}

TEST_F(TimerDisplayTest, ASecondTickRewritesOnlyTheCellThatChanged) {
    Connect("Work", kHour);
    ShowTimerTime(kHour + kSecond, TimeShown::kTick);
    std::vector<std::string> expected = {"text s1 '1'", "update s1 s1"};
    EXPECT_EQ(view.calls, expected);

    // A tick within the same shown second changes nothing.
    view.calls.clear();
    ShowTimerTime(kHour + kSecond + 40, TimeShown::kTick);
    EXPECT_TRUE(view.calls.empty());

    // Ten seconds on, both second cells change.
    view.calls.clear();
    ShowTimerTime(kHour + 10 * kSecond, TimeShown::kTick);
    expected = {"text s10 '1'", "text s1 '0'", "update s10 s1"};
    EXPECT_EQ(view.calls, expected);
}

TEST_F(TimerDisplayTest, AMinuteTickRewritesTheChangedCellsOfBothPairs) {
    Connect("Work", 59 * kSecond);
    ShowTimerTime(kMinute, TimeShown::kTick);
    std::vector<std::string> expected = {"text m1 '1'", "update m1 m1", "text s10 '0'",
                                         "text s1 '0'", "update s10 s1"};
    EXPECT_EQ(view.calls, expected);
}

TEST_F(TimerDisplayTest, AnHourChangeRelaysOutOnceWithDrawingHeldBack) {
    Connect("Work", 9 * kHour + 59 * kMinute + 59 * kSecond);
    ShowTimerTime(10 * kHour, TimeShown::kTick);
    EXPECT_EQ(TimerDisplay().hours, 10);
    ASSERT_FALSE(view.calls.empty());
    EXPECT_EQ(view.calls.front(), "redraw off");
    EXPECT_EQ(view.calls.back(), "redraw on");
    EXPECT_EQ(view.Count("layout"), 1);
    EXPECT_EQ(view.Count("update m10 m1") + view.Count("update s10 s1"), 0);
    EXPECT_EQ(view.Count("text h10 '1'"), 1);
    EXPECT_EQ(view.Count("text h1 '0'"), 1);
    EXPECT_EQ(view.Count("text m1 '0'"), 1);
    // The layout comes after every text, so it measures what is shown.
    EXPECT_EQ(view.calls[view.calls.size() - 2], "layout");
}

TEST_F(TimerDisplayTest, ASignChangeRelaysOutWithTheNewSign) {
    Connect("Work", -60);  // shows " - " 0:00:00 after rounding
    EXPECT_TRUE(TimerDisplay().negative);
    ShowTimerTime(10, TimeShown::kTick);
    EXPECT_FALSE(TimerDisplay().negative);
    std::vector<std::string> expected = {"redraw off",   "text sign ' '", "text h100 '0'",
                                         "text h10 '0'", "text h1 '0'",   "layout",
                                         "redraw on"};
    EXPECT_EQ(view.calls, expected);
}

TEST_F(TimerDisplayTest, TheFirstValueTruncatesAndLaysOutFromTheIdleCells) {
    SetTimerConnection("Work");
    EXPECT_TRUE(TimerDisplay().connected);
    EXPECT_STREQ(TimerDisplay().name, "Work");
    ShowTimerTime(199, TimeShown::kFirst);
    EXPECT_EQ(view.Count("text s1 '1'"), 1);
    EXPECT_EQ(view.Count("layout"), 1);
    EXPECT_EQ(view.calls.front(), "redraw off");
    EXPECT_EQ(view.calls.back(), "redraw on");
}

TEST_F(TimerDisplayTest, AReplacedTimeRewritesEveryCellButRelaysOutOnlyForNewHoursOrSign) {
    Connect("Work", 2 * kHour);
    ShowTimerTime(2 * kHour + 30 * kMinute, TimeShown::kReplaced);
    EXPECT_EQ(view.Count("layout"), 0);
    EXPECT_EQ(view.Count("text sign ' '"), 1);
    EXPECT_EQ(view.Count("text s1 '0'"), 1);
    EXPECT_EQ(view.calls.front(), "redraw off");
    EXPECT_EQ(view.calls.back(), "redraw on");

    view.calls.clear();
    ShowTimerTime(-2 * kHour, TimeShown::kReplaced);
    EXPECT_EQ(view.Count("layout"), 1);
    EXPECT_EQ(view.Count("text sign ' - '"), 1);
}

TEST_F(TimerDisplayTest, TextsComputedElsewhereAreShownTheSameWay) {
    Connect("Work", kHour);
    CellTexts next = FormatCellTexts(SplitDisplayTime(kHour + 2 * kSecond, false));
    ShowTimerTexts(next, false, 1, TimeShown::kTick);
    std::vector<std::string> expected = {"text s1 '2'", "update s1 s1"};
    EXPECT_EQ(view.calls, expected);
}

TEST_F(TimerDisplayTest, TheWarningRepaintsOnlyWhenItChanges) {
    Connect("Work", kHour);
    SetTimerWarning(true);
    SetTimerWarning(true);
    EXPECT_TRUE(TimerDisplay().inWarning);
    SetTimerWarning(false);
    std::vector<std::string> expected = {"repaint", "repaint"};
    EXPECT_EQ(view.calls, expected);
}

TEST_F(TimerDisplayTest, WithoutAWindowTheStateIsStillKept) {
    SetTimerView(nullptr);
    SetTimerConnection("Work");
    ShowTimerTime(123 * kHour, TimeShown::kFirst);
    RefreshTimerName();
    SetTimerWarning(true);
    EXPECT_EQ(TimerDisplay().hours, 123);
    EXPECT_TRUE(TimerDisplay().inWarning);
    EXPECT_TRUE(view.calls.empty());
}

TEST_F(TimerDisplayTest, LongNamesAreKeptTo256Characters) {
    std::string name(400, 'n');
    SetTimerConnection(name.c_str());
    EXPECT_EQ(std::string(TimerDisplay().name), std::string(256, 'n'));
    SetTimerConnection(nullptr);
    EXPECT_STREQ(TimerDisplay().name, "");
}

TEST_F(TimerDisplayTest, AHangUpIsConfirmedOnlyForTheConnectionThatWasAskedAbout) {
    EXPECT_FALSE(ConfirmHangUp("Work"));  // nothing connected
    Connect("Work", kHour);
    EXPECT_FALSE(ConfirmHangUp("Home"));
    EXPECT_FALSE(ConfirmHangUp(nullptr));
    EXPECT_FALSE(TakeHangUpConfirmation());
    EXPECT_TRUE(ConfirmHangUp("Work"));
    EXPECT_TRUE(TakeHangUpConfirmation());
    EXPECT_FALSE(TakeHangUpConfirmation());

    // The connection ended while the question was open: the answer must not reach the next one.
    ShowIdleTimer();
    EXPECT_FALSE(ConfirmHangUp("Work"));
    EXPECT_FALSE(TakeHangUpConfirmation());
}

}  // namespace
}  // namespace dt
