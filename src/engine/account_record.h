// An account's times and reset options, loaded from its section of the settings file.
#pragma once

#include <cstdint>

#include "app/platform.h"

namespace dt {

// Running times are hundredths of a second within this bound either side of zero (999:59:59.00).
constexpr int32_t kMaxTime = 359999900;
// The largest number of seconds whose hundredths fit in a signed 32-bit number.
constexpr int32_t kMaxSecondsInHundredths = 21474836;
constexpr int kEntryNameSize = 257;  // up to 256 characters and the NUL
// The phonebook is listed for at most this many entries.
constexpr int kMaxPhonebookEntries = 32;

enum ResetOption : int32_t {
    kResetNever = 0,
    kResetEveryConnection = 1,
    kResetPeriodically = 2,
    kResetOnDay = 3,
};
enum ResetPeriod : int32_t {
    kPeriodNone = -1,
    kPeriodDays = 1,
    kPeriodWeeks = 2,
    kPeriodMonths = 3,
};

struct AccountRecord {
    char name[kEntryNameSize];
    int32_t countDirection;  // 0 up, 1 down
    int32_t resetOption;
    int32_t resetPeriod;
    int32_t resetCount;
    int32_t timer;  // hundredths
    int32_t timerHours, timerMinutes, timerSeconds;
    int32_t warning;  // hundredths
    int32_t warningHours, warningMinutes, warningSeconds;
    int32_t resetTime;  // hundredths
    int32_t timerNegative;
    int32_t warningNegative;
    int32_t enableWarning;
    int64_t resetNext;  // 10 ms units of local time since 1 January 1601; 0 when none
};

// One account as the Connections page edits it. Every split number is -1 when unknown.
struct PageRecord {
    AccountRecord account;
    int32_t resetHours, resetMinutes, resetSeconds;
    int32_t nextHour, nextMinute, nextSecond, nextDay, nextMonth, nextYear;
    int32_t resetNegative;
    int32_t modified;
};

// The absolute value of a time in hundredths as whole hours, minutes and seconds.
void SplitTime(int32_t hundredths, int32_t* hours, int32_t* minutes, int32_t* seconds);
// The largest count that the period allows (365 days, 52 weeks, 12 months); 0 for no period.
int32_t MaxResetCount(int32_t period);

// Fills `record` (its name set by the caller) from the account's section and carries out a
// scheduled reset that fell due while the program was not looking, writing the changed keys.
// `now`, when given, receives the local time in 10 ms units (0 when the clock could not be read
// and no reset was due). Fails for an empty name, when the user stops on a read error, or when a
// due reset needs the clock and it cannot be read. Read errors ask with message 2012 and the
// program's read-error buttons.
bool LoadAccountRecord(WindowRef owner, AccountRecord* record, int64_t* now);

// Lists the phonebook through Ras() (at most 32 entries) plus the connected entry when the
// phonebook lacks it (`connectedName`, null or empty when nothing is connected), and loads every
// account for the Connections page. On success *pages holds *count records (null when there are
// none); free it with std::free. Errors are shown to the user, except for a phonebook that is too
// long.
bool EnumerateAccounts(WindowRef owner, const char* connectedName, PageRecord** pages, int* count);

}  // namespace dt
