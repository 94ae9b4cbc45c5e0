// Tests of loading account records (validation, reset catch-up) and of listing the phonebook.
#include "engine/account_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "app/app_state.h"
#include "engine/account_keys.h"
#include "engine/calendar.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "support/fake_platform.h"
#include "support/fake_ras.h"

namespace dt {
namespace {

using test::FakeClock;
using test::FakeFileSystem;
using test::FakeRas;
using test::ScriptedMessages;

constexpr const char* kPath = "C:\\Dialtick.ini";

int64_t Count(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return FakeClock::FileTimeOf(y, mo, d, h, mi, s) / kFileTimePerCount;
}
std::string Text(int64_t value) { return std::to_string(value); }

class AccountTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_app.buttons = {1540, 516, 1536};
        clock.SetLocalTime(2003, 3, 6, 9);
    }
    void TearDown() override { Settings().Reset(); }

    // Loads a settings file whose text is `text`.
    void UseFile(const std::string& text) {
        Settings().Reset();
        files.SetFile(kPath, text);
        SysError error = 0;
        ASSERT_TRUE(Settings().Load(kPath, &error)) << error;
    }
    // An account "Acc" with these key lines (each "Key=Value").
    void UseAccount(std::initializer_list<std::string> lines) {
        std::string text = "[Acc]";
        for (const std::string& line : lines) text += "\r\n" + line;
        if (lines.size() == 0) text = "[Other]\r\nX=1";
        UseFile(text);
    }
    AccountRecord Load(const char* name = "Acc", bool expectOk = true) {
        AccountRecord record{};
        std::snprintf(record.name, sizeof record.name, "%s", name);
        EXPECT_EQ(LoadAccountRecord(nullptr, &record, nullptr), expectOk);
        return record;
    }
    std::string Value(const char* key, const char* section = "Acc") {
        char buffer[64];
        uint32_t size = sizeof buffer;
        SysError error = 0;
        return Settings().GetString(section, key, buffer, &size, &error) ? buffer : "(none)";
    }
    std::string Disk() const { return files.FileBytes(kPath); }

    FakeFileSystem files;
    FakeClock clock;
    ScriptedMessages messages;
};

// ---- Validation of each key ----

TEST_F(AccountTest, AnAccountWithoutASectionCountsUpFromZeroWithNothingElse) {
    UseAccount({});
    AccountRecord r = Load();
    EXPECT_EQ(r.timer, 0);
    EXPECT_EQ(r.timerNegative, 0);
    EXPECT_EQ(r.countDirection, 0);
    EXPECT_EQ(r.enableWarning, 0);  // absent "EnableWarning" means on, but there is no warning
    EXPECT_EQ(r.warning, 0);
    EXPECT_EQ(r.resetOption, kResetNever);
    EXPECT_EQ(r.resetTime, 0);
    EXPECT_EQ(r.resetPeriod, kPeriodNone);
    EXPECT_EQ(r.resetCount, 1);
    EXPECT_EQ(r.resetNext, 0);
    EXPECT_EQ(messages.Count(), 0u);
    EXPECT_EQ(files.Calls(test::FileOp::kWrite), 0);
}

TEST_F(AccountTest, TimerIsKeptWhileItsHundredthsFitAndSplitForDisplay) {
    const struct {
        const char* stored;
        int32_t timer, hours, minutes, seconds, negative;
    } cases[] = {
        {"-5", -500, 0, 0, 5, 1},
        {"3661", 366100, 1, 1, 1, 0},
        {"3599999", 359999900, 999, 59, 59, 0},
        {"-3599999", -359999900, 999, 59, 59, 1},
        {"21474836", 2147483600, 5965, 13, 56, 0},
        {"-21474836", -2147483600, 5965, 13, 56, 1},
        // Whose hundredths do not fit: as out of range.
        {"21474837", 0, 0, 0, 0, 0},
        {"-21474837", 0, 0, 0, 0, 0},
        {"359999900", 0, 0, 0, 0, 0},
        {"359999901", 0, 0, 0, 0, 0},
        {"-359999901", 0, 0, 0, 0, 0},
        {"2147483647", 0, 0, 0, 0, 0},
        {"9223372036854775807", 0, 0, 0, 0, 0},
        {"12abc", 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        UseAccount({std::string("Timer=") + c.stored});
        AccountRecord r = Load();
        EXPECT_EQ(r.timer, c.timer) << c.stored;
        EXPECT_EQ(r.timerHours, c.hours) << c.stored;
        EXPECT_EQ(r.timerMinutes, c.minutes) << c.stored;
        EXPECT_EQ(r.timerSeconds, c.seconds) << c.stored;
        EXPECT_EQ(r.timerNegative, c.negative) << c.stored;
    }
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(AccountTest, WarningOutsideItsRangeMeansNoWarningAtAll) {
    const struct {
        const char* enable;
        const char* warning;
        int32_t value, hours, negative, enabled;
    } cases[] = {
        {nullptr, "3600", 360000, 1, 0, 1},
        {"0", "3600", 360000, 1, 0, 0},
        {"7", "3600", 360000, 1, 0, 1},
        {nullptr, "21474836", 2147483600, 5965, 0, 1},
        {nullptr, "21474837", 0, 0, 0, 0},
        {nullptr, "-600", -60000, 0, 1, 1},
        {nullptr, "-21474836", -2147483600, 5965, 1, 1},
        // Further down the hundredths would not fit either.
        {nullptr, "-21474837", 0, 0, 0, 0},
        {nullptr, "-359999900", 0, 0, 0, 0},
        {"1", nullptr, 0, 0, 0, 0},
        {"1", "x", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::string label =
            std::string(c.enable ? c.enable : "-") + "/" + (c.warning ? c.warning : "-");
        std::string text = "[Acc]\r\nTimer=1";
        if (c.enable) text += std::string("\r\nEnableWarning=") + c.enable;
        if (c.warning) text += std::string("\r\nWarning=") + c.warning;
        UseFile(text);
        AccountRecord r = Load();
        EXPECT_EQ(r.warning, c.value) << label;
        EXPECT_EQ(r.warningHours, c.hours) << label;
        EXPECT_EQ(r.warningNegative, c.negative) << label;
        EXPECT_EQ(r.enableWarning, c.enabled) << label;
        if (!c.value) EXPECT_EQ(r.warningMinutes + r.warningSeconds, 0) << label;
    }
}

TEST_F(AccountTest, CountDirectionIsDownForAnyNonZeroValue) {
    for (auto [stored, expected] :
         {std::pair<const char*, int>{"0", 0}, {"1", 1}, {"-3", 1}, {"zero", 0}}) {
        UseAccount({std::string("CountDirection=") + stored});
        EXPECT_EQ(Load().countDirection, expected) << stored;
    }
}

struct ResetCase {
    std::string lines;  // key lines joined by CR LF
    int32_t option, period, count, resetTime;
    int64_t next;
};

TEST_F(AccountTest, ResetSettingsThatDoNotHoldTogetherFallBackToNever) {
    // Not yet due, within a period of now (6 March 2003 09:00).
    const std::string soon = Text(Count(2003, 3, 7));
    const std::string past = Text(Count(2003, 3, 1));
    const ResetCase cases[] = {
        {"ResetOption=1\r\nResetTime=60", 1, -1, 1, 6000, 0},
        {"ResetOption=1", 0, -1, 1, 0, 0},  // no reset time
        {"ResetOption=4\r\nResetTime=60", 0, -1, 1, 6000, 0},
        {"ResetOption=-1\r\nResetTime=60", 0, -1, 1, 6000, 0},
        {"ResetOption=1\r\nResetTime=21474836", 1, -1, 1, 2147483600, 0},
        {"ResetOption=1\r\nResetTime=-21474836", 1, -1, 1, -2147483600, 0},
        {"ResetOption=1\r\nResetTime=21474837", 0, -1, 1, 0, 0},
        {"ResetOption=1\r\nResetTime=359999900", 0, -1, 1, 0, 0},
        {"ResetOption=1\r\nResetTime=359999901", 0, -1, 1, 0, 0},
        // Periods and counts.
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=1\r\nResetCount=1\r\nResetNext=" + soon, 2, 1,
         1, 0, Count(2003, 3, 7)},
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=1\r\nResetCount=365\r\nResetNext=" + soon, 2,
         1, 365, 0, Count(2003, 3, 7)},
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=1\r\nResetCount=366\r\nResetNext=" + soon, 0,
         1, 1, 0, Count(2003, 3, 7)},
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=1\r\nResetCount=0\r\nResetNext=" + soon, 0, 1,
         1, 0, Count(2003, 3, 7)},
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=2\r\nResetCount=52\r\nResetNext=" + soon, 2,
         2, 52, 0, Count(2003, 3, 7)},
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=2\r\nResetCount=53\r\nResetNext=" + soon, 0,
         2, 1, 0, Count(2003, 3, 7)},
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=3\r\nResetCount=12\r\nResetNext=" + soon, 2,
         3, 12, 0, Count(2003, 3, 7)},
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=3\r\nResetCount=13\r\nResetNext=" + soon, 0,
         3, 1, 0, Count(2003, 3, 7)},
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=4\r\nResetCount=1\r\nResetNext=" + soon, 0,
         -1, 1, 0, Count(2003, 3, 7)},
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=0\r\nResetCount=1\r\nResetNext=" + soon, 0,
         -1, 1, 0, Count(2003, 3, 7)},
        // Without a period any count of at least one is kept.
        {"ResetOption=3\r\nResetTime=0\r\nResetCount=1000\r\nResetNext=" + soon, 3, -1, 1000, 0,
         Count(2003, 3, 7)},
        {"ResetOption=3\r\nResetTime=0\r\nResetCount=-2\r\nResetNext=" + soon, 3, -1, 1, 0,
         Count(2003, 3, 7)},
        // The next reset must be a positive count.
        {"ResetOption=3\r\nResetTime=0\r\nResetNext=0", 0, -1, 1, 0, 0},
        {"ResetOption=3\r\nResetTime=0\r\nResetNext=-" + soon, 0, -1, 1, 0, 0},
        {"ResetOption=2\r\nResetTime=0\r\nResetPeriod=1\r\nResetCount=1", 0, 1, 1, 0, 0},
        {"ResetOption=3\r\nResetTime=0\r\nResetNext=99999999999999999999", 0, -1, 1, 0, 0},
        // A count beyond every file time is no date either.
        {"ResetOption=3\r\nResetTime=0\r\nResetNext=9223372036854775807", 0, -1, 1, 0, 0},
        {"ResetOption=3\r\nResetTime=0\r\nResetNext=" + Text(kMaxCount + 1), 0, -1, 1, 0, 0},
        {"ResetOption=3\r\nResetTime=0\r\nResetNext=" + Text(kMaxCount), 3, -1, 1, 0, kMaxCount},
        // Never and every-connection keep a stored next reset without looking at it.
        {"ResetOption=1\r\nResetTime=0\r\nResetNext=" + past, 1, -1, 1, 0, Count(2003, 3, 1)},
    };
    for (const ResetCase& c : cases) {
        UseFile("[Acc]\r\n" + c.lines);
        AccountRecord r = Load();
        EXPECT_EQ(r.resetOption, c.option) << c.lines;
        EXPECT_EQ(r.resetPeriod, c.period) << c.lines;
        EXPECT_EQ(r.resetCount, c.count) << c.lines;
        EXPECT_EQ(r.resetTime, c.resetTime) << c.lines;
        EXPECT_EQ(r.resetNext, c.next) << c.lines;
        EXPECT_EQ(r.timer, 0) << c.lines;  // nothing was due
    }
    EXPECT_EQ(messages.Count(), 0u);
    // Falling back in memory writes nothing.
    EXPECT_EQ(files.Calls(test::FileOp::kWrite), 0);
}

// ---- The key table: every key round trip and every bound ----

// A stored value of each key that the load keeps: a periodic schedule not yet due.
std::map<std::string, std::string> KeptValues() {
    return {{"Timer", "10"},
            {"EnableWarning", "1"},
            {"Warning", "60"},
            {"CountDirection", "0"},
            {"ResetOption", "2"},
            {"ResetTime", "60"},
            {"ResetPeriod", "1"},
            {"ResetCount", "1"},
            {"ResetNext", Text(Count(2003, 3, 6, 21))}};
}

std::string Section(const std::map<std::string, std::string>& values) {
    std::string text = "[Acc]";
    for (const AccountKeyInfo& info : kAccountKeys) {
        auto found = values.find(info.key);
        if (found != values.end()) text += std::string("\r\n") + info.key + "=" + found->second;
    }
    return text;
}

int64_t FieldOf(const AccountRecord& r, const AccountKeyInfo& info) {
    return info.field64 ? r.*info.field64 : r.*info.field;
}

TEST_F(AccountTest, EveryKeyWrittenFromARecordReadsBackEqual) {
    UseFile("[Other]\r\nX=1");
    AccountRecord written{};
    std::snprintf(written.name, sizeof written.name, "Acc");
    written.timer = -123400;
    written.enableWarning = 1;
    written.warning = 360000;
    written.countDirection = 1;
    written.resetOption = kResetPeriodically;
    written.resetTime = -4500;
    written.resetPeriod = kPeriodWeeks;
    written.resetCount = 3;
    written.resetNext = Count(2003, 3, 20, 7, 8, 9);
    // Into another section than the record's name, as a copy would be written.
    for (const AccountKeyInfo& info : kAccountKeys) {
        EXPECT_EQ(WriteAccountKey(nullptr, "Acc 2", written, info.id, IDS_SAVE_CONFIG_FAILED, 1540,
                                  false),
                  0)
            << info.key;
    }
    ASSERT_EQ(SaveSettings(nullptr, IDS_SAVE_CONFIG_FAILED, 1540), 0);
    // Times are stored in whole seconds, the next reset in 10 ms units.
    EXPECT_EQ(Value("Timer", "Acc 2"), "-1234");
    EXPECT_EQ(Value("ResetTime", "Acc 2"), "-45");
    EXPECT_EQ(Value("ResetNext", "Acc 2"), Text(written.resetNext));
    EXPECT_EQ(Value("Timer"), "(none)");

    UseFile(Disk());
    AccountRecord read = Load("Acc 2");
    for (const AccountKeyInfo& info : kAccountKeys) {
        EXPECT_EQ(FieldOf(read, info), FieldOf(written, info)) << info.key;
    }
    EXPECT_EQ(read.timerHours * 60 + read.timerMinutes, 20);
    EXPECT_EQ(read.timerSeconds, 34);
    EXPECT_EQ(read.warningHours, 1);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(AccountTest, EveryKeyKeepsItsBoundsAndRefusesWhatLiesBeyond) {
    for (const AccountKeyInfo& info : kAccountKeys) {
        int64_t low = info.low, high = info.high;
        if (info.rule == AccountRule::kFlag) {
            low = INT32_MIN + 1;  // every number is taken, as 1 unless it is 0
            high = INT32_MAX;
        } else if (info.rule == AccountRule::kCount) {
            high = MaxResetCount(kPeriodDays);
        }
        const int64_t scale = info.rule == AccountRule::kSeconds ? 100 : 1;
        const int64_t asFlag = info.rule == AccountRule::kFlag ? 1 : 0;
        // Taken at both ends; with a reset at every connection the next reset is not looked at.
        for (int64_t stored : {low, high}) {
            auto values = KeptValues();
            values["ResetOption"] = "1";
            values[info.key] = Text(stored);
            UseFile(Section(values));
            const int64_t expected = asFlag ? stored != 0 : stored * scale;
            EXPECT_EQ(FieldOf(Load(), info), expected) << info.key << "=" << stored;
        }
        if (asFlag) continue;
        // Refused just beyond them, and when absent: the default, and what falls with it.
        const struct {
            const char* label;
            bool present;
            int64_t stored;
        } refusals[] = {{"below", true, low - 1}, {"above", true, high + 1}, {"absent", false, 0}};
        for (const auto& refused : refusals) {
            auto values = KeptValues();
            if (refused.present) {
                values[info.key] = Text(refused.stored);
            } else {
                values.erase(info.key);
            }
            UseFile(Section(values));
            const AccountRecord r = Load();
            const std::string label = std::string(info.key) + " " + refused.label;
            EXPECT_EQ(FieldOf(r, info), info.defaultValue) << label;
            EXPECT_EQ(r.enableWarning, info.fallout == AccountFallout::kNoWarning ? 0 : 1) << label;
            if (info.id != kAccountResetOption) {
                EXPECT_EQ(r.resetOption, info.fallout == AccountFallout::kNone ||
                                                 info.fallout == AccountFallout::kNoWarning
                                             ? kResetPeriodically
                                             : kResetNever)
                    << label;
            }
        }
    }
    EXPECT_EQ(messages.Count(), 0u);
    EXPECT_EQ(files.Calls(test::FileOp::kWrite), 0);
}

TEST_F(AccountTest, AWriteThatFailsIsReportedWithTheCallersMessageAndButtons) {
    UseAccount({"Timer=1"});
    AccountRecord r = Load();
    r.timer = 4200;
    files.FailWrite(kErrorDiskFull, 100);
    messages.Queue(kResultIgnore);
    EXPECT_EQ(WriteAccountKey(nullptr, "Acc", r, kAccountTimer, IDS_SAVE_CONFIG_FAILED, 1540, true),
              kResultIgnore);
    EXPECT_EQ(messages.Last().textId, IDS_SAVE_CONFIG_FAILED);
    EXPECT_EQ(messages.Last().buttons, 1540u);
    // The value is in the store; only the file was not written.
    EXPECT_EQ(Value("Timer"), "42");
}

// ---- The reset catch-up at load ----

TEST_F(AccountTest, APeriodicResetThatFellDueIsCarriedOutAndTheNextOneWritten) {
    UseFile(
        "[Acc]\r\nTimer=5000\r\nResetOption=2\r\nResetTime=-90\r\nResetPeriod=1\r\n"
        "ResetCount=2\r\nResetNext=" +
        Text(Count(2003, 3, 1, 10)));
    AccountRecord record{};
    std::snprintf(record.name, sizeof record.name, "Acc");
    int64_t now = 0;
    ASSERT_TRUE(LoadAccountRecord(nullptr, &record, &now));
    EXPECT_EQ(now, Count(2003, 3, 6, 9));
    EXPECT_EQ(record.timer, -9000);
    EXPECT_EQ(record.timerNegative, 1);
    EXPECT_EQ(record.timerMinutes, 1);
    EXPECT_EQ(record.timerSeconds, 30);
    EXPECT_EQ(record.resetOption, kResetPeriodically);
    EXPECT_EQ(record.resetNext, Count(2003, 3, 7, 10));
    EXPECT_NE(Disk().find("Timer=-90\r\n"), std::string::npos) << Disk();
    EXPECT_NE(Disk().find("ResetNext=" + Text(Count(2003, 3, 7, 10))), std::string::npos);
    EXPECT_EQ(Value("ResetOption"), "2");
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(AccountTest, AParticularDayThatPassedResetsOnceAndTurnsItselfOff) {
    UseFile("[Acc]\r\nTimer=5000\r\nResetOption=3\r\nResetTime=12\r\nResetNext=" +
            Text(Count(2003, 2, 1)));
    AccountRecord r = Load();
    EXPECT_EQ(r.timer, 1200);
    EXPECT_EQ(r.resetOption, kResetNever);
    EXPECT_EQ(Value("Timer"), "12");
    EXPECT_EQ(Value("ResetOption"), "0");
    // The next load finds nothing more to do.
    const int writes = files.Calls(test::FileOp::kWrite);
    r = Load();
    EXPECT_EQ(r.timer, 1200);
    EXPECT_EQ(files.Calls(test::FileOp::kWrite), writes);
}

TEST_F(AccountTest, AResetExactlyAtNowIsNotYetDue) {
    const std::string base = "[Acc]\r\nTimer=50\r\nResetTime=0\r\nResetPeriod=1\r\nResetCount=1";
    for (const char* option : {"2", "3"}) {
        UseFile(base + "\r\nResetOption=" + option + "\r\nResetNext=" + Text(Count(2003, 3, 6, 9)));
        AccountRecord r = Load();
        EXPECT_EQ(r.timer, 5000) << option;
        EXPECT_EQ(r.resetOption, std::atoi(option)) << option;
    }
    EXPECT_EQ(files.Calls(test::FileOp::kWrite), 0);
}

TEST_F(AccountTest, APeriodicScheduleMoreThanAPeriodAheadIsTurnedOff) {
    const std::string base = "[Acc]\r\nResetOption=2\r\nResetTime=0\r\nResetCount=1\r\n";
    const struct {
        int32_t period;
        int64_t next;
        bool kept;
    } cases[] = {
        {kPeriodDays, Count(2003, 3, 7, 9), true},  // exactly one day ahead
        {kPeriodDays, Count(2003, 3, 7, 9) + 1, false},
        {kPeriodDays, Count(2003, 3, 8, 9), false},  // two periods
        {kPeriodWeeks, Count(2003, 3, 13, 9), true},
        {kPeriodWeeks, Count(2003, 3, 13, 9) + 1, false},
        {kPeriodMonths, Count(2003, 4, 6, 9), true},
        {kPeriodMonths, Count(2003, 5, 6, 9), false},  // two periods
        {kPeriodMonths, Count(2003, 5, 1), false},
        {kPeriodDays, kMaxCount, false},
        {kPeriodMonths, kMaxCount, false},
    };
    for (const auto& c : cases) {
        UseFile(base + "ResetPeriod=" + Text(c.period) + "\r\nResetNext=" + Text(c.next));
        AccountRecord r = Load();
        EXPECT_EQ(r.resetOption, c.kept ? kResetPeriodically : kResetNever)
            << c.period << " " << c.next;
        EXPECT_EQ(Value("ResetOption"), c.kept ? "2" : "0") << c.period << " " << c.next;
    }
}

// A monthly schedule placed by NextPeriodicReset a period plus a few days ahead must survive the
// next load; so must a hand-made one on the 31st whose moved-back day does not exist.
TEST_F(AccountTest, AMonthlyScheduleIsJudgedByWholeMonths) {
    clock.SetLocalTime(2003, 1, 10, 12);
    UseFile(
        "[Acc]\r\nTimer=100\r\nResetOption=2\r\nResetTime=0\r\nResetPeriod=3\r\n"
        "ResetCount=1\r\nResetNext=" +
        Text(Count(2002, 12, 15, 8)));
    AccountRecord r = Load();
    ASSERT_EQ(r.resetNext, Count(2003, 2, 15, 8));
    EXPECT_EQ(r.timer, 0);
    clock.SetLocalTime(2003, 1, 11);
    r = Load();
    EXPECT_EQ(r.resetOption, kResetPeriodically);
    EXPECT_EQ(Value("ResetOption"), "2");

    clock.SetLocalTime(2003, 3, 1);
    UseFile(
        "[Acc]\r\nResetOption=2\r\nResetTime=0\r\nResetPeriod=3\r\nResetCount=1\r\n"
        "ResetNext=" +
        Text(Count(2003, 3, 31)));
    r = Load();
    EXPECT_EQ(r.resetOption, kResetPeriodically);
    clock.SetLocalTime(2003, 2, 27);
    r = Load();
    EXPECT_EQ(r.resetOption, kResetPeriodically);
    clock.SetLocalTime(2003, 1, 30);
    r = Load();
    EXPECT_EQ(r.resetOption, kResetNever);
    EXPECT_EQ(Value("ResetOption"), "0");
}

TEST_F(AccountTest, ADueMonthlyResetWhoseNextDayDoesNotExistStopsTheSchedule) {
    clock.SetLocalTime(2003, 1, 30, 12);
    UseFile(
        "[Acc]\r\nTimer=100\r\nResetOption=2\r\nResetTime=7\r\nResetPeriod=3\r\n"
        "ResetCount=1\r\nResetNext=" +
        Text(Count(2003, 1, 30)));
    AccountRecord r = Load();
    // 30 February does not exist: the reset happens, the schedule ends.
    EXPECT_EQ(r.timer, 700);
    EXPECT_EQ(r.resetOption, kResetNever);
    EXPECT_EQ(Value("ResetOption"), "0");
    EXPECT_EQ(Value("ResetNext"), Text(Count(2003, 1, 30)));
}

TEST_F(AccountTest, CatchUpWritesThatFailNeitherAskNorStopTheLoad) {
    UseFile("[Acc]\r\nTimer=5000\r\nResetOption=3\r\nResetTime=12\r\nResetNext=" +
            Text(Count(2003, 2, 1)));
    files.FailWrite(kErrorDiskFull, 100);
    AccountRecord r = Load();
    EXPECT_EQ(r.timer, 1200);
    EXPECT_EQ(r.resetOption, kResetNever);
    EXPECT_EQ(messages.Count(), 0u);
    EXPECT_GE(files.Calls(test::FileOp::kWrite), 2);
}

TEST_F(AccountTest, TheClockIsNeededOnlyForASchedule) {
    clock.SetLocalTimeAvailable(false);
    UseFile(
        "[Acc]\r\nTimer=5\r\nResetOption=1\r\nResetTime=0\r\n"
        "[Due]\r\nResetOption=3\r\nResetTime=0\r\nResetNext=" +
        Text(Count(2003, 2, 1)));
    AccountRecord record{};
    std::snprintf(record.name, sizeof record.name, "Acc");
    int64_t now = 99;
    EXPECT_TRUE(LoadAccountRecord(nullptr, &record, &now));
    EXPECT_EQ(now, 0);
    EXPECT_EQ(record.timer, 500);
    Load("Due", false);
}

// ---- Read errors ----

TEST_F(AccountTest, ReadErrorsAskAndEachAnswerIsHonoured) {
    // Without a loaded file every read fails with a real error.
    Settings().Reset();
    messages.SetDefaultAnswer(kResultContinue);
    AccountRecord r = Load();
    ASSERT_EQ(messages.Count(), 9u);  // one question for each key
    for (const auto& shown : messages.Messages()) {
        EXPECT_EQ(shown.textId, IDS_LOAD_CONFIG_FAILED);
        EXPECT_EQ(shown.buttons, 1540u);
        EXPECT_NE(shown.code, 0u);
    }
    EXPECT_EQ(r.enableWarning, 0);
    EXPECT_EQ(r.resetPeriod, kPeriodNone);

    messages.Clear();
    messages.Queue({kResultTryAgain, kResultRetry, kResultCancel});
    Load("Acc", false);
    EXPECT_EQ(messages.Count(), 3u);

    messages.Clear();
    messages.Queue({kResultIgnore, kResultAbort});
    Load("Acc", false);
    EXPECT_EQ(messages.Count(), 2u);
}

// Answers Try Again once after making the file readable, as a user who fixed the cause would.
class FixThenRetry : public MessageHandler {
  public:
    explicit FixThenRetry(FakeFileSystem* files) : files_(files) { SetMessageHandler(this); }
    ~FixThenRetry() override { SetMessageHandler(nullptr); }
    int Answer(const MessageRecord&) override {
        ++asked;
        SysError error = 0;
        files_->SetFile(kPath, "[Acc]\r\nTimer=42");
        Settings().Load(kPath, &error);
        return kResultTryAgain;
    }
    int asked = 0;

  private:
    FakeFileSystem* files_;
};

TEST_F(AccountTest, TryAgainReadsTheKeyAgain) {
    Settings().Reset();
    FixThenRetry handler(&files);
    AccountRecord r = Load();
    EXPECT_EQ(handler.asked, 1);
    EXPECT_EQ(r.timer, 4200);
}

TEST_F(AccountTest, NamesAreCheckedAndLongNamesFindTheirSection) {
    UseFile("[X]\r\nTimer=1");
    Load("", false);
    EXPECT_EQ(messages.Count(), 0u);

    std::string longName(256, 'n');
    UseFile("[" + longName + "]\r\nTimer=7");
    EXPECT_EQ(Load(longName.c_str()).timer, 700);
    // A name that fills the whole field without its NUL is cut to 256 characters.
    AccountRecord record{};
    std::memset(record.name, 'n', sizeof record.name);
    ASSERT_TRUE(LoadAccountRecord(nullptr, &record, nullptr));
    EXPECT_EQ(record.timer, 700);
    EXPECT_EQ(std::strlen(record.name), 256u);
}

// ---- EnumerateAccounts ----

class EnumerateTest : public AccountTest {
  protected:
    bool Enumerate(const char* connected = nullptr) {
        std::free(pages);
        pages = nullptr;
        count = -1;
        return EnumerateAccounts(nullptr, connected, &pages, &count);
    }
    void TearDown() override {
        std::free(pages);
        AccountTest::TearDown();
    }
    FakeRas ras;
    PageRecord* pages = nullptr;
    int count = 0;
};

TEST_F(EnumerateTest, ThePhonebookIsAskedWithRoomForOneMoreEachTime) {
    UseFile("[Entry 02]\r\nTimer=20");
    ras.SetNumberedEntries(5);
    ASSERT_TRUE(Enumerate());
    EXPECT_EQ(ras.EntryCapacities(), (std::vector<uint32_t>{1, 2, 3, 4, 5}));
    ASSERT_EQ(count, 5);
    EXPECT_STREQ(pages[0].account.name, "Entry 01");
    EXPECT_STREQ(pages[4].account.name, "Entry 05");
    EXPECT_EQ(pages[1].account.timer, 2000);
    EXPECT_EQ(pages[0].account.timer, 0);
}

TEST_F(EnumerateTest, ThirtyTwoEntriesAreListedAndThirtyThreeAreNot) {
    UseFile("[Entry 32]\r\nTimer=32");
    ras.SetNumberedEntries(32);
    ASSERT_TRUE(Enumerate());
    ASSERT_EQ(count, 32);
    EXPECT_EQ(pages[31].account.timer, 3200);
    EXPECT_EQ(ras.EntryCapacities().size(), 32u);

    FakeRas tooMany;
    tooMany.SetNumberedEntries(33);
    EXPECT_FALSE(Enumerate());
    EXPECT_EQ(pages, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(tooMany.EntryCapacities().size(), 32u);
    EXPECT_EQ(tooMany.EntryCapacities().back(), 32u);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(EnumerateTest, AnEmptyPhonebookIsAnEmptyList) {
    UseFile("[X]\r\nY=1");
    ASSERT_TRUE(Enumerate());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(pages, nullptr);
    // Nameless entries have no section and are left out.
    ras.SetEntries({"", ""});
    ASSERT_TRUE(Enumerate());
    EXPECT_EQ(count, 0);
}

TEST_F(EnumerateTest, TheConnectedEntryIsAddedWhenThePhonebookLacksIt) {
    UseFile("[Elsewhere]\r\nTimer=9");
    ras.SetEntries({"Home", "Work"});
    ASSERT_TRUE(Enumerate("work"));
    EXPECT_EQ(count, 2);
    ASSERT_TRUE(Enumerate("Elsewhere"));
    ASSERT_EQ(count, 3);
    EXPECT_STREQ(pages[2].account.name, "Elsewhere");
    EXPECT_EQ(pages[2].account.timer, 900);
    ASSERT_TRUE(Enumerate(""));
    EXPECT_EQ(count, 2);
    // Also beside a full phonebook, and also when the phonebook is empty.
    ras.SetNumberedEntries(32);
    ASSERT_TRUE(Enumerate("Elsewhere"));
    EXPECT_EQ(count, 33);
    ras.SetEntries({});
    ASSERT_TRUE(Enumerate("Elsewhere"));
    EXPECT_EQ(count, 1);
    // A name longer than an entry name is cut, not overrun.
    std::string huge(400, 'h');
    ASSERT_TRUE(Enumerate(huge.c_str()));
    ASSERT_EQ(count, 1);
    EXPECT_EQ(std::strlen(pages[0].account.name), 256u);
}

TEST_F(EnumerateTest, PhonebookErrorsAreShownAndEndTheListing) {
    UseFile("[X]\r\nY=1");
    ras.SetEntries({"Home"});
    ras.SetErrorText(623, "The system could not find the phone book entry for this connection.");

    ras.FailEnumEntries(kRasErrorNotEnoughMemory);
    EXPECT_FALSE(Enumerate());
    EXPECT_EQ(messages.Last().textId, IDS_RAS_ERROR);
    EXPECT_EQ(messages.Last().code, kRasErrorNotEnoughMemory);
    EXPECT_EQ(messages.Last().iconType, kIconStop);
    EXPECT_EQ(messages.Last().buttons, kButtonOk);

    ras.FailEnumEntries(kRasErrorInvalidSize);
    EXPECT_FALSE(Enumerate());
    EXPECT_EQ(messages.Last().textId, IDS_INCORRECT_RASENTRYNAME_STRUCTURE_SIZE);
    EXPECT_EQ(messages.Last().captionId, IDS_RAS_ERROR);

    ras.FailEnumEntries(623);
    EXPECT_FALSE(Enumerate());
    EXPECT_EQ(messages.Last().text,
              "The system could not find the phone book entry for this connection.");
    EXPECT_EQ(messages.Last().captionId, IDS_RAS_ERROR);
    EXPECT_EQ(messages.Last().iconType, kIconStop);

    // A code without a RAS text still tells the user something.
    ras.FailEnumEntries(1234);
    EXPECT_FALSE(Enumerate());
    EXPECT_EQ(messages.Last().textId, IDS_RAS_ERROR);
    EXPECT_EQ(messages.Last().code, 1234u);
    EXPECT_EQ(messages.Count(), 4u);
    EXPECT_EQ(pages, nullptr);

    // After the error the next listing works again.
    ASSERT_TRUE(Enumerate());
    EXPECT_EQ(count, 1);
}

TEST_F(EnumerateTest, AnAccountThatCannotBeLoadedEndsTheListing) {
    ras.SetEntries({"Home", "Work"});
    Settings().Reset();
    messages.SetDefaultAnswer(kResultCancel);
    EXPECT_FALSE(Enumerate());
    EXPECT_EQ(pages, nullptr);
    EXPECT_EQ(messages.Count(), 1u);
}

TEST_F(EnumerateTest, PageRecordsCarryTheSplitResetFields) {
    clock.SetLocalTime(2003, 3, 6, 9);
    const std::string later = Text(Count(2003, 3, 28, 7, 8, 9));
    const std::string day29 = Text(Count(2003, 3, 29, 7, 8, 9));
    UseFile(
        "[Monthly]\r\nResetOption=2\r\nResetTime=-3661\r\nResetPeriod=3\r\nResetCount=1\r\n"
        "ResetNext=" +
        later +
        "\r\n[Day29]\r\nResetOption=2\r\nResetTime=0\r\nResetPeriod=3\r\nResetCount=1\r\n"
        "ResetNext=" +
        day29 + "\r\n[OnDay29]\r\nResetOption=3\r\nResetTime=0\r\nResetNext=" + day29 +
        "\r\n[Plain]\r\nTimer=1");
    ras.SetEntries({"Monthly", "Day29", "OnDay29", "Plain"});
    ASSERT_TRUE(Enumerate());
    ASSERT_EQ(count, 4);
    const PageRecord& monthly = pages[0];
    EXPECT_EQ(monthly.account.resetOption, kResetPeriodically);
    EXPECT_EQ(monthly.resetNegative, 1);
    EXPECT_EQ(monthly.resetHours, 1);
    EXPECT_EQ(monthly.resetMinutes, 1);
    EXPECT_EQ(monthly.resetSeconds, 1);
    EXPECT_EQ(monthly.nextHour, 7);
    EXPECT_EQ(monthly.nextMinute, 8);
    EXPECT_EQ(monthly.nextSecond, 9);
    EXPECT_EQ(monthly.nextDay, 28);
    EXPECT_EQ(monthly.nextMonth, 3);
    EXPECT_EQ(monthly.nextYear, 2003);
    EXPECT_EQ(monthly.modified, 0);
    // Monthly resets keep to days 1-28: in the page copy only.
    EXPECT_EQ(pages[1].account.resetOption, kResetNever);
    EXPECT_EQ(pages[1].nextDay, 29);
    EXPECT_EQ(Value("ResetOption", "Day29"), "2");
    EXPECT_EQ(pages[2].account.resetOption, kResetOnDay);
    const PageRecord& plain = pages[3];
    EXPECT_EQ(plain.nextHour, -1);
    EXPECT_EQ(plain.nextDay, -1);
    EXPECT_EQ(plain.nextYear, -1);
    EXPECT_EQ(plain.resetNegative, 0);
}

}  // namespace
}  // namespace dt
