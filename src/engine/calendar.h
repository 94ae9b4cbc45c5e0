// Calendar arithmetic of the automatic reset: local times, reset dates and their texts.
#pragma once

#include <cstdint>

#include "engine/account_record.h"

namespace dt {

// File times are 100 ns units since 1 January 1601; reset dates are 10 ms units of the same.
constexpr int64_t kFileTimePerCount = 100000;
constexpr int64_t kCountsPerDay = 8640000;
constexpr int64_t kCountsPerWeek = 60480000;
constexpr int64_t kFileTimePerDay = 864000000000;
constexpr int64_t kFileTimePerWeek = 6048000000000;
// The latest 10 ms count whose file time is still a valid (positive, 63-bit) file time.
constexpr int64_t kMaxCount = INT64_MAX / kFileTimePerCount;
// The years that a date may be built from, as the system allows them.
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;

// Broken-down time, as the system's conversions give it; dayOfWeek 0 is Sunday.
struct CalendarTime {
    int year;
    int month;  // 1-12
    int dayOfWeek;
    int day;
    int hour;
    int minute;
    int second;
    int milliseconds;
};

bool IsLeapYear(int year);
// 0 for a month outside 1-12.
int DaysInMonth(int year, int month);

// Like the system's file-time conversions: any file time below 2^63 splits into fields (the last
// ones lie in 30828); fields build a file time only for a real date in 1601-30827 with every
// field in range (the day of week is ignored).
bool FileTimeToCalendar(int64_t fileTime, CalendarTime* time);
bool CalendarToFileTime(const CalendarTime& time, int64_t* fileTime);
// The same for 10 ms counts; milliseconds below 10 are dropped.
bool CountToCalendar(int64_t count, CalendarTime* time);
bool CalendarToCount(const CalendarTime& time, int64_t* count);

// The first reset of the record's periodic schedule after now. Needs a period of 1-3, a count of
// at least 1 and a `resetNext` that is not negative and not later than now. `now` receives the
// local time in 10 ms units. The "At" form takes now as a file time.
bool NextPeriodicReset(const AccountRecord& record, int64_t* next, int64_t* now);
bool NextPeriodicResetAt(const AccountRecord& record, int64_t nowFileTime, int64_t* next);

// The present local time moved on by one whole reset period, as a file time; the day is kept to
// the target month's length.
bool MaximumResetDate(const AccountRecord& record, int64_t* fileTime);
bool MaximumResetDateAt(const AccountRecord& record, int64_t nowFileTime, int64_t* fileTime);

// `resetNext` into the page's six next-reset fields; false (fields untouched) when it is not
// positive or not a date.
bool SplitNextReset(PageRecord* page);

// Parts of a date text, in the order they appear.
enum DatePart : uint32_t {
    kDateTime = 1,       // "hh:mm:ss "
    kDateDayName = 2,    // "Monday "
    kDateDayNumber = 4,  // "3 "
    kDateMonthName = 8,  // "February "
    kDateYear = 16,      // "2003"
};
bool FormatDate(const CalendarTime& time, char* buffer, int size, uint32_t parts);

// The next reset that the page's six fields name, in 10 ms units; false when a field holds no
// valid number or they name no date.
bool EnteredNextReset(const PageRecord& page, int64_t* count);
// The weekday (0-6) of the next reset entered on the page, or -1 when the fields are not a
// date or it lies before `nowCount` (10 ms units).
int EnteredResetWeekday(const PageRecord& page, int64_t nowCount);
// Its name, or "Incorrect Value"; false only when the text does not fit.
bool EnteredResetWeekdayText(const PageRecord& page, char* buffer, int size);

}  // namespace dt
