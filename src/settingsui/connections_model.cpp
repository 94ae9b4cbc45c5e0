// The Connections page's editing model: working and saved account lists, their comparison,
// validation, and which keys a save writes.
#include "settingsui/connections_model.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "app/ascii.h"
#include "app/messages.h"
#include "engine/account_keys.h"
#include "engine/calendar.h"
#include "engine/connection_monitor.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

namespace dt {
namespace {

constexpr int32_t kMaxHours = 999;

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

// The edited time in hundredths, or false when a field holds no valid number.
bool EditedTime(int32_t negative, int32_t hours, int32_t minutes, int32_t seconds,
                int32_t* hundredths) {
    if (!InRange(hours, 0, kMaxHours) || !InRange(minutes, 0, 59) || !InRange(seconds, 0, 59)) {
        return false;
    }
    const int32_t value = ((hours * 60 + minutes) * 60 + seconds) * 100;
    *hundredths = negative ? -value : value;
    return true;
}

bool SameNextFields(const PageRecord& a, const PageRecord& b) {
    return a.nextHour == b.nextHour && a.nextMinute == b.nextMinute &&
           a.nextSecond == b.nextSecond && a.nextDay == b.nextDay && a.nextMonth == b.nextMonth &&
           a.nextYear == b.nextYear;
}

bool SameSchedule(const PageRecord& a, const PageRecord& b) {
    const AccountRecord &x = a.account, &y = b.account;
    return x.resetOption == y.resetOption && x.resetPeriod == y.resetPeriod &&
           x.resetCount == y.resetCount && x.resetNext == y.resetNext && SameNextFields(a, b);
}

bool SameCurrentTime(const AccountRecord& x, const AccountRecord& y) {
    return x.timerNegative == y.timerNegative && x.timerHours == y.timerHours &&
           x.timerMinutes == y.timerMinutes && x.timerSeconds == y.timerSeconds;
}

bool Differs(const PageRecord& a, const PageRecord& b, bool withCurrentTime) {
    const AccountRecord &x = a.account, &y = b.account;
    if (withCurrentTime && !SameCurrentTime(x, y)) return true;
    return x.countDirection != y.countDirection || x.warningNegative != y.warningNegative ||
           x.warningHours != y.warningHours || x.warningMinutes != y.warningMinutes ||
           x.warningSeconds != y.warningSeconds || x.enableWarning != y.enableWarning ||
           !SameSchedule(a, b) || x.resetTime != y.resetTime || a.resetHours != b.resetHours ||
           a.resetMinutes != b.resetMinutes || a.resetSeconds != b.resetSeconds ||
           a.resetNegative != b.resetNegative;
}

ValidationFailure Failure(AccountField field, int subjectId, int detailId) {
    return {field, subjectId, detailId, false, 0, 0};
}

ValidationFailure RangeFailure(AccountField field, int subjectId, int detailId, int32_t low,
                               int32_t high) {
    return {field, subjectId, detailId, true, low, high};
}

// The three checks of a time: hours, minutes, seconds.
bool CheckTime(int32_t hours, int32_t minutes, int32_t seconds, AccountField first, int subjectId,
               ValidationFailure* failure) {
    const int fieldBase = static_cast<int>(first);
    if (!InRange(hours, 0, kMaxHours)) {
        *failure = RangeFailure(first, subjectId, IDS_HOURS, -kMaxHours, kMaxHours);
    } else if (!InRange(minutes, 0, 59)) {
        *failure =
            RangeFailure(static_cast<AccountField>(fieldBase + 1), subjectId, IDS_MINUTES, 0, 59);
    } else if (!InRange(seconds, 0, 59)) {
        *failure =
            RangeFailure(static_cast<AccountField>(fieldBase + 2), subjectId, IDS_SECONDS, 0, 59);
    } else {
        return true;
    }
    return false;
}

int CountSubject(int32_t period) {
    switch (period) {
        case kPeriodWeeks:
            return IDS_NUMBER_WEEKS;
        case kPeriodMonths:
            return IDS_NUMBER_MONTHS;
        default:
            return IDS_NUMBER_DAYS;
    }
}

void CopyList(PageRecord* to, const PageRecord* from, int count) {
    if (count > 0) std::memcpy(to, from, sizeof(PageRecord) * static_cast<size_t>(count));
}

// Repeats an attempt while the user answers its error box with Retry; false when they gave up.
template <typename Attempt>
bool RetryWhileAsked(Attempt attempt) {
    for (;;) {
        switch (ClassifyAnswer(attempt())) {
            case ErrorAnswer::kRepeat:
                continue;
            case ErrorAnswer::kGiveUp:
                return false;
            case ErrorAnswer::kGoOn:
                return true;
        }
    }
}

// The keys in the order a save writes them.
struct KeyWrite {
    uint32_t bit;
    AccountKey key;
};
constexpr KeyWrite kKeyWrites[] = {
    {kWriteTimer, kAccountTimer},
    {kWriteCountDirection, kAccountCountDirection},
    {kWriteWarning, kAccountWarning},
    {kWriteEnableWarning, kAccountEnableWarning},
    {kWriteResetOption, kAccountResetOption},
    {kWriteResetTime, kAccountResetTime},
    {kWriteResetPeriod, kAccountResetPeriod},
    {kWriteResetCount, kAccountResetCount},
    {kWriteResetNext, kAccountResetNext},
};

void SetTime(AccountRecord* a, int32_t timer) {
    a->timer = timer;
    a->timerNegative = timer < 0;
    SplitTime(timer, &a->timerHours, &a->timerMinutes, &a->timerSeconds);
}

// The connected account's saved record goes to the monitor. A protected time was not edited:
// the monitor's own, running time stays.
void HandOver(const ConnectionsPage& page, int index, uint32_t keys,
              void (*tellMonitor)(const char* name, uint32_t flags)) {
    AccountRecord edited = page.working[index].account;
    if (TimeProtected(page, index)) SetTime(&edited, g_monitor.current.timer);
    if (!g_monitor.connected || !EqualNoCase(g_monitor.current.name, edited.name)) return;
    g_monitor.current = edited;
    const uint32_t flags = AccountEditedFlags(keys);
    if (flags && tellMonitor) tellMonitor(edited.name, flags);
}

// Where a field lives in the record.
int32_t& FieldRef(PageRecord& r, AccountField field) {
    AccountRecord& a = r.account;
    switch (field) {
        case AccountField::kTimerSign:
            return a.timerNegative;
        case AccountField::kTimerHours:
            return a.timerHours;
        case AccountField::kTimerMinutes:
            return a.timerMinutes;
        case AccountField::kTimerSeconds:
            return a.timerSeconds;
        case AccountField::kEnableWarning:
            return a.enableWarning;
        case AccountField::kWarningSign:
            return a.warningNegative;
        case AccountField::kWarningHours:
            return a.warningHours;
        case AccountField::kWarningMinutes:
            return a.warningMinutes;
        case AccountField::kWarningSeconds:
            return a.warningSeconds;
        case AccountField::kCountDirection:
            return a.countDirection;
        case AccountField::kResetOption:
            return a.resetOption;
        case AccountField::kResetSign:
            return r.resetNegative;
        case AccountField::kResetHours:
            return r.resetHours;
        case AccountField::kResetMinutes:
            return r.resetMinutes;
        case AccountField::kResetSeconds:
            return r.resetSeconds;
        case AccountField::kResetCount:
            return a.resetCount;
        case AccountField::kResetPeriod:
            return a.resetPeriod;
        case AccountField::kNextHour:
            return r.nextHour;
        case AccountField::kNextMinute:
            return r.nextMinute;
        case AccountField::kNextSecond:
            return r.nextSecond;
        case AccountField::kNextDay:
            return r.nextDay;
        case AccountField::kNextMonth:
            return r.nextMonth;
        case AccountField::kNextYear:
            break;
    }
    return r.nextYear;
}

}  // namespace

int32_t FieldValue(const PageRecord& r, AccountField field) {
    return FieldRef(const_cast<PageRecord&>(r), field);
}

void SetFieldValue(PageRecord* r, AccountField field, int32_t value) {
    switch (field) {
        case AccountField::kTimerSign:
        case AccountField::kEnableWarning:
        case AccountField::kWarningSign:
        case AccountField::kCountDirection:
        case AccountField::kResetSign:
            value = value != 0;
            break;
        case AccountField::kNextHour:
            value = InRange(value, 0, 23) ? value : -1;
            break;
        case AccountField::kNextMinute:
        case AccountField::kNextSecond:
            value = InRange(value, 0, 59) ? value : -1;
            break;
        case AccountField::kNextDay:
            value = InRange(value, 1, 31) ? value : -1;
            break;
        default:
            break;
    }
    FieldRef(*r, field) = value;
    // A periodic schedule needs a period; the unit list offers days first.
    if (field == AccountField::kResetOption && value == kResetPeriodically &&
        MaxResetCount(r->account.resetPeriod) == 0) {
        r->account.resetPeriod = kPeriodDays;
    }
}

int32_t ParseFieldText(const char* text) {
    if (!text || text[0] == '\0') return -1;
    int64_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || p - text >= 9) return -1;
        value = value * 10 + (*p - '0');
    }
    return static_cast<int32_t>(value);
}

bool StartConnectionsPage(ConnectionsPage* page, PageRecord* accounts, int count, int firstYear) {
    *page = ConnectionsPage{};
    page->selected = page->connected = page->resetAccount = -1;
    page->working = accounts;
    page->count = count;
    if (count > 0) {
        page->saved =
            static_cast<PageRecord*>(std::malloc(sizeof(PageRecord) * static_cast<size_t>(count)));
        if (!page->saved) {
            FreeConnectionsPage(page);
            return false;
        }
    }
    ApplyYearList(page, firstYear);
    CopyList(page->saved, page->working, count);
    return true;
}

void FreeConnectionsPage(ConnectionsPage* page) {
    std::free(page->working);
    std::free(page->saved);
    *page = ConnectionsPage{};
    page->selected = page->connected = page->resetAccount = -1;
}

int FindAccount(const ConnectionsPage& page, const char* name) {
    if (!name || !name[0]) return -1;
    for (int i = 0; i < page.count; ++i) {
        if (EqualNoCase(page.working[i].account.name, name)) return i;
    }
    return -1;
}

bool TimeProtected(const ConnectionsPage& page, int index) {
    return index >= 0 && index == page.connected && !page.timeUnprotected;
}

bool RefreshModified(ConnectionsPage* page, int index) {
    if (index < 0 || index >= page->count) return false;
    const bool isProtected = TimeProtected(*page, index);
    // A released connected time is always saved: it differs from the live time it came from.
    const bool released = index == page->connected && page->timeUnprotected;
    PageRecord& r = page->working[index];
    r.modified = released || Differs(r, page->saved[index], !isProtected);
    return r.modified != 0;
}

bool RefreshAllModified(ConnectionsPage* page) {
    bool any = false;
    for (int i = 0; i < page->count; ++i) any = RefreshModified(page, i) || any;
    return any;
}

void TakeLiveTime(PageRecord* record, int32_t timer) { SetTime(&record->account, timer); }

void ApplyYearList(ConnectionsPage* page, int firstYear) {
    for (PageRecord* list : {page->working, page->saved}) {
        if (!list) continue;
        for (int i = 0; i < page->count; ++i) {
            if (!InRange(list[i].nextYear, firstYear, firstYear + 2)) list[i].nextYear = -1;
        }
    }
}

bool ResetSettingsDiffer(const PageRecord& record, const AccountRecord& current) {
    return record.account.resetOption != current.resetOption ||
           record.account.resetNext != current.resetNext;
}

void TakeOverReset(ConnectionsPage* page, int index, const AccountRecord& current) {
    if (index < 0 || index >= page->count) return;
    for (PageRecord* list : {page->working, page->saved}) {
        PageRecord& r = list[index];
        r.account.resetOption = current.resetOption;
        r.account.resetNext = current.resetNext;
        const bool split = SplitNextReset(&r);
        if (!split) r.nextHour = r.nextMinute = r.nextSecond = r.nextDay = r.nextMonth = -1;
        if (!split) r.nextYear = -1;
        if (r.account.resetOption == kResetPeriodically && r.account.resetPeriod == kPeriodMonths &&
            (!split || r.nextDay >= 29)) {
            r.account.resetOption = kResetNever;
        }
    }
}

bool ValidateRecord(const PageRecord& r, bool checkCurrentTime, bool scheduleChanged,
                    int64_t nowFileTime, ValidationFailure* failure) {
    const AccountRecord& a = r.account;
    if (checkCurrentTime && !CheckTime(a.timerHours, a.timerMinutes, a.timerSeconds,
                                       AccountField::kTimerHours, IDS_CURRENT_TIME, failure)) {
        return false;
    }
    if (a.enableWarning && !CheckTime(a.warningHours, a.warningMinutes, a.warningSeconds,
                                      AccountField::kWarningHours, IDS_WARNING_TIME, failure)) {
        return false;
    }
    const int32_t option = a.resetOption;
    if (option == kResetNever) return true;
    if (!CheckTime(r.resetHours, r.resetMinutes, r.resetSeconds, AccountField::kResetHours,
                   IDS_NEW_CURRENT_TIME, failure)) {
        return false;
    }
    if (option == kResetPeriodically) {
        // Without a period (never offered by the unit list) the count is judged as days.
        const int32_t period = MaxResetCount(a.resetPeriod) ? a.resetPeriod : kPeriodDays;
        const int32_t most = MaxResetCount(period);
        if (!InRange(a.resetCount, 1, most) || period != a.resetPeriod) {
            *failure = RangeFailure(AccountField::kResetCount, CountSubject(period),
                                    IDS_IN_RESET_PERIOD, 1, most);
            return false;
        }
    }
    if (option != kResetPeriodically && option != kResetOnDay) return true;
    if (!InRange(r.nextHour, 0, 23)) {
        *failure = RangeFailure(AccountField::kNextHour, IDS_NEXT_RESET, IDS_HOUR, 0, 23);
        return false;
    }
    if (!InRange(r.nextMinute, 0, 59)) {
        *failure = RangeFailure(AccountField::kNextMinute, IDS_NEXT_RESET, IDS_MINUTE, 0, 59);
        return false;
    }
    if (!InRange(r.nextSecond, 0, 59)) {
        *failure = RangeFailure(AccountField::kNextSecond, IDS_NEXT_RESET, IDS_SECOND, 0, 59);
        return false;
    }
    if (!InRange(r.nextMonth, 1, 12)) {
        *failure = Failure(AccountField::kNextMonth, IDS_NEXT_RESET, IDS_MONTH);
        return false;
    }
    if (r.nextYear < kFirstYear || r.nextYear > kLastYear) {
        *failure = Failure(AccountField::kNextYear, IDS_NEXT_RESET, IDS_YEAR);
        return false;
    }
    // Monthly schedules keep to days that every month has.
    const int32_t lastDay =
        option == kResetPeriodically ? 28 : DaysInMonth(r.nextYear, r.nextMonth);
    if (!InRange(r.nextDay, 1, lastDay)) {
        *failure = RangeFailure(AccountField::kNextDay, IDS_NEXT_RESET, IDS_DAY, 1, lastDay);
        return false;
    }
    if (!scheduleChanged) return true;
    int64_t next = 0;
    if (!EnteredNextReset(r, &next) || next < nowFileTime / kFileTimePerCount) {
        *failure = Failure(AccountField::kNextHour, IDS_NEXT_RESET_TIME_DATE,
                           IDS_TIME_DATE_FUTURE_REQUIRED);
        return false;
    }
    if (option == kResetPeriodically) {
        int64_t latest = 0;
        if (!MaximumResetDateAt(a, nowFileTime, &latest) || next > latest / kFileTimePerCount) {
            *failure =
                Failure(AccountField::kNextHour, IDS_NEXT_RESET_TIME_DATE, IDS_TIME_DATE_RANGE);
            return false;
        }
    }
    return true;
}

bool ValidateConnections(const ConnectionsPage& page, int64_t nowFileTime, int* failedIndex,
                         ValidationFailure* failure) {
    for (int i = 0; i < page.count; ++i) {
        const PageRecord& r = page.working[i];
        if (!r.modified) continue;
        if (!ValidateRecord(r, !TimeProtected(page, i), !SameSchedule(r, page.saved[i]),
                            nowFileTime, failure)) {
            *failedIndex = i;
            return false;
        }
    }
    return true;
}

bool FormatValidationMessage(const ValidationFailure& failure, char* buffer, int size) {
    char opening[64], subject[128], detail[200], range[96] = "";
    if (!buffer || size <= 0 || !LoadText(IDS_PLEASE_SPECIFY, opening, sizeof opening) ||
        !LoadText(failure.subjectId, subject, sizeof subject) ||
        !LoadText(failure.detailId, detail, sizeof detail)) {
        return false;
    }
    if (failure.hasRange && failure.low != failure.high) {
        char format[96];
        if (!LoadText(IDS_ACCEPTABLE_RANGE, format, sizeof format)) return false;
        std::snprintf(range, sizeof range, format, failure.low, failure.high);
    }
    const int n = std::snprintf(buffer, static_cast<size_t>(size), "%s%s%s%s", opening, subject,
                                detail, range);
    return n > 0 && n < size;
}

void RebuildRecord(PageRecord* r) {
    AccountRecord& a = r->account;
    int32_t value = 0;
    // A time whose fields hold no valid number was not checked (its part is switched off) and
    // keeps its old value.
    if (EditedTime(a.timerNegative, a.timerHours, a.timerMinutes, a.timerSeconds, &value)) {
        a.timer = value;
        a.timerNegative = value < 0;
    }
    if (EditedTime(a.warningNegative, a.warningHours, a.warningMinutes, a.warningSeconds, &value)) {
        a.warning = value;
        a.warningNegative = value < 0;
    }
    if (EditedTime(r->resetNegative, r->resetHours, r->resetMinutes, r->resetSeconds, &value)) {
        a.resetTime = value;
        r->resetNegative = value < 0;
    }
    int64_t next = 0;
    if ((a.resetOption == kResetPeriodically || a.resetOption == kResetOnDay) &&
        EnteredNextReset(*r, &next)) {
        a.resetNext = next;
    }
}

uint32_t KeysToWrite(const PageRecord& working, const PageRecord& saved, bool connected,
                     bool timeProtected) {
    const AccountRecord &x = working.account, &y = saved.account;
    uint32_t keys = 0;
    if (connected ? !timeProtected : x.timer != y.timer) keys |= kWriteTimer;
    if (x.countDirection != y.countDirection) keys |= kWriteCountDirection;
    // A warning switched on needs its time in the file too: without one it would load disabled.
    if (x.warning != y.warning || (x.enableWarning && !y.enableWarning)) keys |= kWriteWarning;
    if (x.enableWarning != y.enableWarning) keys |= kWriteEnableWarning;
    if (x.resetOption != y.resetOption) keys |= kWriteResetOption;
    if (x.resetOption != kResetNever) keys |= kWriteResetTime;
    if (x.resetOption == kResetPeriodically) keys |= kWriteResetPeriod | kWriteResetCount;
    if ((x.resetOption == kResetPeriodically || x.resetOption == kResetOnDay) &&
        x.resetNext != y.resetNext) {
        keys |= kWriteResetNext;
    }
    return keys;
}

uint32_t AccountEditedFlags(uint32_t keys) {
    uint32_t flags = 0;
    if (keys & (kWriteTimer | kWriteCountDirection)) flags |= kEditedTime;
    if (keys & (kWriteWarning | kWriteEnableWarning)) flags |= kEditedWarning;
    if (keys & (kWriteResetOption | kWriteResetNext)) flags |= kEditedReset;
    return flags;
}

SaveResult SaveConnections(ConnectionsPage* page, WindowRef owner, uint32_t buttons,
                           void (*tellMonitor)(const char* name, uint32_t flags)) {
    for (int i = 0; i < page->count; ++i) {
        PageRecord& r = page->working[i];
        if (!r.modified) continue;
        RebuildRecord(&r);
        const bool connected = i == page->connected;
        const uint32_t keys = KeysToWrite(r, page->saved[i], connected, TimeProtected(*page, i));
        for (const KeyWrite& write : kKeyWrites) {
            if (!(keys & write.bit)) continue;
            const auto attempt = [&] {
                return WriteAccountKey(owner, r.account.name, r.account, write.key,
                                       IDS_SAVE_CONFIG_FAILED, buttons, false);
            };
            if (!RetryWhileAsked(attempt)) return SaveResult::kGaveUp;
        }
        if (connected) HandOver(*page, i, keys, tellMonitor);
        r.modified = 0;
    }
    CopyList(page->saved, page->working, page->count);
    if (!RetryWhileAsked([&] { return SaveSettings(owner, IDS_SAVE_CONFIG_FAILED, buttons); })) {
        return SaveResult::kGaveUp;
    }
    page->timeUnprotected = false;
    return SaveResult::kSaved;
}

void UndoConnections(ConnectionsPage* page) {
    CopyList(page->working, page->saved, page->count);
    page->timeUnprotected = false;
    for (int i = 0; i < page->count; ++i) page->working[i].modified = 0;
}

bool MaximumResetDateText(const PageRecord& record, int64_t nowFileTime, char* buffer, int size) {
    int64_t latest = 0;
    CalendarTime time{};
    if (MaximumResetDateAt(record.account, nowFileTime, &latest) &&
        FileTimeToCalendar(latest, &time) &&
        FormatDate(time, buffer, size,
                   kDateDayName | kDateDayNumber | kDateMonthName | kDateYear)) {
        return true;
    }
    return LoadText(IDS_OUT_OF_RANGE, buffer, size);
}

}  // namespace dt
