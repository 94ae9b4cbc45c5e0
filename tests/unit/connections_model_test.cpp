// Tests of the Connections page's model: validation order and messages, day rules, the clock
// checks, which keys a save writes, and the hand-over of the connected account to the monitor.
#include "settingsui/connections_model.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "engine/calendar.h"
#include "engine/connection_monitor.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "support/fake_platform.h"

namespace dt {
namespace {

using test::FakeClock;
using test::FakeFileSystem;
using test::ScriptedMessages;

constexpr const char* kPath = "C:\\Dialtick.ini";
const int64_t kNow = FakeClock::FileTimeOf(2003, 3, 6, 9, 0, 0);

// A record that passes every check: counting down, warning on, reset monthly on the 15th.
PageRecord ValidRecord() {
    PageRecord r{};
    std::strcpy(r.account.name, "Acc");
    r.account.timerHours = 1;
    r.account.timerMinutes = 2;
    r.account.timerSeconds = 3;
    r.account.enableWarning = 1;
    r.account.warningHours = 0;
    r.account.warningMinutes = 30;
    r.account.warningSeconds = 0;
    r.account.resetOption = kResetPeriodically;
    r.account.resetPeriod = kPeriodMonths;
    r.account.resetCount = 1;
    r.resetHours = r.resetMinutes = r.resetSeconds = 0;
    r.nextHour = 8;
    r.nextMinute = r.nextSecond = 0;
    r.nextDay = 15;
    r.nextMonth = 3;
    r.nextYear = 2003;
    return r;
}

std::string Message(const ValidationFailure& f) {
    char text[400];
    EXPECT_TRUE(FormatValidationMessage(f, text, sizeof text));
    return text;
}

// Validates with the schedule counted as changed (judged against the clock).
bool Validate(const PageRecord& r, ValidationFailure* f, int64_t now = kNow) {
    return ValidateRecord(r, true, true, now, f);
}

struct Check {
    const char* what;
    std::function<void(PageRecord&)> breakIt;
    AccountField field;
    int subjectId, detailId;
};

TEST(ConnectionsValidation, ChecksRunInOrderAndTheFirstFailureWins) {
    const std::vector<Check> checks = {
        {"hours", [](PageRecord& r) { r.account.timerHours = -1; }, AccountField::kTimerHours,
         IDS_CURRENT_TIME, IDS_HOURS},
        {"minutes", [](PageRecord& r) { r.account.timerMinutes = 60; }, AccountField::kTimerMinutes,
         IDS_CURRENT_TIME, IDS_MINUTES},
        {"seconds", [](PageRecord& r) { r.account.timerSeconds = -1; }, AccountField::kTimerSeconds,
         IDS_CURRENT_TIME, IDS_SECONDS},
        {"warning hours", [](PageRecord& r) { r.account.warningHours = 1000; },
         AccountField::kWarningHours, IDS_WARNING_TIME, IDS_HOURS},
        {"warning seconds", [](PageRecord& r) { r.account.warningSeconds = 60; },
         AccountField::kWarningSeconds, IDS_WARNING_TIME, IDS_SECONDS},
        {"reset minutes", [](PageRecord& r) { r.resetMinutes = -1; }, AccountField::kResetMinutes,
         IDS_NEW_CURRENT_TIME, IDS_MINUTES},
        {"count", [](PageRecord& r) { r.account.resetCount = 13; }, AccountField::kResetCount,
         IDS_NUMBER_MONTHS, IDS_IN_RESET_PERIOD},
        {"next hour", [](PageRecord& r) { r.nextHour = -1; }, AccountField::kNextHour,
         IDS_NEXT_RESET, IDS_HOUR},
        {"next second", [](PageRecord& r) { r.nextSecond = -1; }, AccountField::kNextSecond,
         IDS_NEXT_RESET, IDS_SECOND},
        {"month", [](PageRecord& r) { r.nextMonth = -1; }, AccountField::kNextMonth, IDS_NEXT_RESET,
         IDS_MONTH},
        {"year", [](PageRecord& r) { r.nextYear = -1; }, AccountField::kNextYear, IDS_NEXT_RESET,
         IDS_YEAR},
        {"day", [](PageRecord& r) { r.nextDay = 29; }, AccountField::kNextDay, IDS_NEXT_RESET,
         IDS_DAY},
        {"past", [](PageRecord& r) { r.nextDay = 5; }, AccountField::kNextHour,
         IDS_NEXT_RESET_TIME_DATE, IDS_TIME_DATE_FUTURE_REQUIRED},
    };
    ValidationFailure f{};
    ASSERT_TRUE(Validate(ValidRecord(), &f)) << Message(f);
    // Breaking check i and every later one must report check i. Check i is broken last, so
    // that a later check that shares its field does not mend it.
    for (size_t i = 0; i < checks.size(); ++i) {
        PageRecord r = ValidRecord();
        for (size_t k = checks.size(); k-- > i;) checks[k].breakIt(r);
        ASSERT_FALSE(Validate(r, &f)) << checks[i].what;
        EXPECT_EQ(f.field, checks[i].field) << checks[i].what;
        EXPECT_EQ(f.subjectId, checks[i].subjectId) << checks[i].what;
        EXPECT_EQ(f.detailId, checks[i].detailId) << checks[i].what;
    }
}

TEST(ConnectionsValidation, MessagesCarryTheRangeLineOnlyWhereThereIsARange) {
    ValidationFailure f{};
    PageRecord r = ValidRecord();
    r.account.timerMinutes = 60;
    ASSERT_FALSE(Validate(r, &f));
    EXPECT_EQ(Message(f),
              "Please specify the Current Time minutes.\r\n\r\n"
              "Acceptable values range from 0 to 59.");
    r = ValidRecord();
    r.resetHours = -1;
    ASSERT_FALSE(Validate(r, &f));
    EXPECT_EQ(Message(f),
              "Please specify the New Current Time hours.\r\n\r\n"
              "Acceptable values range from -999 to 999.");
    r = ValidRecord();
    r.account.resetPeriod = kPeriodWeeks;
    r.account.resetCount = 53;
    ASSERT_FALSE(Validate(r, &f));
    EXPECT_EQ(Message(f),
              "Please specify the number of weeks in the reset period.\r\n\r\n"
              "Acceptable values range from 1 to 52.");
    r = ValidRecord();
    r.nextMonth = -1;
    ASSERT_FALSE(Validate(r, &f));
    EXPECT_EQ(Message(f), "Please specify the Next Reset month.");
    r = ValidRecord();
    r.nextDay = 1;
    ASSERT_FALSE(Validate(r, &f));
    EXPECT_EQ(Message(f),
              "Please specify the 'Next Reset' time and date.\r\n\r\n"
              "A time and date in the future is required.");
}

TEST(ConnectionsValidation, SwitchedOffPartsAreNotChecked) {
    ValidationFailure f{};
    PageRecord r = ValidRecord();
    r.account.enableWarning = 0;
    r.account.warningHours = -1;
    r.account.resetOption = kResetNever;
    r.resetHours = r.nextDay = r.nextYear = -1;
    EXPECT_TRUE(Validate(r, &f)) << Message(f);
    // The connected account's protected time is not the user's to get wrong.
    r.account.timerHours = -1;
    EXPECT_TRUE(ValidateRecord(r, false, true, kNow, &f));
}

TEST(ConnectionsValidation, PeriodicDaysStopAt28AndParticularDaysAtTheMonthsEnd) {
    ValidationFailure f{};
    PageRecord r = ValidRecord();
    r.nextDay = 28;
    EXPECT_TRUE(Validate(r, &f)) << Message(f);
    r.nextDay = 30;
    r.nextMonth = 3;  // March has a 30th, a monthly schedule may not use it
    ASSERT_FALSE(Validate(r, &f));
    EXPECT_EQ(f.detailId, IDS_DAY);
    EXPECT_EQ(f.high, 28);

    r = ValidRecord();
    r.account.resetOption = kResetOnDay;
    r.nextDay = 31;
    r.nextMonth = 3;
    EXPECT_TRUE(Validate(r, &f)) << Message(f);
    r.nextMonth = 4;
    ASSERT_FALSE(Validate(r, &f));
    EXPECT_EQ(Message(f),
              "Please specify the Next Reset day.\r\n\r\nAcceptable values range from 1 to 30.");
    r.nextDay = 29;
    r.nextMonth = 2;
    r.nextYear = 2004;  // a leap year
    EXPECT_TRUE(Validate(r, &f)) << Message(f);
    r.nextYear = 2005;
    ASSERT_FALSE(Validate(r, &f));
    EXPECT_EQ(f.high, 28);
}

TEST(ConnectionsValidation, ANextResetExactlyNowIsAcceptedAMinuteAgoIsNot) {
    ValidationFailure f{};
    PageRecord r = ValidRecord();
    r.account.resetOption = kResetOnDay;
    r.nextDay = 6;
    r.nextHour = 9;
    r.nextMinute = 0;
    EXPECT_TRUE(Validate(r, &f)) << Message(f);
    EXPECT_FALSE(Validate(r, &f, kNow + 60 * 10000000LL));
    EXPECT_EQ(f.detailId, IDS_TIME_DATE_FUTURE_REQUIRED);
    // A schedule the user did not touch is not judged against the clock.
    EXPECT_TRUE(ValidateRecord(r, true, false, kNow + 60 * 10000000LL, &f));
}

TEST(ConnectionsValidation, APeriodicResetBeyondTheMaximumDateIsRefused) {
    ValidationFailure f{};
    PageRecord r = ValidRecord();  // monthly; the maximum date is 6 April 09:00
    r.nextDay = 6;
    r.nextMonth = 4;
    r.nextHour = 9;
    EXPECT_TRUE(Validate(r, &f)) << Message(f);
    r.nextSecond = 1;
    ASSERT_FALSE(Validate(r, &f));
    EXPECT_EQ(f.detailId, IDS_TIME_DATE_RANGE);
}

TEST(ConnectionsFields, EditedValuesKeepToTheirRanges) {
    PageRecord r = ValidRecord();
    SetFieldValue(&r, AccountField::kNextHour, 24);
    SetFieldValue(&r, AccountField::kNextMinute, 59);
    SetFieldValue(&r, AccountField::kNextDay, 0);
    EXPECT_EQ(r.nextHour, -1);
    EXPECT_EQ(r.nextMinute, 59);
    EXPECT_EQ(r.nextDay, -1);
    EXPECT_EQ(ParseFieldText("007"), 7);
    EXPECT_EQ(ParseFieldText(""), -1);
    EXPECT_EQ(ParseFieldText("1a"), -1);
    // Choosing a periodic reset for an account without a period offers days.
    r.account.resetOption = kResetNever;
    r.account.resetPeriod = kPeriodNone;
    SetFieldValue(&r, AccountField::kResetOption, kResetPeriodically);
    EXPECT_EQ(r.account.resetPeriod, kPeriodDays);
}

// ---- Saving ----

class ConnectionsSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_app.buttons = {1540, 516, 1536};
        clock.SetLocalTime(2003, 3, 6, 9);
        ResetMonitor();
        files.SetFile(kPath, "[Acc]\r\nTimer=100\r\n[Other]\r\nTimer=5\r\n");
        SysError error = 0;
        ASSERT_TRUE(Settings().Load(kPath, &error));
        PageRecord* list = static_cast<PageRecord*>(std::calloc(2, sizeof(PageRecord)));
        std::strcpy(list[0].account.name, "Acc");
        std::strcpy(list[1].account.name, "Other");
        for (int i = 0; i < 2; ++i) {
            list[i].account.timer = i == 0 ? 10000 : 500;
            SplitTime(list[i].account.timer, &list[i].account.timerHours,
                      &list[i].account.timerMinutes, &list[i].account.timerSeconds);
            list[i].account.resetCount = 1;
            list[i].account.resetPeriod = kPeriodNone;
            list[i].nextHour = list[i].nextMinute = list[i].nextSecond = -1;
            list[i].nextDay = list[i].nextMonth = list[i].nextYear = -1;
        }
        ASSERT_TRUE(StartConnectionsPage(&page, list, 2, 2003));
        page.selected = 0;
        edited.clear();
    }
    void TearDown() override {
        FreeConnectionsPage(&page);
        Settings().Reset();
    }
    // The keys of a section as the file now holds them.
    std::vector<std::string> Keys(const char* section) {
        std::vector<std::string> keys;
        for (const char* key :
             {"Timer", "CountDirection", "Warning", "EnableWarning", "ResetOption", "ResetTime",
              "ResetPeriod", "ResetCount", "ResetNext"}) {
            char value[32];
            uint32_t size = sizeof value;
            SysError error = 0;
            if (Settings().GetString(section, key, value, &size, &error)) {
                keys.push_back(std::string(key) + "=" + value);
            }
        }
        return keys;
    }
    SaveResult Save() {
        RefreshAllModified(&page);
        return SaveConnections(&page, nullptr, g_app.buttons.writeError, Tell);
    }
    static void Tell(const char* name, uint32_t flags) {
        edited.push_back(std::string(name) + ":" + std::to_string(flags));
    }
    // Acc connected, counting, 2:00 on the monitor's clock.
    void Connect() {
        g_monitor.connected = true;
        g_monitor.current = page.working[0].account;
        g_monitor.current.timer = 12000;
        page.connected = 0;
    }

    FakeFileSystem files;
    FakeClock clock;
    ScriptedMessages messages;
    ConnectionsPage page{};
    static std::vector<std::string> edited;
};
std::vector<std::string> ConnectionsSaveTest::edited;

TEST_F(ConnectionsSaveTest, OnlyTheCountDirectionIsWrittenWhenOnlyItChanged) {
    SetFieldValue(&page.working[0], AccountField::kCountDirection, 1);
    ASSERT_EQ(Save(), SaveResult::kSaved);
    EXPECT_EQ(Keys("Acc"), (std::vector<std::string>{"Timer=100", "CountDirection=1"}));
    EXPECT_EQ(Keys("Other"), (std::vector<std::string>{"Timer=5"}));
    EXPECT_NE(files.FileBytes(kPath).find("CountDirection=1"), std::string::npos);
    EXPECT_FALSE(RefreshAllModified(&page));
}

TEST_F(ConnectionsSaveTest, APeriodicResetWritesItsTimePeriodAndCount) {
    PageRecord& r = page.working[1];
    SetFieldValue(&r, AccountField::kCountDirection, 1);
    SetFieldValue(&r, AccountField::kResetOption, kResetPeriodically);
    SetFieldValue(&r, AccountField::kResetCount, 2);
    r.resetHours = r.resetMinutes = r.resetSeconds = 0;
    r.nextHour = 10;
    r.nextMinute = r.nextSecond = 0;
    r.nextDay = 7;
    r.nextMonth = 3;
    r.nextYear = 2003;
    int failed = -1;
    ValidationFailure f{};
    RefreshAllModified(&page);
    ASSERT_TRUE(ValidateConnections(page, kNow, &failed, &f)) << Message(f);
    ASSERT_EQ(Save(), SaveResult::kSaved);
    const int64_t next = FakeClock::FileTimeOf(2003, 3, 7, 10) / kFileTimePerCount;
    EXPECT_EQ(Keys("Other"),
              (std::vector<std::string>{"Timer=5", "CountDirection=1", "ResetOption=2",
                                        "ResetTime=0", "ResetPeriod=1", "ResetCount=2",
                                        "ResetNext=" + std::to_string(next)}));
}

TEST_F(ConnectionsSaveTest, SwitchingTheWarningOnWritesItsTimeToo) {
    page.working[0].account.enableWarning = 1;
    ASSERT_EQ(Save(), SaveResult::kSaved);
    EXPECT_EQ(Keys("Acc"), (std::vector<std::string>{"Timer=100", "Warning=0", "EnableWarning=1"}));
}

TEST_F(ConnectionsSaveTest, TheProtectedConnectedTimeIsNeverWrittenAndKeepsRunning) {
    Connect();
    // Its fields show an older live time than the monitor's and are not compared.
    page.working[0].account.timerMinutes = 7;
    EXPECT_FALSE(RefreshAllModified(&page));
    SetFieldValue(&page.working[0], AccountField::kCountDirection, 1);
    ASSERT_EQ(Save(), SaveResult::kSaved);
    EXPECT_EQ(Keys("Acc"), (std::vector<std::string>{"Timer=100", "CountDirection=1"}));
    // The monitor got the edit, re-based on its own running time, and was told.
    EXPECT_EQ(g_monitor.current.countDirection, 1);
    EXPECT_EQ(g_monitor.current.timer, 12000);
    EXPECT_EQ(edited, (std::vector<std::string>{"Acc:" + std::to_string(kEditedTime)}));
}

TEST_F(ConnectionsSaveTest, AReleasedConnectedTimeIsAlwaysWrittenAndHandedOver) {
    Connect();
    page.timeUnprotected = true;
    EXPECT_TRUE(RefreshModified(&page, 0));
    PageRecord& r = page.working[0];
    r.account.timerHours = 1;
    r.account.timerMinutes = r.account.timerSeconds = 0;
    r.account.enableWarning = 1;
    ASSERT_EQ(Save(), SaveResult::kSaved);
    EXPECT_EQ(Keys("Acc"),
              (std::vector<std::string>{"Timer=3600", "Warning=0", "EnableWarning=1"}));
    EXPECT_EQ(g_monitor.current.timer, 360000);
    EXPECT_EQ(edited,
              (std::vector<std::string>{"Acc:" + std::to_string(kEditedTime | kEditedWarning)}));
    EXPECT_FALSE(page.timeUnprotected);
}

TEST_F(ConnectionsSaveTest, RetryRepeatsAWriteAndAbortGivesUp) {
    Settings().Reset();
    messages.Queue({kResultTryAgain, kResultCancel});
    SetFieldValue(&page.working[1], AccountField::kCountDirection, 1);
    EXPECT_EQ(Save(), SaveResult::kGaveUp);
    ASSERT_EQ(messages.Count(), 2u);
    EXPECT_EQ(messages.Last().textId, IDS_SAVE_CONFIG_FAILED);
}

TEST(ConnectionsFlags, KeysMapOntoTheMonitorsFlags) {
    EXPECT_EQ(AccountEditedFlags(kWriteCountDirection), kEditedTime);
    EXPECT_EQ(AccountEditedFlags(kWriteEnableWarning), kEditedWarning);
    EXPECT_EQ(AccountEditedFlags(kWriteResetNext | kWriteResetTime), kEditedReset);
    EXPECT_EQ(AccountEditedFlags(kWriteResetTime | kWriteResetPeriod | kWriteResetCount), 0u);
}

TEST(ConnectionsReset, TakingOverAMonthlyScheduleOnThe29thTurnsItOff) {
    PageRecord* list = static_cast<PageRecord*>(std::calloc(1, sizeof(PageRecord)));
    list[0].account.resetOption = kResetNever;
    list[0].account.resetPeriod = kPeriodMonths;
    ConnectionsPage page{};
    ASSERT_TRUE(StartConnectionsPage(&page, list, 1, 2003));
    AccountRecord current{};
    current.resetOption = kResetPeriodically;
    current.resetPeriod = kPeriodMonths;
    current.resetNext = FakeClock::FileTimeOf(2003, 4, 29, 8) / kFileTimePerCount;
    EXPECT_TRUE(ResetSettingsDiffer(page.working[0], current));
    TakeOverReset(&page, 0, current);
    for (const PageRecord* r : {&page.working[0], &page.saved[0]}) {
        EXPECT_EQ(r->account.resetOption, kResetNever);
        EXPECT_EQ(r->account.resetNext, current.resetNext);
        EXPECT_EQ(r->nextDay, 29);
        EXPECT_EQ(r->nextMonth, 4);
    }
    FreeConnectionsPage(&page);
}

}  // namespace
}  // namespace dt
