// The keys of an account's section: names, rules, defaults and where each value lives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/platform.h"
#include "engine/account_record.h"

namespace dt {

// Every key of an account's section, in the order a load reads them (later rules look at
// values read before them).
enum AccountKey : int {
    kAccountTimer,
    kAccountEnableWarning,
    kAccountWarning,
    kAccountCountDirection,
    kAccountResetOption,
    kAccountResetTime,
    kAccountResetPeriod,
    kAccountResetCount,
    kAccountResetNext,
    kAccountKeyCount,
};

// How a stored value becomes the field's, and which stored values are accepted.
enum class AccountRule {
    kSeconds,  // whole seconds within low..high, held as hundredths; written as seconds
    kFlag,     // non-zero -> 1; every number is accepted
    kRange,    // kept within low..high
    kCount,    // at least 1 and at most the period's largest count (any count without a period)
    kCount64,  // a 64-bit count within low..high
};

// What else an absent or refused value changes.
enum class AccountFallout {
    kNone,
    kNoWarning,   // the warning is turned off
    kNeverReset,  // the reset option becomes "never"
    kNoPeriodic,  // a periodic reset option becomes "never"
    kNoSchedule,  // a periodic or particular-day reset option becomes "never"
};

struct AccountKeyInfo {
    AccountKey id;
    const char* key;
    AccountRule rule;
    int64_t defaultValue;  // in the field's unit
    int64_t low, high;     // stored values accepted (kSeconds, kRange, kCount64)
    AccountFallout fallout;
    // Where the value lives: a 32-bit field, or (for kCount64) the 64-bit one.
    int32_t AccountRecord::*field;
    int64_t AccountRecord::*field64;
};

// The table, indexed by AccountKey.
extern const AccountKeyInfo kAccountKeys[kAccountKeyCount];

// Reads every key of the account's section (named by record->name) by its rule, asking with
// message 2012 and `buttons` on a read error, then derives the warning's sign and split fields.
// False when the user chose Cancel or Abort.
bool ReadAccountKeys(WindowRef owner, AccountRecord* record, uint32_t buttons);

// The key's value in `record` as the file stores it ("%d", seconds for times, "%I64d").
void FormatAccountKey(const AccountRecord& record, AccountKey key, char* text, size_t size);

// Writes one key of `record` into `section` (an account's section; the Connections page writes
// the changed keys one by one, then saves) through WriteSetting, with its message id, button set
// and write-through, and returns WriteSetting's result.
int WriteAccountKey(WindowRef owner, const char* section, const AccountRecord& record,
                    AccountKey key, int messageId, uint32_t buttons, bool writeThrough);

}  // namespace dt
