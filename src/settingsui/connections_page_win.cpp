// The Connections page of the Settings window (dialog 1121): moves values between its controls
// and the editing model, and follows the connected account's live time.
#include "settingsui/connections_page_win.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "app/app_state.h"
#include "app/ascii.h"
#include "app/command_line.h"
#include "app/messages.h"
#include "app/registered_messages.h"
#include "app/shell_state_win.h"
#include "controls/numeric_field_win.h"
#include "engine/calendar.h"
#include "engine/connection_monitor.h"
#include "resources/resource_ids.h"
#include "settings/program_settings.h"
#include "settingsui/connections_model.h"
#include "settingsui/settings_page_win.h"
#include "settingsui/settings_window_win.h"

namespace dt {
namespace {

constexpr int kHelpTopic = 21;
// Posted after a sign list dropped down, to place its list.
constexpr UINT kPlaceDroppedList = WM_APP + 2;

enum class Kind { kSign, kNumber, kTwoDigit, kCheck, kDirection, kOption, kUnit, kMonth, kYear };

struct FieldControl {
    int id;
    AccountField field;
    Kind kind;
    int limit;  // characters an edit takes
};
const FieldControl kFields[] = {
    {IDC_TIMER_SIGN, AccountField::kTimerSign, Kind::kSign, 0},
    {IDC_TIMER_HOURS, AccountField::kTimerHours, Kind::kNumber, 3},
    {IDC_TIMER_MINUTES, AccountField::kTimerMinutes, Kind::kTwoDigit, 2},
    {IDC_TIMER_SECONDS, AccountField::kTimerSeconds, Kind::kTwoDigit, 2},
    {IDC_ENABLE_WARNING, AccountField::kEnableWarning, Kind::kCheck, 0},
    {IDC_WARNING_SIGN, AccountField::kWarningSign, Kind::kSign, 0},
    {IDC_WARNING_HOURS, AccountField::kWarningHours, Kind::kNumber, 3},
    {IDC_WARNING_MINUTES, AccountField::kWarningMinutes, Kind::kTwoDigit, 2},
    {IDC_WARNING_SECONDS, AccountField::kWarningSeconds, Kind::kTwoDigit, 2},
    {IDC_COUNT_UP, AccountField::kCountDirection, Kind::kDirection, 0},
    {IDC_COUNT_DOWN, AccountField::kCountDirection, Kind::kDirection, 0},
    {IDC_RESET_OPTION, AccountField::kResetOption, Kind::kOption, 0},
    {IDC_RESET_SIGN, AccountField::kResetSign, Kind::kSign, 0},
    {IDC_RESET_HOURS, AccountField::kResetHours, Kind::kNumber, 3},
    {IDC_RESET_MINUTES, AccountField::kResetMinutes, Kind::kTwoDigit, 2},
    {IDC_RESET_SECONDS, AccountField::kResetSeconds, Kind::kTwoDigit, 2},
    {IDC_RESET_COUNT, AccountField::kResetCount, Kind::kNumber, 3},
    {IDC_RESET_UNIT, AccountField::kResetPeriod, Kind::kUnit, 0},
    {IDC_NEXT_HOUR, AccountField::kNextHour, Kind::kTwoDigit, 2},
    {IDC_NEXT_MINUTE, AccountField::kNextMinute, Kind::kTwoDigit, 2},
    {IDC_NEXT_SECOND, AccountField::kNextSecond, Kind::kTwoDigit, 2},
    {IDC_NEXT_DAY, AccountField::kNextDay, Kind::kNumber, 2},
    {IDC_NEXT_MONTH, AccountField::kNextMonth, Kind::kMonth, 0},
    {IDC_NEXT_YEAR, AccountField::kNextYear, Kind::kYear, 0},
};
// The current time's controls, shown apart when the live time moves on.
const FieldControl* const kTimerFields = kFields;
constexpr int kTimerFieldCount = 4;

struct SpinRange {
    int id;
    int low, high;
};
const SpinRange kSpins[] = {
    {IDC_TIMER_HOURS_SPIN, 0, 999},    {IDC_TIMER_MINUTES_SPIN, 0, 59},
    {IDC_TIMER_SECONDS_SPIN, 0, 59},   {IDC_WARNING_HOURS_SPIN, 0, 999},
    {IDC_WARNING_MINUTES_SPIN, 0, 59}, {IDC_WARNING_SECONDS_SPIN, 0, 59},
    {IDC_RESET_HOURS_SPIN, 0, 999},    {IDC_RESET_MINUTES_SPIN, 0, 59},
    {IDC_RESET_SECONDS_SPIN, 0, 59},   {IDC_RESET_COUNT_SPIN, 1, 365},
    {IDC_NEXT_HOUR_SPIN, 0, 23},       {IDC_NEXT_MINUTE_SPIN, 0, 59},
    {IDC_NEXT_SECOND_SPIN, 0, 59},     {IDC_NEXT_DAY_SPIN, 1, 31},
};

struct Label {
    int id;
    int textId;
};
const Label kLabels[] = {
    {IDC_ACCOUNT_LABEL, IDS_ACCOUNT},
    {IDC_TIMER_GROUP, IDS_CURRENT_TIME},
    {IDC_TIMER_HOURS_UNIT, IDS_HOURS_UNIT},
    {IDC_TIMER_MINUTES_UNIT, IDS_MINUTES_UNIT},
    {IDC_TIMER_SECONDS_UNIT, IDS_SECONDS_UNIT},
    {IDC_PROTECTED, IDS_PROTECTED},
    {IDC_REFRESH, IDS_REFRESH},
    {IDC_WARNING_GROUP, IDS_WARNING_TIME},
    {IDC_WARNING_HOURS_UNIT, IDS_HOURS_UNIT},
    {IDC_WARNING_MINUTES_UNIT, IDS_MINUTES_UNIT},
    {IDC_WARNING_SECONDS_UNIT, IDS_SECONDS_UNIT},
    {IDC_ENABLE_WARNING, IDS_ENABLE_WARNING},
    {IDC_DIRECTION_GROUP, IDS_COUNT_DIRECTION},
    {IDC_COUNT_UP, IDS_COUNT_UP},
    {IDC_COUNT_DOWN, IDS_COUNT_DOWN},
    {IDC_RESET_GROUP, IDS_AUTOMATIC_RESET},
    {IDC_UPDATE_RESET, IDS_UPDATE},
    {IDC_RESET_TIME_LABEL, IDS_NEW_CURRENT_TIME},
    {IDC_RESET_HOURS_UNIT, IDS_HOURS_UNIT},
    {IDC_RESET_MINUTES_UNIT, IDS_MINUTES_UNIT},
    {IDC_RESET_SECONDS_UNIT, IDS_SECONDS_UNIT},
    {IDC_RESET_EVERY_LABEL, IDS_RESET_EVERY},
    {IDC_MAX_RESET_LABEL, IDS_MAXIMUM_RESET_DATE},
    {IDC_NEXT_RESET_LABEL, IDS_NEXT_RESET},
    {IDC_NEXT_SEPARATOR1, IDS_TIME_SEPARATOR},
    {IDC_NEXT_SEPARATOR2, IDS_TIME_SEPARATOR},
};

// Controls that are enabled together.
const int kAlwaysControls[] = {
    IDC_ACCOUNT_LABEL,   IDC_ACCOUNT_LIST, IDC_TIMER_GROUP, IDC_WARNING_GROUP, IDC_ENABLE_WARNING,
    IDC_DIRECTION_GROUP, IDC_COUNT_UP,     IDC_COUNT_DOWN,  IDC_RESET_GROUP,   IDC_RESET_OPTION};
const int kCurrentTimeControls[] = {
    IDC_TIMER_SIGN,         IDC_TIMER_HOURS,        IDC_TIMER_HOURS_SPIN,   IDC_TIMER_HOURS_UNIT,
    IDC_TIMER_MINUTES,      IDC_TIMER_MINUTES_SPIN, IDC_TIMER_MINUTES_UNIT, IDC_TIMER_SECONDS,
    IDC_TIMER_SECONDS_SPIN, IDC_TIMER_SECONDS_UNIT};
const int kWarningControls[] = {IDC_WARNING_SIGN,         IDC_WARNING_HOURS,
                                IDC_WARNING_HOURS_SPIN,   IDC_WARNING_HOURS_UNIT,
                                IDC_WARNING_MINUTES,      IDC_WARNING_MINUTES_SPIN,
                                IDC_WARNING_MINUTES_UNIT, IDC_WARNING_SECONDS,
                                IDC_WARNING_SECONDS_SPIN, IDC_WARNING_SECONDS_UNIT};
const int kResetTimeControls[] = {IDC_RESET_TIME_LABEL,   IDC_RESET_SIGN,         IDC_RESET_HOURS,
                                  IDC_RESET_HOURS_SPIN,   IDC_RESET_HOURS_UNIT,   IDC_RESET_MINUTES,
                                  IDC_RESET_MINUTES_SPIN, IDC_RESET_MINUTES_UNIT, IDC_RESET_SECONDS,
                                  IDC_RESET_SECONDS_SPIN, IDC_RESET_SECONDS_UNIT};
const int kPeriodControls[] = {IDC_RESET_EVERY_LABEL, IDC_RESET_COUNT,     IDC_RESET_COUNT_SPIN,
                               IDC_RESET_UNIT,        IDC_MAX_RESET_LABEL, IDC_MAX_RESET_DATE};
const int kNextResetControls[] = {IDC_NEXT_RESET_LABEL, IDC_NEXT_HOUR,     IDC_NEXT_HOUR_SPIN,
                                  IDC_NEXT_SEPARATOR1,  IDC_NEXT_MINUTE,   IDC_NEXT_MINUTE_SPIN,
                                  IDC_NEXT_SEPARATOR2,  IDC_NEXT_SECOND,   IDC_NEXT_SECOND_SPIN,
                                  IDC_NEXT_DAY,         IDC_NEXT_DAY_SPIN, IDC_NEXT_MONTH,
                                  IDC_NEXT_YEAR,        IDC_NEXT_WEEKDAY};
const int kSignLists[] = {IDC_TIMER_SIGN, IDC_WARNING_SIGN, IDC_RESET_SIGN};

struct PageState {
    HWND window;
    ConnectionsPage model;
    // Change notifications of the controls count only while this is set: the page fills them
    // itself otherwise.
    bool ready;
    int firstYear;  // of the year list
    HFONT signFont;
    bool asking;  // the reset question is up
};
PageState g = {nullptr, {}, false, 0, nullptr, false};

HWND Item(int id) { return GetDlgItem(g.window, id); }

bool Is(UINT msg, RegisteredMessage which) { return msg == g_messageIds[which]; }

PageRecord* Selected() {
    const int i = g.model.selected;
    return i >= 0 && i < g.model.count ? &g.model.working[i] : nullptr;
}

int64_t NowFileTime() {
    int64_t now = 0;
    return SystemClock().LocalFileTime(&now) ? now : 0;
}

int PresentYear() {
    CalendarTime now{};
    return FileTimeToCalendar(NowFileTime(), &now) ? now.year : kFirstYear;
}

template <size_t N>
void EnableAll(const int (&ids)[N], bool on) {
    for (int id : ids) EnableWindow(Item(id), on);
}

void AddStrings(int listId, int firstTextId, int count) {
    HWND list = Item(listId);
    char text[64];
    for (int i = 0; i < count; ++i) {
        if (!LoadText(firstTextId + i, text, sizeof text)) text[0] = '\0';
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

void FillYears() {
    HWND list = Item(IDC_NEXT_YEAR);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < 3; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(g.firstYear + i));
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

// The sign lists' font: the hours edit's, two points larger and smoothed.
HFONT MakeSignFont() {
    HFONT base = reinterpret_cast<HFONT>(SendMessageA(Item(IDC_TIMER_HOURS), WM_GETFONT, 0, 0));
    LOGFONTA font;
    if (!base || !GetObjectA(base, sizeof font, &font)) return nullptr;
    HDC dc = GetDC(g.window);
    const int extra = MulDiv(2, dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96, 72);
    if (dc) ReleaseDC(g.window, dc);
    font.lfHeight = font.lfHeight < 0 ? font.lfHeight - extra : font.lfHeight + extra;
    font.lfQuality = ANTIALIASED_QUALITY;
    return CreateFontIndirectA(&font);
}

void PrepareControls() {
    char text[64];
    for (const Label& label : kLabels) {
        if (LoadText(label.textId, text, sizeof text)) SetDlgItemTextA(g.window, label.id, text);
    }
    for (const FieldControl& f : kFields) {
        if (f.kind != Kind::kNumber && f.kind != Kind::kTwoDigit) continue;
        HWND edit = Item(f.id);
        SendMessageA(edit, EM_LIMITTEXT, static_cast<WPARAM>(f.limit), 0);
        if (f.kind == Kind::kTwoDigit) {
            UseTwoDigitField(edit);
        } else {
            UseDigitPasteFilter(edit);
        }
    }
    for (const SpinRange& spin : kSpins) {
        SendMessageA(Item(spin.id), UDM_SETRANGE, 0, MAKELPARAM(spin.high, spin.low));
    }
    RECT edit = {};
    GetClientRect(Item(IDC_TIMER_HOURS), &edit);
    const LPARAM itemHeight = edit.bottom > 2 ? edit.bottom - 2 : edit.bottom;
    for (int id : kSignLists) {
        HWND list = Item(id);
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("+"));
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("-"));
        SendMessageA(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
        SendMessageA(list, CB_SETITEMHEIGHT, 0, itemHeight);
    }
    g.signFont = MakeSignFont();
    AddStrings(IDC_RESET_OPTION, IDS_RESET_NEVER, 3);
    AddStrings(IDC_RESET_OPTION, IDS_RESET_ON_DAY, 1);
    AddStrings(IDC_RESET_UNIT, IDS_UNIT_DAYS, 3);
    AddStrings(IDC_NEXT_MONTH, IDS_MONTH_JANUARY, 12);
    g.firstYear = PresentYear();
    FillYears();
}

void ShowField(const FieldControl& f, int32_t value) {
    HWND control = Item(f.id);
    WPARAM index = static_cast<WPARAM>(-1);
    switch (f.kind) {
        case Kind::kSign:
            index = value ? 1 : 0;
            break;
        case Kind::kNumber:
        case Kind::kTwoDigit: {
            char text[16] = "";
            if (value >= 0) std::snprintf(text, sizeof text, "%d", value);
            SetWindowTextA(control, text);
            return;
        }
        case Kind::kCheck:
            CheckDlgButton(g.window, f.id, value ? BST_CHECKED : BST_UNCHECKED);
            return;
        case Kind::kDirection:
            CheckDlgButton(g.window, f.id, (value != 0) == (f.id == IDC_COUNT_DOWN));
            return;
        case Kind::kOption:
            if (value >= 0) index = static_cast<WPARAM>(value);
            break;
        case Kind::kUnit:
        case Kind::kMonth:
            if (value >= 1) index = static_cast<WPARAM>(value - 1);
            break;
        case Kind::kYear:
            if (value >= g.firstYear) index = static_cast<WPARAM>(value - g.firstYear);
            break;
    }
    SendMessageA(control, CB_SETCURSEL, index, 0);
}

int32_t CollectField(const FieldControl& f) {
    HWND control = Item(f.id);
    const int32_t index = static_cast<int32_t>(SendMessageA(control, CB_GETCURSEL, 0, 0));
    switch (f.kind) {
        case Kind::kNumber:
        case Kind::kTwoDigit: {
            char text[16];
            GetWindowTextA(control, text, sizeof text);
            return ParseFieldText(text);
        }
        case Kind::kCheck:
            return IsDlgButtonChecked(g.window, f.id) == BST_CHECKED;
        case Kind::kDirection:
            return IsDlgButtonChecked(g.window, IDC_COUNT_DOWN) == BST_CHECKED;
        case Kind::kSign:
        case Kind::kOption:
            return index;
        case Kind::kUnit:
        case Kind::kMonth:
            return index >= 0 ? index + 1 : -1;
        case Kind::kYear:
            return index >= 0 ? g.firstYear + index : -1;
    }
    return -1;
}

const FieldControl* FieldOf(int id) {
    for (const FieldControl& f : kFields) {
        if (f.id == id) return &f;
    }
    return nullptr;
}

int ControlOf(AccountField field) {
    for (const FieldControl& f : kFields) {
        if (f.field == field) return f.id;
    }
    return IDC_ACCOUNT_LIST;
}

// The maximum reset date and the next reset's weekday.
void ShowDates() {
    char text[96] = "";
    const PageRecord* r = Selected();
    const int32_t option = r ? r->account.resetOption : kResetNever;
    if (option == kResetPeriodically) MaximumResetDateText(*r, NowFileTime(), text, sizeof text);
    SetDlgItemTextA(g.window, IDC_MAX_RESET_DATE, text);
    text[0] = '\0';
    if (option == kResetPeriodically || option == kResetOnDay) {
        EnteredResetWeekdayText(*r, text, sizeof text);
    }
    SetDlgItemTextA(g.window, IDC_NEXT_WEEKDAY, text);
}

void ApplyEnabling() {
    const PageRecord* r = Selected();
    const bool any = r != nullptr;
    const int selected = g.model.selected;
    const bool isConnected = any && selected == g.model.connected;
    const bool isProtected = TimeProtected(g.model, selected);
    const int32_t option = any ? r->account.resetOption : kResetNever;
    EnableAll(kAlwaysControls, any);
    EnableAll(kCurrentTimeControls, any && !isProtected);
    EnableWindow(Item(IDC_PROTECTED), isConnected);
    CheckDlgButton(g.window, IDC_PROTECTED, isProtected ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(Item(IDC_REFRESH), isConnected && !isProtected);
    EnableAll(kWarningControls, any && r->account.enableWarning);
    EnableAll(kResetTimeControls, option != kResetNever);
    EnableAll(kPeriodControls, option == kResetPeriodically);
    EnableAll(kNextResetControls, option == kResetPeriodically || option == kResetOnDay);
    EnableWindow(Item(IDC_UPDATE_RESET),
                 any && g_monitor.connected && g.model.resetAccount == selected);
    // The count's range follows the unit.
    const int32_t most = any ? MaxResetCount(r->account.resetPeriod) : 0;
    SendMessageA(Item(IDC_RESET_COUNT_SPIN), UDM_SETRANGE, 0,
                 MAKELPARAM(most ? most : MaxResetCount(kPeriodDays), 1));
}

void ShowTimerFields(const PageRecord& r) {
    for (int i = 0; i < kTimerFieldCount; ++i) {
        ShowField(kTimerFields[i], FieldValue(r, kTimerFields[i].field));
    }
}

// Shows the selected account's record; the connected account's protected time is the live one.
void ShowSelected() {
    g.ready = false;
    PageRecord* r = Selected();
    SendMessageA(Item(IDC_ACCOUNT_LIST), CB_SETCURSEL, static_cast<WPARAM>(g.model.selected), 0);
    SetLiveTime(r && g.model.selected == g.model.connected);
    if (r) {
        if (TimeProtected(g.model, g.model.selected)) TakeLiveTime(r, g_monitor.current.timer);
        for (const FieldControl& f : kFields) ShowField(f, FieldValue(*r, f.field));
    }
    ApplyEnabling();
    ShowDates();
    g.ready = true;
}

void WriteEdit(bool flush) {
    const PageRecord* r = Selected();
    if (r) WriteProgramText(g.window, kKeyEdit, r->account.name, 0, 0, flush);
}

// The connected account's place in the list, as the monitor tells it.
int ConnectedIndex() {
    return g_monitor.connected ? FindAccount(g.model, g_monitor.current.name) : -1;
}

// Builds the lists and selects the account last edited, else the last connected, else the first.
bool BuildList() {
    const char* connectedName = g_monitor.connected ? g_monitor.current.name : nullptr;
    PageRecord* accounts = nullptr;
    int count = 0;
    if (!EnumerateAccounts(g.window, connectedName, &accounts, &count)) {
        ShowProgramErrorAndClose(IDS_CONNECTIONS);
        return false;
    }
    if (!StartConnectionsPage(&g.model, accounts, count, g.firstYear)) {
        ShowSimpleError(g_shell.frontWindow, IDS_OUT_OF_MEMORY);
        CloseSettingsWindowLater();
        return false;
    }
    HWND list = Item(IDC_ACCOUNT_LIST);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i) {
        SendMessageA(list, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(g.model.working[i].account.name));
    }
    char name[kEntryNameSize] = "";
    int selected = -1;
    for (ProgramKey key : {kKeyEdit, kKeyLast}) {
        if (selected < 0 && ReadProgramText(g.window, key, name, sizeof name, 0, 0) == 0) {
            selected = FindAccount(g.model, name);
        }
    }
    g.model.selected = count == 0 ? -1 : selected >= 0 ? selected : 0;
    g.model.connected = ConnectedIndex();
    return true;
}

void Changed() {
    RefreshModified(&g.model, g.model.selected);
    PageEdited(g.window);
}

void OnFieldChanged(const FieldControl& f) {
    PageRecord* r = Selected();
    if (!g.ready || !r) return;
    SetFieldValue(r, f.field, CollectField(f));
    if (f.field == AccountField::kResetOption) {
        // A periodic schedule may have been given its first unit.
        ShowSelected();
    } else {
        ApplyEnabling();
        ShowDates();
    }
    Changed();
}

void OnSelectAccount() {
    const int index = static_cast<int>(SendMessageA(Item(IDC_ACCOUNT_LIST), CB_GETCURSEL, 0, 0));
    if (index < 0 || index >= g.model.count) {
        ShowProgramErrorAndClose(IDS_CONNECTIONS);
        return;
    }
    if (index == g.model.selected) return;
    g.model.selected = index;
    // The connected account shows its live time again.
    if (index == g.model.connected) g.model.timeUnprotected = false;
    WriteEdit(false);
    ShowSelected();
    RefreshAllModified(&g.model);
    PageEdited(g.window);
}

void OnProtectedClicked() {
    PageRecord* r = Selected();
    if (!r || g.model.selected != g.model.connected) return;
    g.model.timeUnprotected = IsDlgButtonChecked(g.window, IDC_PROTECTED) != BST_CHECKED;
    ShowSelected();
    Changed();
}

void OnRefreshClicked() {
    PageRecord* r = Selected();
    if (!r || g.model.selected != g.model.connected) return;
    TakeLiveTime(r, g_monitor.current.timer);
    g.ready = false;
    ShowTimerFields(*r);
    g.ready = true;
    Changed();
}

void OnTimeTick() {
    PageRecord* r = Selected();
    if (!r || !TimeProtected(g.model, g.model.selected)) return;
    TakeLiveTime(r, g_monitor.current.timer);
    g.ready = false;
    ShowTimerFields(*r);
    g.ready = true;
}

// Both copies of the account changed by an automatic reset take the monitor's schedule.
void TakeOverResetNow() {
    const int index = g.model.resetAccount;
    g.model.resetAccount = -1;
    if (index < 0 || !g_monitor.connected) return;
    TakeOverReset(&g.model, index, g_monitor.current);
    RefreshModified(&g.model, index);
    if (index == g.model.selected) {
        ShowSelected();
    } else {
        ApplyEnabling();
    }
    PageEdited(g.window);
}

// Formats a string-table text around the account's name.
bool AccountText(int textId, const char* name, char* text, size_t size) {
    char format[300];
    if (!LoadText(textId, format, sizeof format)) return false;
    std::snprintf(text, size, format, name);
    return true;
}

void OnResetOccurred() {
    const int index = g.model.connected;
    if (g.asking || !g_monitor.connected || index < 0 ||
        !ResetSettingsDiffer(g.model.working[index], g_monitor.current)) {
        return;
    }
    g.model.resetAccount = index;
    char name[kEntryNameSize], text[700], caption[96];
    std::snprintf(name, sizeof name, "%s", g.model.working[index].account.name);
    if (!AccountText(IDS_S_AUTOMATIC_RESET, kProductName, caption, sizeof caption) ||
        !AccountText(IDS_RESET_OCCURRED_UPDATE, name, text, sizeof text)) {
        return;
    }
    g.asking = true;
    const int answer =
        ShowAppMessage(g_shell.frontWindow, text, caption, kIconQuestion, kButtonYes | kButtonNo);
    if (answer == kResultYes) {
        TakeOverResetNow();
    } else if (g_monitor.connected &&
               AccountText(IDS_RESET_OCCURRED_PRESS_UPDATE, name, text, sizeof text)) {
        ShowAppMessage(g_shell.frontWindow, text, caption, kIconInformation, kButtonOk);
        ApplyEnabling();
    }
    g.asking = false;
}

void OnConnectionChanged() {
    if (g.model.count == 0) {
        FreeConnectionsPage(&g.model);
        if (!BuildList()) return;
    } else {
        const int was = g.model.connected;
        const int now = ConnectedIndex();
        if (was >= 0 && was != now && TimeProtected(g.model, was)) {
            // The ended connection's time is what the file holds now.
            const bool known =
                EqualNoCase(g_monitor.current.name, g.model.working[was].account.name);
            const int32_t timer =
                known ? g_monitor.current.timer : g.model.working[was].account.timer;
            TakeLiveTime(&g.model.working[was], timer);
            TakeLiveTime(&g.model.saved[was], timer);
        }
        if (was != now) g.model.timeUnprotected = false;
        g.model.connected = now;
    }
    ShowSelected();
    RefreshAllModified(&g.model);
    PageEdited(g.window);
}

void OnTimeChange() {
    g.firstYear = PresentYear();
    FillYears();
    ApplyYearList(&g.model, g.firstYear);
    ShowSelected();
    RefreshAllModified(&g.model);
    PageEdited(g.window);
}

void TellMonitor(const char* name, uint32_t flags) {
    if (g_shell.timerWindow) {
        SendMessageA(g_shell.timerWindow, g_messageIds[kMsgAccountEdited], flags,
                     reinterpret_cast<LPARAM>(name));
    }
}

bool Save(HWND) {
    if (!Selected()) {
        ShowProgramErrorAndClose(IDS_CONNECTIONS);
        return false;
    }
    RefreshAllModified(&g.model);
    int index = -1;
    ValidationFailure failure{};
    if (!ValidateConnections(g.model, NowFileTime(), &index, &failure)) {
        if (index != g.model.selected) {
            g.model.selected = index;
            WriteEdit(false);
        }
        ShowSelected();
        ShowPage(g.window);
        char text[400], caption[64];
        if (FormatValidationMessage(failure, text, sizeof text)) {
            if (!LoadText(IDS_DIALTICK_ERROR, caption, sizeof caption)) caption[0] = '\0';
            ShowAppMessage(g_shell.frontWindow, text, caption, kIconExclamation, kButtonOk);
        }
        FocusControl(Item(ControlOf(failure.field)));
        return false;
    }
    if (SaveConnections(&g.model, g.window, g_app.buttons.writeError, TellMonitor) !=
        SaveResult::kSaved) {
        ShowProgramErrorAndClose(IDS_CONNECTIONS);
        return false;
    }
    g.model.resetAccount = -1;
    ShowSelected();
    return true;
}

void Undo(HWND) {
    UndoConnections(&g.model);
    ShowSelected();
}

bool HasChanges(HWND) { return RefreshAllModified(&g.model); }

const PageRules kRules = {kHelpTopic, Save, Undo, HasChanges};

void DrawSign(const DRAWITEMSTRUCT& d) {
    const bool disabled = (d.itemState & ODS_DISABLED) || !IsWindowEnabled(d.hwndItem);
    const bool selected = (d.itemState & ODS_SELECTED) != 0;
    const int text = disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT;
    const int back = disabled ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    RECT r = d.rcItem;
    FillRect(d.hDC, &r, GetSysColorBrush(back));
    if (d.itemID != static_cast<UINT>(-1)) {
        HGDIOBJ old = g.signFont ? SelectObject(d.hDC, g.signFont) : nullptr;
        SetTextColor(d.hDC, GetSysColor(text));
        SetBkMode(d.hDC, TRANSPARENT);
        DrawTextA(d.hDC, d.itemID == 1 ? "-" : "+", 1, &r,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (old) SelectObject(d.hDC, old);
    }
    if (d.itemState & ODS_FOCUS) DrawFocusRect(d.hDC, &r);
}

// The dropped list of a sign list: half as wide as the list, moved right by an edge.
void PlaceDroppedList(HWND combo) {
    using GetInfo = BOOL(WINAPI*)(HWND, PCOMBOBOXINFO);
    // Not on Windows 95: looked up, and the list stays as it is without it.
    static const GetInfo getInfo = reinterpret_cast<GetInfo>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetComboBoxInfo")));
    COMBOBOXINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (!getInfo || !getInfo(combo, &info) || !info.hwndList || !IsWindowVisible(info.hwndList)) {
        return;
    }
    RECT box, list;
    GetWindowRect(combo, &box);
    GetWindowRect(info.hwndList, &list);
    SetWindowPos(info.hwndList, nullptr, box.left + GetSystemMetrics(SM_CXEDGE), list.top,
                 (box.right - box.left) / 2, list.bottom - list.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsSignList(int id) {
    return id == IDC_TIMER_SIGN || id == IDC_WARNING_SIGN || id == IDC_RESET_SIGN;
}

void OnCommand(int id, int code) {
    switch (id) {
        case IDC_ACCOUNT_LIST:
            if (code == CBN_SELCHANGE) OnSelectAccount();
            return;
        case IDC_PROTECTED:
            if (code == BN_CLICKED) OnProtectedClicked();
            return;
        case IDC_REFRESH:
            if (code == BN_CLICKED) OnRefreshClicked();
            return;
        case IDC_UPDATE_RESET:
            if (code == BN_CLICKED) TakeOverResetNow();
            return;
        default:
            break;
    }
    if (IsSignList(id) && code == CBN_DROPDOWN) {
        PostMessageA(g.window, kPlaceDroppedList, static_cast<WPARAM>(id), 0);
        return;
    }
    const FieldControl* f = FieldOf(id);
    if (!f) return;
    const bool edit = f->kind == Kind::kNumber || f->kind == Kind::kTwoDigit;
    const bool button = f->kind == Kind::kCheck || f->kind == Kind::kDirection;
    if ((edit && code == EN_CHANGE) || (button && code == BN_CLICKED) ||
        (!edit && !button && code == CBN_SELCHANGE)) {
        OnFieldChanged(*f);
    }
}

BOOL OnInitDialog(HWND window) {
    g = PageState{};
    g.window = window;
    g.model.selected = g.model.connected = g.model.resetAccount = -1;
    PrepareControls();
    if (BuildList()) ShowSelected();
    SetConnectionsPage(window);
    return FALSE;
}

void OnDestroy() {
    WriteEdit(true);
    SetConnectionsPage(nullptr);
    SetLiveTime(false);
    FreeConnectionsPage(&g.model);
    if (g.signFont) DeleteObject(g.signFont);
    g = PageState{};
}

}  // namespace

INT_PTR CALLBACK ConnectionsPageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) return OnInitDialog(page);
    if (page != g.window) return FALSE;
    INT_PTR result = FALSE;
    if (HandlePageMessage(page, msg, wp, lp, kRules, &result)) return result;
    if (Is(msg, kMsgTimeTick)) {
        OnTimeTick();
        return DialogReply(page, 1);
    }
    if (Is(msg, kMsgConnectionChanged)) {
        OnConnectionChanged();
        return DialogReply(page, 1);
    }
    if (Is(msg, kMsgResetOccurred)) {
        OnResetOccurred();
        return DialogReply(page, 1);
    }
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp));
            return TRUE;
        case WM_DRAWITEM: {
            const DRAWITEMSTRUCT* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (!IsSignList(static_cast<int>(d->CtlID))) return FALSE;
            DrawSign(*d);
            return TRUE;
        }
        case kPlaceDroppedList:
            PlaceDroppedList(Item(static_cast<int>(wp)));
            return TRUE;
        case WM_TIMECHANGE:
            OnTimeChange();
            return TRUE;
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace dt
