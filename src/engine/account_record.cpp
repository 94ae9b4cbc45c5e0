// An account's times and reset options, loaded from its section of the settings file.
#include "engine/account_record.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/ascii.h"
#include "app/app_state.h"
#include "app/messages.h"
#include "engine/account_keys.h"
#include "engine/calendar.h"
#include "engine/ras_api.h"
#include "resources/resource_ids.h"

namespace dt {
namespace {

// Catch-up writes are not reported and do not stop the load.
void WriteCaughtUp(const char* section, const AccountRecord& record, AccountKey key) {
    WriteAccountKey(nullptr, section, record, key, 0, 0, true);
}

// Whether a periodic schedule that is not yet due lies more than one whole period ahead, as a
// hand-edited file or a clock put back can make it.
bool ScheduleTooFarAhead(const AccountRecord& record, int64_t nowFileTime) {
    const int64_t nowCount = nowFileTime / kFileTimePerCount;
    if (record.resetPeriod != kPeriodMonths) {
        const int64_t unit = record.resetPeriod == kPeriodDays ? kCountsPerDay : kCountsPerWeek;
        return record.resetNext - nowCount > record.resetCount * unit;
    }
    CalendarTime next{}, now{};
    // A count that is no date cannot be a schedule of at most twelve months.
    if (!CountToCalendar(record.resetNext, &next)) return true;
    if (!FileTimeToCalendar(nowFileTime, &now)) return true;
    // Months are compared as whole calendar months, as NextPeriodicReset counts them: it may
    // place the next reset up to a period plus the rest of this month ahead, and such a schedule
    // must survive the next load. Comparing months also spares moving the date back onto a day
    // its month lacks (31 March back to "31 February").
    const int64_t movedBack =
        static_cast<int64_t>(next.year) * 12 + (next.month - 1) - record.resetCount;
    const int64_t thisMonth = static_cast<int64_t>(now.year) * 12 + (now.month - 1);
    return movedBack > thisMonth;
}

void ShowRasError(WindowRef owner, uint32_t code) {
    if (code == kRasErrorNotEnoughMemory) {
        ShowStringSystemError(owner, code, IDS_RAS_ERROR, kIconStop, kButtonOk);
    } else if (code == kRasErrorInvalidSize) {
        ShowStringMessageIds(owner, IDS_INCORRECT_RASENTRYNAME_STRUCTURE_SIZE, IDS_RAS_ERROR,
                             kIconStop, kButtonOk);
    } else {
        char text[780];
        if (Ras().GetErrorString(code, text, sizeof text)) {
            text[sizeof text - 1] = '\0';
            ShowStringMessageWithCaptionId(owner, text, IDS_RAS_ERROR, kIconStop, kButtonOk);
        } else {
            ShowStringSystemError(owner, code, IDS_RAS_ERROR, kIconStop, kButtonOk);
        }
    }
}

void ShowOutOfMemory(WindowRef owner) {
    ShowSystemError(owner, kErrorNotEnoughMemory, "", kIconStop, kButtonOk);
}

void CopyName(char* to, const char* from) { std::snprintf(to, kEntryNameSize, "%s", from); }

// The phonebook, growing the room one entry at a time while RAS asks for more.
bool ListPhonebook(WindowRef owner, RasEntry* entries, uint32_t* listed) {
    for (uint32_t capacity = 1;; ++capacity) {
        uint32_t count = 0;
        uint32_t code = Ras().EnumEntries(entries, capacity, &count);
        if (code == 0) {
            *listed = count < capacity ? count : capacity;
            return true;
        }
        if (code != kRasErrorBufferTooSmall) {
            ShowRasError(owner, code);
            return false;
        }
        // More entries than the program lists: no list, and no message of its own.
        if (capacity == kMaxPhonebookEntries) return false;
    }
}

}  // namespace

void SplitTime(int32_t hundredths, int32_t* hours, int32_t* minutes, int32_t* seconds) {
    int64_t total = hundredths < 0 ? -static_cast<int64_t>(hundredths) : hundredths;
    total /= 100;
    *hours = static_cast<int32_t>(total / 3600);
    *minutes = static_cast<int32_t>(total / 60 % 60);
    *seconds = static_cast<int32_t>(total % 60);
}

int32_t MaxResetCount(int32_t period) {
    switch (period) {
        case kPeriodDays:
            return 365;
        case kPeriodWeeks:
            return 52;
        case kPeriodMonths:
            return 12;
        default:
            return 0;
    }
}

bool LoadAccountRecord(WindowRef owner, AccountRecord* record, int64_t* now) {
    if (now) *now = 0;
    if (!record) return false;
    record->name[kEntryNameSize - 1] = '\0';
    if (record->name[0] == '\0') return false;
    const char* section = record->name;
    AccountRecord& r = *record;
    if (!ReadAccountKeys(owner, record, g_app.buttons.readError)) return false;

    // Catch up with a reset that fell due while nobody was looking.
    const bool scheduled = r.resetOption == kResetPeriodically || r.resetOption == kResetOnDay;
    int64_t nowFileTime = 0;
    bool haveNow = false;
    if (scheduled || now) {
        haveNow = SystemClock().LocalFileTime(&nowFileTime) && nowFileTime >= 0;
        if (now && haveNow) *now = nowFileTime / kFileTimePerCount;
    }
    if (scheduled) {
        if (!haveNow) return false;
        const int64_t nowCount = nowFileTime / kFileTimePerCount;
        if (r.resetOption == kResetPeriodically && r.resetNext > nowCount) {
            if (ScheduleTooFarAhead(r, nowFileTime)) {
                r.resetOption = kResetNever;
                WriteCaughtUp(section, r, kAccountResetOption);
            }
        } else if (r.resetNext < nowCount) {
            r.timer = r.resetTime;
            WriteCaughtUp(section, r, kAccountTimer);
            int64_t following = 0;
            if (r.resetOption == kResetPeriodically &&
                NextPeriodicResetAt(r, nowFileTime, &following)) {
                r.resetNext = following;
                WriteCaughtUp(section, r, kAccountResetNext);
            } else {
                r.resetOption = kResetNever;
                WriteCaughtUp(section, r, kAccountResetOption);
            }
        }
    }

    r.timerNegative = r.timer < 0;
    SplitTime(r.timer, &r.timerHours, &r.timerMinutes, &r.timerSeconds);
    return true;
}

bool EnumerateAccounts(WindowRef owner, const char* connectedName, PageRecord** pages, int* count) {
    if (!pages || !count) return false;
    *pages = nullptr;
    *count = 0;

    // Room for every entry the program lists, and the connected one.
    auto* entries = static_cast<RasEntry*>(
        AllocBuffer(owner, sizeof(RasEntry) * (kMaxPhonebookEntries + 1), true, false));
    if (!entries) {
        ShowOutOfMemory(owner);
        return false;
    }
    uint32_t listed = 0;
    if (!ListPhonebook(owner, entries, &listed)) {
        std::free(entries);
        return false;
    }
    // Entry names are the section names; the system always ends them, a stand-in may not.
    uint32_t kept = 0;
    for (uint32_t i = 0; i < listed; ++i) {
        entries[i].name[kRasNameSize - 1] = '\0';
        // A nameless entry has no section and cannot be timed.
        if (entries[i].name[0] != '\0') entries[kept++] = entries[i];
    }
    if (connectedName && connectedName[0] != '\0') {
        bool present = false;
        for (uint32_t i = 0; i < kept && !present; ++i) {
            present = EqualNoCase(entries[i].name, connectedName);
        }
        if (!present) CopyName(entries[kept++].name, connectedName);
    }
    if (kept == 0) {
        std::free(entries);
        return true;
    }

    auto* list =
        static_cast<PageRecord*>(AllocBuffer(owner, sizeof(PageRecord) * kept, true, false));
    if (!list) {
        std::free(entries);
        ShowOutOfMemory(owner);
        return false;
    }
    for (uint32_t i = 0; i < kept; ++i) {
        PageRecord& page = list[i];
        CopyName(page.account.name, entries[i].name);
        if (!LoadAccountRecord(owner, &page.account, nullptr)) {
            std::free(list);
            std::free(entries);
            return false;
        }
        page.resetNegative = page.account.resetTime < 0;
        SplitTime(page.account.resetTime, &page.resetHours, &page.resetMinutes, &page.resetSeconds);
        const bool split = SplitNextReset(&page);
        if (!split) {
            page.nextHour = page.nextMinute = page.nextSecond = -1;
            page.nextDay = page.nextMonth = page.nextYear = -1;
        }
        // Monthly schedules keep to days 1-28 so that every month has the day.
        if (page.account.resetOption == kResetPeriodically &&
            page.account.resetPeriod == kPeriodMonths && (!split || page.nextDay >= 29)) {
            page.account.resetOption = kResetNever;
        }
    }
    std::free(entries);
    *pages = list;
    *count = static_cast<int>(kept);
    return true;
}

}  // namespace dt
