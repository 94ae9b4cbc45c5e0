// The Connections page's editing model: working and saved account lists, their comparison,
// validation, and which keys a save writes.
#pragma once

#include <cstdint>

#include "app/platform.h"
#include "engine/account_record.h"

namespace dt {

// What the page's controls edit in a page record. Signs are 0 for "+" and 1 for "-"; periods,
// months and years hold their own values (1-3, 1-12, the year), not list positions.
enum class AccountField {
    kTimerSign,
    kTimerHours,
    kTimerMinutes,
    kTimerSeconds,
    kEnableWarning,
    kWarningSign,
    kWarningHours,
    kWarningMinutes,
    kWarningSeconds,
    kCountDirection,
    kResetOption,
    kResetSign,
    kResetHours,
    kResetMinutes,
    kResetSeconds,
    kResetCount,
    kResetPeriod,
    kNextHour,
    kNextMinute,
    kNextSecond,
    kNextDay,
    kNextMonth,
    kNextYear,
};

int32_t FieldValue(const PageRecord& record, AccountField field);
// Stores an edited value; -1 stands for an edit that holds no valid number. The next reset's
// hour, minute, second and day also become -1 outside 0-23, 0-59, 0-59 and 1-31.
void SetFieldValue(PageRecord* record, AccountField field, int32_t value);
// The number in an edit field's text (digits only), or -1.
int32_t ParseFieldText(const char* text);

// The page's state: two lists of the same length, and what is selected and connected.
struct ConnectionsPage {
    PageRecord* working;
    PageRecord* saved;
    int count;
    int selected;   // -1 while the list is empty
    int connected;  // the connected account's place, -1 when none
    // The user released the protection of the connected account's time: it is edited, compared
    // and saved like any other time. Otherwise that time follows the monitor's.
    bool timeUnprotected;
    // The account whose reset settings an automatic reset changed and the page has not taken
    // over yet; -1 when none.
    int resetAccount;
};

// The working list from `accounts` (which the page now owns) and the saved list as its copy.
// False when memory for the copy runs out (the accounts are then freed).
bool StartConnectionsPage(ConnectionsPage* page, PageRecord* accounts, int count, int firstYear);
void FreeConnectionsPage(ConnectionsPage* page);

// The place of the account named `name` (whole name, case of ASCII letters ignored), or -1.
int FindAccount(const ConnectionsPage& page, const char* name);

// Whether the record's current time follows the live time: the connected account's while the
// user has not released it.
bool TimeProtected(const ConnectionsPage& page, int index);

// Compares the record with its saved copy and sets its modified flag; returns the flag.
bool RefreshModified(ConnectionsPage* page, int index);
// Refreshes every modified flag; true when any record is modified.
bool RefreshAllModified(ConnectionsPage* page);

// The record takes a live time: the time, its sign and its split fields.
void TakeLiveTime(PageRecord* record, int32_t timer);

// Years not offered by the year list (`firstYear` and the two after it) become -1, in both lists.
void ApplyYearList(ConnectionsPage* page, int firstYear);

// Whether the record's automatic reset settings differ from the monitor's account.
bool ResetSettingsDiffer(const PageRecord& record, const AccountRecord& current);
// Both copies of the record take the reset option and next reset of the monitor's account; a
// periodic monthly schedule on day 29 or later becomes "Never reset".
void TakeOverReset(ConnectionsPage* page, int index, const AccountRecord& current);

// The first check a record fails when it is saved.
struct ValidationFailure {
    AccountField field;  // the control that gets the focus
    int subjectId;       // string ids of the message's parts
    int detailId;
    bool hasRange;
    int32_t low, high;
};
// Checks one record in the page's order. `checkCurrentTime` is false for the connected
// account's protected time; `scheduleChanged` is false when the reset option, period, count and
// next reset are as saved (a schedule the user did not touch is not judged against the clock).
// `nowFileTime` is the local time.
bool ValidateRecord(const PageRecord& record, bool checkCurrentTime, bool scheduleChanged,
                    int64_t nowFileTime, ValidationFailure* failure);
// Checks the modified records in list order; the first failure gives its record's place.
bool ValidateConnections(const ConnectionsPage& page, int64_t nowFileTime, int* failedIndex,
                         ValidationFailure* failure);
// "Please specify the " + subject + detail, with the range line when the range has two ends.
bool FormatValidationMessage(const ValidationFailure& failure, char* buffer, int size);

// Rebuilds the times (and, for a schedule, the next reset) from the edited fields.
void RebuildRecord(PageRecord* record);

// The keys of an account section, as bits of a key set.
enum AccountKeyBit : uint32_t {
    kWriteTimer = 1u << 0,
    kWriteCountDirection = 1u << 1,
    kWriteWarning = 1u << 2,
    kWriteEnableWarning = 1u << 3,
    kWriteResetOption = 1u << 4,
    kWriteResetTime = 1u << 5,
    kWriteResetPeriod = 1u << 6,
    kWriteResetCount = 1u << 7,
    kWriteResetNext = 1u << 8,
};
// The keys a save writes for a rebuilt modified record. The connected account's time is written
// whenever it is not protected and never while it is.
uint32_t KeysToWrite(const PageRecord& working, const PageRecord& saved, bool connected,
                     bool timeProtected);
// The flags of MsgAccountEdited for the keys written.
uint32_t AccountEditedFlags(uint32_t keys);

enum class SaveResult { kSaved, kGaveUp };
// Writes the changed keys of every modified (already validated) record, reporting failures with
// message 2063 and `buttons`; hands the connected account to the monitor (its record copied
// over the monitor's, then `tellMonitor` with the flags when any is set); then saves the file.
// kGaveUp when the user chose Abort or Cancel. On success the saved list becomes the working
// list and the connected account's time is protected again.
SaveResult SaveConnections(ConnectionsPage* page, WindowRef owner, uint32_t buttons,
                           void (*tellMonitor)(const char* name, uint32_t flags));

// Undo: the working list becomes a copy of the saved list.
void UndoConnections(ConnectionsPage* page);

// The maximum reset date's text for a periodic record, or "Out Of Range".
bool MaximumResetDateText(const PageRecord& record, int64_t nowFileTime, char* buffer, int size);

}  // namespace dt
