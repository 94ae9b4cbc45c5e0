// Tests of the reset calendar: date conversions against independent references, the schedule
// arithmetic and the date texts.
#include "engine/calendar.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>

#include "support/fake_platform.h"

namespace dt {
namespace {

using test::FakeClock;

// Seconds from 1 January 1601 to 1 January 1970.
constexpr int64_t kEpochGap = 11644473600;

int64_t FileTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return FakeClock::FileTimeOf(y, mo, d, h, mi, s);
}
int64_t Count(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return FileTime(y, mo, d, h, mi, s) / kFileTimePerCount;
}

CalendarTime Fields(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    CalendarTime t{};
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = s;
    t.milliseconds = ms;
    return t;
}

bool Accepted(const CalendarTime& t) {
    int64_t fileTime = 0;
    return CalendarToFileTime(t, &fileTime);
}

// ---- Conversions ----

// Walks every day from 1 January 1601 to 31 December 30827 with its own month lengths and leap
// rule, and checks both directions, the weekday, and that the day after each month's end is
// refused.
TEST(CalendarConversion, EveryDayOfTheRangeAgreesWithADayByDayWalk) {
    auto leap = [](int y) { return y % 400 == 0 || (y % 100 != 0 && y % 4 == 0); };
    const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year = 1601, month = 1, day = 1;
    int64_t index = 0;
    int failures = 0;
    while (year <= kLastYear && failures < 10) {
        int64_t fileTime = -1;
        CalendarTime built = Fields(year, month, day, 13, 14, 15, 160);
        if (!CalendarToFileTime(built, &fileTime) ||
            fileTime !=
                index * kFileTimePerDay + ((13 * 60 + 14) * 60 + 15) * 10000000LL + 160 * 10000LL) {
            ADD_FAILURE() << "build " << year << "-" << month << "-" << day;
            ++failures;
        }
        CalendarTime split{};
        if (!FileTimeToCalendar(index * kFileTimePerDay, &split) || split.year != year ||
            split.month != month || split.day != day || split.hour != 0 ||
            split.dayOfWeek != static_cast<int>((index + 1) % 7)) {
            ADD_FAILURE() << "split " << year << "-" << month << "-" << day;
            ++failures;
        }
        int length = lengths[month - 1] + (month == 2 && leap(year) ? 1 : 0);
        if (day == length) {
            if (Accepted(Fields(year, month, day + 1)) || DaysInMonth(year, month) != length) {
                ADD_FAILURE() << "month end " << year << "-" << month;
                ++failures;
            }
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        } else {
            ++day;
        }
        ++index;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(year, kLastYear + 1);
}

TEST(CalendarConversion, RandomTimesAgreeWithTheCLibrary) {
    std::mt19937_64 random(20030203);
    for (int i = 0; i < 200000; ++i) {
        int64_t fileTime = static_cast<int64_t>(random() >> 1);  // the whole valid range
        CalendarTime t{};
        ASSERT_TRUE(FileTimeToCalendar(fileTime, &t)) << fileTime;
        time_t seconds = static_cast<time_t>(fileTime / 10000000 - kEpochGap);
        struct tm expected {};
        ASSERT_NE(gmtime_r(&seconds, &expected), nullptr);
        ASSERT_EQ(t.year, expected.tm_year + 1900) << fileTime;
        ASSERT_EQ(t.month, expected.tm_mon + 1) << fileTime;
        ASSERT_EQ(t.day, expected.tm_mday) << fileTime;
        ASSERT_EQ(t.dayOfWeek, expected.tm_wday) << fileTime;
        ASSERT_EQ(t.hour, expected.tm_hour) << fileTime;
        ASSERT_EQ(t.minute, expected.tm_min) << fileTime;
        ASSERT_EQ(t.second, expected.tm_sec) << fileTime;
        ASSERT_EQ(t.milliseconds, fileTime % 10000000 / 10000) << fileTime;

        if (t.year <= kLastYear) {
            int64_t back = -1;
            ASSERT_TRUE(CalendarToFileTime(t, &back)) << fileTime;
            ASSERT_EQ(back, fileTime - fileTime % 10000) << fileTime;
            struct tm fields = expected;
            ASSERT_EQ((timegm(&fields) + kEpochGap) * 10000000 + t.milliseconds * 10000, back);
        }
    }
}

TEST(CalendarConversion, KnownDates) {
    CalendarTime t{};
    ASSERT_TRUE(FileTimeToCalendar(0, &t));
    EXPECT_EQ(t.year, 1601);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.dayOfWeek, 1);  // a Monday
    int64_t fileTime = 0;
    ASSERT_TRUE(CalendarToFileTime(Fields(1970, 1, 1), &fileTime));
    EXPECT_EQ(fileTime, 116444736000000000);
    ASSERT_TRUE(FileTimeToCalendar(FileTime(2003, 2, 3), &t));
    EXPECT_EQ(t.dayOfWeek, 1);
    // The last file time the system splits lies in 30828.
    ASSERT_TRUE(FileTimeToCalendar(INT64_MAX, &t));
    EXPECT_EQ(t.year, 30828);
    EXPECT_EQ(t.month, 9);
    EXPECT_EQ(t.day, 14);
    EXPECT_EQ(t.hour, 2);
    EXPECT_EQ(t.minute, 48);
    EXPECT_EQ(t.second, 5);
    EXPECT_EQ(t.milliseconds, 477);
}

TEST(CalendarConversion, LeapYears) {
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_TRUE(IsLeapYear(2400));
    EXPECT_TRUE(IsLeapYear(2004));
    EXPECT_FALSE(IsLeapYear(2003));
    EXPECT_FALSE(Accepted(Fields(1900, 2, 29)));
    EXPECT_TRUE(Accepted(Fields(2000, 2, 29)));
    EXPECT_FALSE(Accepted(Fields(2100, 2, 29)));
    EXPECT_TRUE(Accepted(Fields(2400, 2, 29)));
    // 1 March follows 28 February directly in 2100 and 29 February in 2000.
    EXPECT_EQ(Count(2100, 3, 1) - Count(2100, 2, 28), kCountsPerDay);
    int64_t feb28 = 0, mar1 = 0;
    ASSERT_TRUE(CalendarToCount(Fields(2000, 2, 28), &feb28));
    ASSERT_TRUE(CalendarToCount(Fields(2000, 3, 1), &mar1));
    EXPECT_EQ(mar1 - feb28, 2 * kCountsPerDay);
}

TEST(CalendarConversion, FieldsThatAreNoTimeAreRefused) {
    const CalendarTime refused[] = {
        Fields(2003, 4, 31),          Fields(2003, 2, 29),
        Fields(2003, 2, 30),          Fields(2003, 0, 1),
        Fields(2003, 13, 1),          Fields(2003, 1, 0),
        Fields(2003, 1, 32),          Fields(2003, 1, 1, 24),
        Fields(2003, 1, 1, -1),       Fields(2003, 1, 1, 0, 60),
        Fields(2003, 1, 1, 0, 0, 60), Fields(2003, 1, 1, 0, 0, 0, 1000),
        Fields(2003, 1, 1, 0, 0, -1), Fields(1600, 12, 31),
        Fields(30828, 1, 1),          Fields(-5, 1, 1),
    };
    for (const CalendarTime& t : refused) {
        EXPECT_FALSE(Accepted(t)) << t.year << "-" << t.month << "-" << t.day << " " << t.hour
                                  << ":" << t.minute << ":" << t.second << "." << t.milliseconds;
    }
    EXPECT_TRUE(Accepted(Fields(1601, 1, 1)));
    EXPECT_TRUE(Accepted(Fields(30827, 12, 31, 23, 59, 59, 999)));
    // The day of week is not checked, as the system does not check it.
    CalendarTime wrongWeekday = Fields(2003, 2, 3);
    wrongWeekday.dayOfWeek = 5;
    EXPECT_TRUE(Accepted(wrongWeekday));
}

TEST(CalendarConversion, CountsOutsideTheFileTimeRangeAreRefused) {
    CalendarTime t{};
    EXPECT_FALSE(FileTimeToCalendar(-1, &t));
    EXPECT_FALSE(CountToCalendar(-1, &t));
    EXPECT_FALSE(CountToCalendar(INT64_MIN, &t));
    EXPECT_TRUE(CountToCalendar(kMaxCount, &t));
    EXPECT_FALSE(CountToCalendar(kMaxCount + 1, &t));
    EXPECT_FALSE(CountToCalendar(INT64_MAX, &t));  // a 19-digit value from the file
    // Milliseconds below 10 vanish in a count.
    int64_t count = 0;
    ASSERT_TRUE(CalendarToCount(Fields(2003, 2, 3, 8, 0, 0, 999), &count));
    ASSERT_TRUE(CountToCalendar(count, &t));
    EXPECT_EQ(t.milliseconds, 990);
}

// ---- NextPeriodicReset ----

AccountRecord Schedule(int32_t period, int32_t count, int64_t next) {
    AccountRecord record{};
    record.resetOption = kResetPeriodically;
    record.resetPeriod = period;
    record.resetCount = count;
    record.resetNext = next;
    return record;
}

int64_t Next(const AccountRecord& record, int64_t nowFileTime) {
    int64_t next = -1;
    EXPECT_TRUE(NextPeriodicResetAt(record, nowFileTime, &next));
    return next;
}

TEST(NextPeriodicReset, DaysAndWeeksStepFromThePreviousReset) {
    AccountRecord everyTwoDays = Schedule(kPeriodDays, 2, Count(2003, 3, 1, 10));
    EXPECT_EQ(Next(everyTwoDays, FileTime(2003, 3, 6, 9)), Count(2003, 3, 7, 10));
    // Exactly at a reset the next one is a whole step later.
    EXPECT_EQ(Next(everyTwoDays, FileTime(2003, 3, 7, 10)), Count(2003, 3, 9, 10));
    EXPECT_EQ(Next(everyTwoDays, FileTime(2003, 3, 1, 10)), Count(2003, 3, 3, 10));
    // A millisecond before a reset it is that reset.
    EXPECT_EQ(Next(everyTwoDays, FileTime(2003, 3, 7, 10) - 10000), Count(2003, 3, 7, 10));
    AccountRecord weekly = Schedule(kPeriodWeeks, 1, Count(2003, 1, 6, 8));
    EXPECT_EQ(Next(weekly, FileTime(2003, 2, 1)), Count(2003, 2, 3, 8));
    AccountRecord yearlyish = Schedule(kPeriodDays, 365, Count(2000, 1, 1));
    EXPECT_EQ(Next(yearlyish, FileTime(2000, 12, 31, 12)), Count(2001, 12, 31));
}

TEST(NextPeriodicReset, MonthsCountCalendarMonthsOnly) {
    AccountRecord monthly = Schedule(kPeriodMonths, 1, Count(2002, 12, 15, 8));
    EXPECT_EQ(Next(monthly, FileTime(2003, 1, 20)), Count(2003, 2, 15, 8));
    // Before the 15th of January the January reset is passed over.
    EXPECT_EQ(Next(monthly, FileTime(2003, 1, 10)), Count(2003, 2, 15, 8));
    EXPECT_EQ(Next(monthly, FileTime(2002, 12, 15, 8)), Count(2003, 1, 15, 8));
    AccountRecord quarterly = Schedule(kPeriodMonths, 3, Count(2003, 1, 10));
    EXPECT_EQ(Next(quarterly, FileTime(2003, 2, 12)), Count(2003, 4, 10));
    EXPECT_EQ(Next(quarterly, FileTime(2003, 4, 11)), Count(2003, 7, 10));
    AccountRecord yearly = Schedule(kPeriodMonths, 12, Count(2002, 1, 10, 23, 59, 59));
    EXPECT_EQ(Next(yearly, FileTime(2003, 1, 11)), Count(2004, 1, 10, 23, 59, 59));
    EXPECT_EQ(Next(yearly, FileTime(2002, 12, 31)), Count(2003, 1, 10, 23, 59, 59));
}

TEST(NextPeriodicReset, IsAlwaysAfterNowAndNeverSkipsAStepOfDaysOrWeeks) {
    std::mt19937 random(1601);
    const int64_t low = FileTime(1990, 1, 1), high = FileTime(2060, 1, 1);
    for (int i = 0; i < 20000; ++i) {
        int32_t period = static_cast<int32_t>(random() % 3 + 1);
        int32_t count = static_cast<int32_t>(random() % MaxResetCount(period) + 1);
        int64_t now = low + static_cast<int64_t>(random() % static_cast<uint64_t>(high - low));
        int64_t previous =
            low / kFileTimePerCount +
            static_cast<int64_t>(random() % static_cast<uint64_t>(now / kFileTimePerCount -
                                                                  low / kFileTimePerCount + 1));
        if (period == kPeriodMonths) {
            // Monthly schedules keep to days 1-28, whole seconds.
            CalendarTime p{};
            ASSERT_TRUE(CountToCalendar(previous, &p));
            p.day = p.day > 28 ? 28 : p.day;
            p.milliseconds = 0;
            ASSERT_TRUE(CalendarToCount(p, &previous));
            if (previous * kFileTimePerCount > now) continue;
        }
        AccountRecord record = Schedule(period, count, previous);
        int64_t next = 0;
        ASSERT_TRUE(NextPeriodicResetAt(record, now, &next));
        ASSERT_GT(next * kFileTimePerCount, now);
        if (period != kPeriodMonths) {
            int64_t step = count * (period == kPeriodDays ? kCountsPerDay : kCountsPerWeek);
            ASSERT_EQ((next - previous) % step, 0);
            ASSERT_LE((next - step) * kFileTimePerCount, now);
        } else {
            CalendarTime p{}, n{}, r{};
            ASSERT_TRUE(CountToCalendar(previous, &p));
            ASSERT_TRUE(FileTimeToCalendar(now, &n));
            ASSERT_TRUE(CountToCalendar(next, &r));
            int64_t months = (r.year - p.year) * 12 + r.month - p.month;
            int64_t ahead = (r.year - n.year) * 12 + r.month - n.month;
            ASSERT_EQ(months % count, 0);
            ASSERT_GE(ahead, 1);
            ASSERT_LE(ahead, count);
            ASSERT_EQ(r.day, p.day);
            ASSERT_EQ(r.hour * 3600 + r.minute * 60 + r.second,
                      p.hour * 3600 + p.minute * 60 + p.second);
        }
    }
}

TEST(NextPeriodicReset, RefusesWhatIsNoDueSchedule) {
    const int64_t now = FileTime(2003, 3, 6);
    int64_t next = 0;
    // Not yet due.
    EXPECT_FALSE(NextPeriodicResetAt(Schedule(kPeriodDays, 1, Count(2003, 3, 6) + 1), now, &next));
    EXPECT_FALSE(NextPeriodicResetAt(Schedule(kPeriodDays, 1, -1), now, &next));
    EXPECT_FALSE(NextPeriodicResetAt(Schedule(kPeriodNone, 1, Count(2003, 1, 1)), now, &next));
    EXPECT_FALSE(NextPeriodicResetAt(Schedule(4, 1, Count(2003, 1, 1)), now, &next));
    EXPECT_FALSE(NextPeriodicResetAt(Schedule(kPeriodWeeks, 0, Count(2003, 1, 1)), now, &next));
    EXPECT_FALSE(NextPeriodicResetAt(Schedule(kPeriodDays, 1, Count(2003, 1, 1)), -1, &next));
    // A hand-made monthly schedule on the 31st has no reset in February.
    EXPECT_FALSE(NextPeriodicResetAt(Schedule(kPeriodMonths, 1, Count(2003, 1, 31)),
                                     FileTime(2003, 1, 31, 12), &next));
    EXPECT_TRUE(NextPeriodicResetAt(Schedule(kPeriodMonths, 1, Count(2003, 1, 31)),
                                    FileTime(2003, 2, 1), &next));
    EXPECT_EQ(next, Count(2003, 3, 31));
    // Counts out of all proportion neither overflow nor give a date past the calendar.
    EXPECT_FALSE(
        NextPeriodicResetAt(Schedule(kPeriodMonths, INT32_MAX, Count(2003, 1, 1)), now, &next));
    EXPECT_FALSE(NextPeriodicResetAt(Schedule(kPeriodWeeks, INT32_MAX, 0), now, &next));
    EXPECT_TRUE(NextPeriodicResetAt(Schedule(kPeriodWeeks, 52, 0), now, &next));
    const int64_t step = 52 * kCountsPerWeek;  // from 1 January 1601, four centuries of steps
    EXPECT_EQ(next % step, 0);
    EXPECT_LE(next - step, now / kFileTimePerCount);
    EXPECT_GT(next, now / kFileTimePerCount);
    EXPECT_FALSE(NextPeriodicResetAt(Schedule(kPeriodDays, 1, 0), INT64_MAX, &next));
}

TEST(NextPeriodicReset, ReadsTheClockAndReportsNow) {
    FakeClock clock;
    clock.SetLocalTime(2003, 3, 6, 9, 0, 0, 5);
    int64_t next = 0, now = 0;
    ASSERT_TRUE(NextPeriodicReset(Schedule(kPeriodDays, 2, Count(2003, 3, 1, 10)), &next, &now));
    EXPECT_EQ(next, Count(2003, 3, 7, 10));
    EXPECT_EQ(now, Count(2003, 3, 6, 9));
    clock.SetLocalTimeAvailable(false);
    EXPECT_FALSE(NextPeriodicReset(Schedule(kPeriodDays, 2, Count(2003, 3, 1, 10)), &next, &now));
}

// ---- MaximumResetDate ----

int64_t Maximum(int32_t period, int32_t count, int64_t nowFileTime) {
    int64_t result = -1;
    EXPECT_TRUE(MaximumResetDateAt(Schedule(period, count, 0), nowFileTime, &result))
        << period << " " << count;
    return result;
}

TEST(MaximumResetDate, MonthsKeepTheDayWithinTheTargetMonth) {
    EXPECT_EQ(Maximum(kPeriodMonths, 1, FileTime(2003, 1, 31, 12, 30)),
              FileTime(2003, 2, 28, 12, 30));
    EXPECT_EQ(Maximum(kPeriodMonths, 1, FileTime(2004, 1, 31)), FileTime(2004, 2, 29));
    EXPECT_EQ(Maximum(kPeriodMonths, 1, FileTime(2100, 1, 31)), FileTime(2100, 2, 28));
    EXPECT_EQ(Maximum(kPeriodMonths, 1, FileTime(2000, 1, 30)), FileTime(2000, 2, 29));
    EXPECT_EQ(Maximum(kPeriodMonths, 1, FileTime(2003, 3, 31)), FileTime(2003, 4, 30));
    EXPECT_EQ(Maximum(kPeriodMonths, 12, FileTime(2004, 2, 29)), FileTime(2005, 2, 28));
    EXPECT_EQ(Maximum(kPeriodMonths, 1, FileTime(2003, 12, 31)), FileTime(2004, 1, 31));
    EXPECT_EQ(Maximum(kPeriodMonths, 11, FileTime(2003, 12, 31)), FileTime(2004, 11, 30));
    EXPECT_EQ(Maximum(kPeriodMonths, 12, FileTime(2003, 5, 17)), FileTime(2004, 5, 17));
    // The time of day is kept to the last 100 ns.
    EXPECT_EQ(Maximum(kPeriodMonths, 2, FileTime(2003, 5, 17, 1, 2, 3) + 1234567),
              FileTime(2003, 7, 17, 1, 2, 3) + 1234567);
}

TEST(MaximumResetDate, DaysAndWeeksAddWholeUnits) {
    const int64_t now = FileTime(2003, 3, 6, 9, 15) + 777;
    EXPECT_EQ(Maximum(kPeriodDays, 1, now), now + kFileTimePerDay);
    EXPECT_EQ(Maximum(kPeriodDays, 365, now), now + 365 * kFileTimePerDay);
    EXPECT_EQ(Maximum(kPeriodWeeks, 52, now), now + 52 * kFileTimePerWeek);
}

TEST(MaximumResetDate, CountsBeyondThePeriodAreRefused) {
    const int64_t now = FileTime(2003, 3, 6);
    int64_t result = 0;
    const struct {
        int32_t period, count;
        bool ok;
    } cases[] = {
        {kPeriodDays, 0, false},
        {kPeriodDays, 1, true},
        {kPeriodDays, 365, true},
        {kPeriodDays, 366, false},
        {kPeriodWeeks, 52, true},
        {kPeriodWeeks, 53, false},
        {kPeriodMonths, 12, true},
        {kPeriodMonths, 13, false},
        {kPeriodNone, 1, false},
        {0, 1, false},
        {4, 1, false},
        {kPeriodMonths, -1, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MaximumResetDateAt(Schedule(c.period, c.count, 0), now, &result), c.ok)
            << c.period << " " << c.count;
    }
    EXPECT_FALSE(MaximumResetDateAt(Schedule(kPeriodDays, 1, 0), INT64_MAX - 5, &result));
    EXPECT_FALSE(
        MaximumResetDateAt(Schedule(kPeriodMonths, 1, 0), FileTime(30827, 12, 1), &result));
}

TEST(MaximumResetDate, ReadsTheClock) {
    FakeClock clock;
    clock.SetLocalTime(2003, 1, 31, 8);
    int64_t result = 0;
    ASSERT_TRUE(MaximumResetDate(Schedule(kPeriodMonths, 1, 0), &result));
    EXPECT_EQ(result, FileTime(2003, 2, 28, 8));
    clock.SetLocalTimeAvailable(false);
    EXPECT_FALSE(MaximumResetDate(Schedule(kPeriodMonths, 1, 0), &result));
}

// ---- SplitNextReset, FormatDate, the weekday of an entered date ----

TEST(SplitNextReset, FillsTheSixFieldsOnlyForADate) {
    PageRecord page{};
    page.account.resetNext = Count(2003, 2, 3, 8, 5, 9);
    ASSERT_TRUE(SplitNextReset(&page));
    EXPECT_EQ(page.nextHour, 8);
    EXPECT_EQ(page.nextMinute, 5);
    EXPECT_EQ(page.nextSecond, 9);
    EXPECT_EQ(page.nextDay, 3);
    EXPECT_EQ(page.nextMonth, 2);
    EXPECT_EQ(page.nextYear, 2003);
    for (int64_t bad : {int64_t{0}, int64_t{-5}, kMaxCount + 1, INT64_MAX}) {
        PageRecord other{};
        other.nextYear = 77;
        other.account.resetNext = bad;
        EXPECT_FALSE(SplitNextReset(&other)) << bad;
        EXPECT_EQ(other.nextYear, 77);
    }
}

TEST(FormatDate, JoinsTheChosenPartsInOrder) {
    CalendarTime t{};
    ASSERT_TRUE(FileTimeToCalendar(FileTime(2003, 2, 3, 8, 5, 9), &t));
    char text[64];
    ASSERT_TRUE(FormatDate(t, text, sizeof text,
                           kDateDayName | kDateDayNumber | kDateMonthName | kDateYear));
    EXPECT_STREQ(text, "Monday 3 February 2003");
    ASSERT_TRUE(FormatDate(t, text, sizeof text, kDateTime | kDateDayNumber));
    EXPECT_STREQ(text, "08:05:09 3 ");
    ASSERT_TRUE(FormatDate(t, text, sizeof text, kDateMonthName));
    EXPECT_STREQ(text, "February ");
    ASSERT_TRUE(FileTimeToCalendar(FileTime(2003, 12, 28), &t));
    ASSERT_TRUE(FormatDate(t, text, sizeof text, kDateDayName | kDateMonthName));
    EXPECT_STREQ(text, "Sunday December ");
}

TEST(FormatDate, FailsWhenTheTextDoesNotFitOrANameIsUnknown) {
    CalendarTime t{};
    ASSERT_TRUE(FileTimeToCalendar(FileTime(2003, 2, 3), &t));
    char text[32] = "untouched";
    EXPECT_FALSE(FormatDate(t, text, 4, kDateYear));
    EXPECT_STREQ(text, "untouched");
    EXPECT_TRUE(FormatDate(t, text, 5, kDateYear));  // "2003" and its NUL
    EXPECT_STREQ(text, "2003");
    const uint32_t all = kDateDayName | kDateDayNumber | kDateMonthName | kDateYear;
    EXPECT_FALSE(FormatDate(t, text, 22, all));
    EXPECT_TRUE(FormatDate(t, text, 23, all));
    CalendarTime odd = t;
    odd.dayOfWeek = 7;
    EXPECT_FALSE(FormatDate(odd, text, sizeof text, kDateDayName));
    EXPECT_TRUE(FormatDate(odd, text, sizeof text, kDateDayNumber));
    odd = t;
    odd.month = 13;
    EXPECT_FALSE(FormatDate(odd, text, sizeof text, kDateMonthName));
    odd.month = 0;
    EXPECT_FALSE(FormatDate(odd, text, sizeof text, kDateMonthName));
    EXPECT_TRUE(FormatDate(odd, text, sizeof text, kDateYear));
    EXPECT_FALSE(FormatDate(t, nullptr, 32, kDateYear));
}

PageRecord Entered(int hour, int minute, int second, int day, int month, int year) {
    PageRecord page{};
    page.nextHour = hour;
    page.nextMinute = minute;
    page.nextSecond = second;
    page.nextDay = day;
    page.nextMonth = month;
    page.nextYear = year;
    return page;
}

TEST(EnteredResetWeekday, NamesTheDayOfARealFutureDate) {
    const int64_t now = Count(2003, 2, 3, 8);
    EXPECT_EQ(EnteredResetWeekday(Entered(8, 0, 0, 3, 2, 2003), now), 1);  // now exactly
    EXPECT_EQ(EnteredResetWeekday(Entered(7, 59, 59, 3, 2, 2003), now), -1);
    EXPECT_EQ(EnteredResetWeekday(Entered(0, 0, 0, 1, 3, 2003), now), 6);
    EXPECT_EQ(EnteredResetWeekday(Entered(0, 0, 0, 29, 2, 2004), now), 0);
    EXPECT_EQ(EnteredResetWeekday(Entered(0, 0, 0, 29, 2, 2003), now), -1);
    EXPECT_EQ(EnteredResetWeekday(Entered(0, 0, 0, 31, 4, 2003), now), -1);
    EXPECT_EQ(EnteredResetWeekday(Entered(0, 0, 0, 1, 13, 2003), now), -1);
    EXPECT_EQ(EnteredResetWeekday(Entered(-1, 0, 0, 1, 3, 2003), now), -1);
    EXPECT_EQ(EnteredResetWeekday(Entered(0, 0, 0, 1, 3, -1), now), -1);
    EXPECT_EQ(EnteredResetWeekday(Entered(24, 0, 0, 1, 3, 2003), now), -1);

    FakeClock clock;
    clock.SetLocalTime(2003, 2, 3, 8);
    char text[32];
    ASSERT_TRUE(EnteredResetWeekdayText(Entered(0, 0, 0, 4, 2, 2003), text, sizeof text));
    EXPECT_STREQ(text, "Tuesday");
    ASSERT_TRUE(EnteredResetWeekdayText(Entered(0, 0, 0, 2, 2, 2003), text, sizeof text));
    EXPECT_STREQ(text, "Incorrect Value");
}

}  // namespace
}  // namespace dt
