// The keys of an account's section: names, rules, defaults and where each value lives.
#include "engine/account_keys.h"

#include <cinttypes>
#include <cstdio>

#include "engine/calendar.h"
#include "resources/resource_ids.h"
#include "settings/retrying_read.h"
#include "settings/settings_store.h"

namespace dt {

// Times are kept only while their hundredths fit in 32 bits; anything further out (the file
// never holds it unless edited by hand) counts as out of range. A next reset past the last file
// time is no date, and times 100000 it would overflow.
constexpr AccountKeyInfo kAccountKeys[kAccountKeyCount] = {
    {kAccountTimer, "Timer", AccountRule::kSeconds, 0, -kMaxSecondsInHundredths,
     kMaxSecondsInHundredths, AccountFallout::kNone, &AccountRecord::timer, nullptr},
    {kAccountEnableWarning, "EnableWarning", AccountRule::kFlag, 1, 0, 0, AccountFallout::kNone,
     &AccountRecord::enableWarning, nullptr},
    {kAccountWarning, "Warning", AccountRule::kSeconds, 0, -kMaxSecondsInHundredths,
     kMaxSecondsInHundredths, AccountFallout::kNoWarning, &AccountRecord::warning, nullptr},
    {kAccountCountDirection, "CountDirection", AccountRule::kFlag, 0, 0, 0, AccountFallout::kNone,
     &AccountRecord::countDirection, nullptr},
    {kAccountResetOption, "ResetOption", AccountRule::kRange, kResetNever, kResetNever, kResetOnDay,
     AccountFallout::kNone, &AccountRecord::resetOption, nullptr},
    {kAccountResetTime, "ResetTime", AccountRule::kSeconds, 0, -kMaxSecondsInHundredths,
     kMaxSecondsInHundredths, AccountFallout::kNeverReset, &AccountRecord::resetTime, nullptr},
    {kAccountResetPeriod, "ResetPeriod", AccountRule::kRange, kPeriodNone, kPeriodDays,
     kPeriodMonths, AccountFallout::kNoPeriodic, &AccountRecord::resetPeriod, nullptr},
    {kAccountResetCount, "ResetCount", AccountRule::kCount, 1, 1, 0, AccountFallout::kNoPeriodic,
     &AccountRecord::resetCount, nullptr},
    {kAccountResetNext, "ResetNext", AccountRule::kCount64, 0, 1, kMaxCount,
     AccountFallout::kNoSchedule, nullptr, &AccountRecord::resetNext},
};

namespace {

constexpr bool TableInOrder() {
    for (int i = 0; i < kAccountKeyCount; ++i) {
        if (kAccountKeys[i].id != i) return false;
        // One field per key, of the width its rule reads.
        const bool wide = kAccountKeys[i].rule == AccountRule::kCount64;
        if ((kAccountKeys[i].field64 != nullptr) != wide) return false;
        if ((kAccountKeys[i].field != nullptr) == wide) return false;
    }
    return true;
}
static_assert(TableInOrder(), "the account key table is indexed by AccountKey");

// Whether a stored value is taken; a count's bound comes from the period read before it.
bool Accepts(const AccountKeyInfo& info, int64_t value, const AccountRecord& record) {
    switch (info.rule) {
        case AccountRule::kFlag:
            return true;
        case AccountRule::kCount:
            return value >= 1 && (record.resetPeriod == kPeriodNone ||
                                  value <= MaxResetCount(record.resetPeriod));
        case AccountRule::kSeconds:
        case AccountRule::kRange:
        case AccountRule::kCount64:
            return value >= info.low && value <= info.high;
    }
    return false;
}

int64_t FieldValue(const AccountKeyInfo& info, int64_t stored) {
    switch (info.rule) {
        case AccountRule::kSeconds:
            return stored * 100;
        case AccountRule::kFlag:
            return stored != 0 ? 1 : 0;
        default:
            return stored;
    }
}

void Store(const AccountKeyInfo& info, int64_t value, AccountRecord* record) {
    if (info.field64) {
        record->*info.field64 = value;
    } else {
        record->*info.field = static_cast<int32_t>(value);
    }
}

void Fall(AccountFallout fallout, AccountRecord* record) {
    int32_t& option = record->resetOption;
    switch (fallout) {
        case AccountFallout::kNone:
            break;
        case AccountFallout::kNoWarning:
            record->enableWarning = 0;
            break;
        case AccountFallout::kNeverReset:
            option = kResetNever;
            break;
        case AccountFallout::kNoPeriodic:
            if (option == kResetPeriodically) option = kResetNever;
            break;
        case AccountFallout::kNoSchedule:
            if (option == kResetPeriodically || option == kResetOnDay) option = kResetNever;
            break;
    }
}

}  // namespace

bool ReadAccountKeys(WindowRef owner, AccountRecord* record, uint32_t buttons) {
    const char* section = record->name;
    for (const AccountKeyInfo& info : kAccountKeys) {
        int64_t stored = 0;
        ReadOutcome read;
        if (info.field64) {
            read = ReadInt64Retrying(owner, section, info.key, &stored, IDS_LOAD_CONFIG_FAILED,
                                     buttons);
        } else {
            int32_t value = 0;
            read =
                ReadIntRetrying(owner, section, info.key, &value, IDS_LOAD_CONFIG_FAILED, buttons);
            stored = value;
        }
        if (read == ReadOutcome::kStop) return false;
        if (read == ReadOutcome::kValue && Accepts(info, stored, *record)) {
            Store(info, FieldValue(info, stored), record);
        } else {
            Store(info, info.defaultValue, record);
            Fall(info.fallout, record);
        }
    }
    // Without a warning time the split fields stay 0; the Connections page rebuilds the time
    // from them when the warning is turned on again.
    record->warningNegative = record->warning < 0;
    SplitTime(record->warning, &record->warningHours, &record->warningMinutes,
              &record->warningSeconds);
    return true;
}

void FormatAccountKey(const AccountRecord& record, AccountKey key, char* text, size_t size) {
    const AccountKeyInfo& info = kAccountKeys[key];
    if (info.field64) {
        std::snprintf(text, size, "%" PRId64, record.*info.field64);
    } else {
        const int32_t value = record.*info.field;
        std::snprintf(text, size, "%d", info.rule == AccountRule::kSeconds ? value / 100 : value);
    }
}

int WriteAccountKey(WindowRef owner, const char* section, const AccountRecord& record,
                    AccountKey key, int messageId, uint32_t buttons, bool writeThrough) {
    char text[24];
    FormatAccountKey(record, key, text, sizeof text);
    return WriteSetting(owner, section, kAccountKeys[key].key, text, messageId, buttons,
                        writeThrough);
}

}  // namespace dt
