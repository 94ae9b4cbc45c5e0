// Calendar arithmetic of the automatic reset: local times, reset dates and their texts.
#include "engine/calendar.h"

#include <cstdio>
#include <cstring>

#include "app/messages.h"
#include "app/platform.h"
#include "resources/resource_ids.h"

namespace dt {
namespace {

constexpr int64_t kFileTimePerMillisecond = 10000;
constexpr int64_t kDaysPer400Years = 146097;
constexpr int64_t kDaysPer100Years = 36524;  // without the leap day of a year divisible by 400
constexpr int64_t kDaysPer4Years = 1461;

// Days from 1 January 1601 to 1 January of `year`; 1601 starts a 400-year cycle.
int64_t DaysBeforeYear(int64_t year) {
    int64_t years = year - kFirstYear;
    return years * 365 + years / 4 - years / 100 + years / 400;
}

int DaysBeforeMonth(int year, int month) {
    int days = 0;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    return days;
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

// Appends to `text` (capacity `size`); false when it would not fit.
bool Append(char* text, size_t size, size_t* used, const char* piece) {
    size_t length = std::strlen(piece);
    if (*used + length + 1 > size) return false;
    std::memcpy(text + *used, piece, length + 1);
    *used += length;
    return true;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    switch (month) {
        case 2:
            return IsLeapYear(year) ? 29 : 28;
        case 4:
        case 6:
        case 9:
        case 11:
            return 30;
        default:
            return InRange(month, 1, 12) ? 31 : 0;
    }
}

bool FileTimeToCalendar(int64_t fileTime, CalendarTime* time) {
    if (fileTime < 0 || !time) return false;
    int64_t days = fileTime / kFileTimePerDay;
    int64_t milliseconds = fileTime % kFileTimePerDay / kFileTimePerMillisecond;

    // 1 January 1601 was a Monday.
    time->dayOfWeek = static_cast<int>((days + 1) % 7);
    int64_t cycles = days / kDaysPer400Years;
    int64_t rest = days % kDaysPer400Years;
    // The last day of a 400-year cycle is the leap day that the century count leaves out.
    int64_t centuries = rest / kDaysPer100Years;
    if (centuries == 4) centuries = 3;
    rest -= centuries * kDaysPer100Years;
    int64_t quads = rest / kDaysPer4Years;
    rest %= kDaysPer4Years;
    int64_t years = rest / 365;
    if (years == 4) years = 3;
    rest -= years * 365;

    int year = static_cast<int>(kFirstYear + cycles * 400 + centuries * 100 + quads * 4 + years);
    int month = 1;
    int dayOfYear = static_cast<int>(rest);
    while (dayOfYear >= DaysInMonth(year, month)) {
        dayOfYear -= DaysInMonth(year, month);
        ++month;
    }
    time->year = year;
    time->month = month;
    time->day = dayOfYear + 1;
    time->hour = static_cast<int>(milliseconds / 3600000);
    time->minute = static_cast<int>(milliseconds / 60000 % 60);
    time->second = static_cast<int>(milliseconds / 1000 % 60);
    time->milliseconds = static_cast<int>(milliseconds % 1000);
    return true;
}

bool CalendarToFileTime(const CalendarTime& time, int64_t* fileTime) {
    if (!fileTime || !InRange(time.year, kFirstYear, kLastYear) || !InRange(time.month, 1, 12) ||
        !InRange(time.day, 1, DaysInMonth(time.year, time.month)) || !InRange(time.hour, 0, 23) ||
        !InRange(time.minute, 0, 59) || !InRange(time.second, 0, 59) ||
        !InRange(time.milliseconds, 0, 999)) {
        return false;
    }
    int64_t days =
        DaysBeforeYear(time.year) + DaysBeforeMonth(time.year, time.month) + time.day - 1;
    int64_t seconds = ((days * 24 + time.hour) * 60 + time.minute) * 60 + time.second;
    *fileTime = seconds * 10000000 + time.milliseconds * kFileTimePerMillisecond;
    return true;
}

bool CountToCalendar(int64_t count, CalendarTime* time) {
    if (count < 0 || count > kMaxCount) return false;
    return FileTimeToCalendar(count * kFileTimePerCount, time);
}

bool CalendarToCount(const CalendarTime& time, int64_t* count) {
    int64_t fileTime = 0;
    if (!count || !CalendarToFileTime(time, &fileTime)) return false;
    *count = fileTime / kFileTimePerCount;
    return true;
}

bool NextPeriodicResetAt(const AccountRecord& record, int64_t nowFileTime, int64_t* next) {
    if (!next || nowFileTime < 0 || record.resetCount < 1 || record.resetNext < 0) return false;
    const int64_t nowCount = nowFileTime / kFileTimePerCount;
    if (record.resetNext > nowCount) return false;

    int64_t result = 0;
    if (record.resetPeriod == kPeriodDays || record.resetPeriod == kPeriodWeeks) {
        const int64_t step = record.resetCount *
                             (record.resetPeriod == kPeriodDays ? kCountsPerDay : kCountsPerWeek);
        const int64_t steps = (nowCount - record.resetNext) / step + 1;
        result = record.resetNext + steps * step;
        if (result > kMaxCount) return false;
    } else if (record.resetPeriod == kPeriodMonths) {
        CalendarTime previous{}, now{};
        if (!CountToCalendar(record.resetNext, &previous) ||
            !FileTimeToCalendar(nowFileTime, &now)) {
            return false;
        }
        // Whole calendar months only: the day of the month plays no part, so the result is
        // always in a later month than now.
        const int64_t count = record.resetCount;
        const int64_t months =
            (static_cast<int64_t>(now.year) - previous.year) * 12 - previous.month + now.month;
        const int64_t m = now.month - months % count + count - 1;
        const int64_t year = now.year + m / 12;
        if (year > kLastYear) return false;
        CalendarTime target = previous;
        target.year = static_cast<int>(year);
        target.month = static_cast<int>(m % 12 + 1);
        // A day that the month lacks (a hand-made schedule on the 29th-31st) fails here.
        if (!CalendarToCount(target, &result)) return false;
    } else {
        return false;
    }
    *next = result;
    return true;
}

bool NextPeriodicReset(const AccountRecord& record, int64_t* next, int64_t* now) {
    int64_t nowFileTime = 0;
    if (!SystemClock().LocalFileTime(&nowFileTime) || nowFileTime < 0) return false;
    if (now) *now = nowFileTime / kFileTimePerCount;
    return NextPeriodicResetAt(record, nowFileTime, next);
}

bool MaximumResetDateAt(const AccountRecord& record, int64_t nowFileTime, int64_t* fileTime) {
    const int32_t count = record.resetCount;
    if (!fileTime || nowFileTime < 0 || count < 1 || count > MaxResetCount(record.resetPeriod)) {
        return false;
    }
    if (record.resetPeriod == kPeriodDays || record.resetPeriod == kPeriodWeeks) {
        const int64_t add =
            count * (record.resetPeriod == kPeriodDays ? kFileTimePerDay : kFileTimePerWeek);
        if (nowFileTime > INT64_MAX - add) return false;
        *fileTime = nowFileTime + add;
        return true;
    }
    CalendarTime time{};
    if (!FileTimeToCalendar(nowFileTime, &time)) return false;
    int month = time.month + count;
    time.year += (month - 1) / 12;
    time.month = (month - 1) % 12 + 1;
    if (time.day > DaysInMonth(time.year, time.month)) {
        time.day = DaysInMonth(time.year, time.month);
    }
    int64_t result = 0;
    if (!CalendarToFileTime(time, &result)) return false;
    // The fields hold whole milliseconds; the time of day is kept to the file time's precision.
    *fileTime = result + nowFileTime % kFileTimePerMillisecond;
    return true;
}

bool MaximumResetDate(const AccountRecord& record, int64_t* fileTime) {
    int64_t now = 0;
    if (!SystemClock().LocalFileTime(&now)) return false;
    return MaximumResetDateAt(record, now, fileTime);
}

bool SplitNextReset(PageRecord* page) {
    CalendarTime time{};
    if (!page || page->account.resetNext <= 0 || !CountToCalendar(page->account.resetNext, &time)) {
        return false;
    }
    page->nextHour = time.hour;
    page->nextMinute = time.minute;
    page->nextSecond = time.second;
    page->nextDay = time.day;
    page->nextMonth = time.month;
    page->nextYear = time.year;
    return true;
}

bool FormatDate(const CalendarTime& time, char* buffer, int size, uint32_t parts) {
    if (!buffer || size < 5) return false;
    char text[256] = "";
    size_t used = 0;
    char piece[64];
    if (parts & kDateTime) {
        std::snprintf(piece, sizeof piece, "%02d:%02d:%02d ", time.hour, time.minute, time.second);
        if (!Append(text, sizeof text, &used, piece)) return false;
    }
    if (parts & kDateDayName) {
        if (!InRange(time.dayOfWeek, 0, 6) ||
            !LoadText(IDS_DAY_SUNDAY + time.dayOfWeek, piece, sizeof piece - 1)) {
            return false;
        }
        std::strcat(piece, " ");
        if (!Append(text, sizeof text, &used, piece)) return false;
    }
    if (parts & kDateDayNumber) {
        std::snprintf(piece, sizeof piece, "%d ", time.day);
        if (!Append(text, sizeof text, &used, piece)) return false;
    }
    if (parts & kDateMonthName) {
        if (!InRange(time.month, 1, 12) ||
            !LoadText(IDS_MONTH_JANUARY + time.month - 1, piece, sizeof piece - 1)) {
            return false;
        }
        std::strcat(piece, " ");
        if (!Append(text, sizeof text, &used, piece)) return false;
    }
    if (parts & kDateYear) {
        std::snprintf(piece, sizeof piece, "%d", time.year);
        if (!Append(text, sizeof text, &used, piece)) return false;
    }
    if (used + 1 > static_cast<size_t>(size)) return false;
    std::memcpy(buffer, text, used + 1);
    return true;
}

bool EnteredNextReset(const PageRecord& page, int64_t* count) {
    if (page.nextHour < 0 || page.nextMinute < 0 || page.nextSecond < 0 || page.nextDay < 0 ||
        page.nextMonth < 0 || page.nextYear < 0) {
        return false;
    }
    CalendarTime time{};
    time.year = page.nextYear;
    time.month = page.nextMonth;
    time.day = page.nextDay;
    time.hour = page.nextHour;
    time.minute = page.nextMinute;
    time.second = page.nextSecond;
    return CalendarToCount(time, count);
}

int EnteredResetWeekday(const PageRecord& page, int64_t nowCount) {
    int64_t count = 0;
    if (!EnteredNextReset(page, &count) || count < nowCount) return -1;
    return static_cast<int>((count / kCountsPerDay + 1) % 7);
}

bool EnteredResetWeekdayText(const PageRecord& page, char* buffer, int size) {
    int64_t now = 0;
    int weekday = -1;
    if (SystemClock().LocalFileTime(&now) && now >= 0) {
        weekday = EnteredResetWeekday(page, now / kFileTimePerCount);
    }
    return LoadText(weekday < 0 ? IDS_INCORRECT_VALUE : IDS_DAY_SUNDAY + weekday, buffer, size);
}

}  // namespace dt
