// An account's times and reset options, loaded from its section of the settings file.
#include "engine/account_record.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/ascii.h"
#include "app/app_state.h"
#include "app/messages.h"
#include "engine/calendar.h"
#include "engine/ras_api.h"
#include "resources/resource_ids.h"
#include "settings/retrying_read.h"
#include "settings/settings_store.h"

namespace dt {
namespace {

bool WithinSeconds(int64_t seconds, int64_t bound) { return seconds >= -bound && seconds <= bound; }

// Catch-up writes are not reported and do not stop the load.
void WriteKey(const char* section, const char* key, const char* value) {
    SysError error = 0;
    Settings().SetString(section, key, value, &error, true);
}

void WriteInt(const char* section, const char* key, int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    WriteKey(section, key, text);
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
    const uint32_t buttons = g_app.buttons.readError;
    AccountRecord& r = *record;
    int32_t value = 0;
    ReadOutcome read;

    // Seconds are kept only while their hundredths fit in 32 bits; anything further out (the
    // file never holds it unless edited by hand) counts as out of range.
    read = ReadIntRetrying(owner, section, "Timer", &value, IDS_LOAD_CONFIG_FAILED, buttons);
    if (read == ReadOutcome::kStop) return false;
    r.timer = read == ReadOutcome::kValue && WithinSeconds(value, kMaxSecondsInHundredths)
                  ? value * 100
                  : 0;

    read =
        ReadIntRetrying(owner, section, "EnableWarning", &value, IDS_LOAD_CONFIG_FAILED, buttons);
    if (read == ReadOutcome::kStop) return false;
    r.enableWarning = read == ReadOutcome::kValue ? value != 0 : 1;

    read = ReadIntRetrying(owner, section, "Warning", &value, IDS_LOAD_CONFIG_FAILED, buttons);
    if (read == ReadOutcome::kStop) return false;
    if (read == ReadOutcome::kValue && WithinSeconds(value, kMaxSecondsInHundredths)) {
        r.warning = value * 100;
        r.warningNegative = r.warning < 0;
        SplitTime(r.warning, &r.warningHours, &r.warningMinutes, &r.warningSeconds);
    } else {
        r.warning = 0;
        r.warningNegative = 0;
        r.warningHours = r.warningMinutes = r.warningSeconds = 0;
        r.enableWarning = 0;
    }

    read =
        ReadIntRetrying(owner, section, "CountDirection", &value, IDS_LOAD_CONFIG_FAILED, buttons);
    if (read == ReadOutcome::kStop) return false;
    r.countDirection = read == ReadOutcome::kValue && value != 0 ? 1 : 0;

    read = ReadIntRetrying(owner, section, "ResetOption", &value, IDS_LOAD_CONFIG_FAILED, buttons);
    if (read == ReadOutcome::kStop) return false;
    r.resetOption = read == ReadOutcome::kValue && value >= kResetNever && value <= kResetOnDay
                        ? value
                        : kResetNever;

    read = ReadIntRetrying(owner, section, "ResetTime", &value, IDS_LOAD_CONFIG_FAILED, buttons);
    if (read == ReadOutcome::kStop) return false;
    if (read == ReadOutcome::kValue && WithinSeconds(value, kMaxSecondsInHundredths)) {
        r.resetTime = value * 100;
    } else {
        r.resetTime = 0;
        r.resetOption = kResetNever;
    }

    read = ReadIntRetrying(owner, section, "ResetPeriod", &value, IDS_LOAD_CONFIG_FAILED, buttons);
    if (read == ReadOutcome::kStop) return false;
    if (read == ReadOutcome::kValue && value >= kPeriodDays && value <= kPeriodMonths) {
        r.resetPeriod = value;
    } else {
        r.resetPeriod = kPeriodNone;
        if (r.resetOption == kResetPeriodically) r.resetOption = kResetNever;
    }

    read = ReadIntRetrying(owner, section, "ResetCount", &value, IDS_LOAD_CONFIG_FAILED, buttons);
    if (read == ReadOutcome::kStop) return false;
    if (read == ReadOutcome::kValue && value >= 1 &&
        (r.resetPeriod == kPeriodNone || value <= MaxResetCount(r.resetPeriod))) {
        r.resetCount = value;
    } else {
        r.resetCount = 1;
        if (r.resetOption == kResetPeriodically) r.resetOption = kResetNever;
    }

    int64_t next = 0;
    read = ReadInt64Retrying(owner, section, "ResetNext", &next, IDS_LOAD_CONFIG_FAILED, buttons);
    if (read == ReadOutcome::kStop) return false;
    // A count past the last file time is no date, and times 100000 it would overflow.
    if (read == ReadOutcome::kValue && next > 0 && next <= kMaxCount) {
        r.resetNext = next;
    } else {
        r.resetNext = 0;
        if (r.resetOption == kResetPeriodically || r.resetOption == kResetOnDay) {
            r.resetOption = kResetNever;
        }
    }

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
                WriteKey(section, "ResetOption", "0");
            }
        } else if (r.resetNext < nowCount) {
            r.timer = r.resetTime;
            WriteInt(section, "Timer", r.timer / 100);
            int64_t following = 0;
            if (r.resetOption == kResetPeriodically &&
                NextPeriodicResetAt(r, nowFileTime, &following)) {
                r.resetNext = following;
                char text[24];
                std::snprintf(text, sizeof text, "%" PRId64, following);
                WriteKey(section, "ResetNext", text);
            } else {
                r.resetOption = kResetNever;
                WriteKey(section, "ResetOption", "0");
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
