// The Settings window: the tabbed frame around the Connections, Run, Display and Sounds pages.
#include "settingsui/settings_window_win.h"

#include <commctrl.h>

#include <cstdio>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/help.h"
#include "app/help_win.h"
#include "app/messages.h"
#include "app/registered_messages.h"
#include "app/shell_state_win.h"
#include "resources/resource_ids.h"
#include "settings/program_settings.h"
#include "settingsui/connections_page_win.h"
#include "settingsui/settings_page_win.h"
#include "timerwin/placement_win.h"

namespace dt {
namespace {

constexpr int kPageCount = 4;
constexpr int kLabelSize = 16;
// Posted to the window: close without asking.
constexpr UINT kCloseLater = WM_APP + 1;
// Pop-up topics of the frame's own controls.
constexpr int kFirstTabPopup = 60;
constexpr int kHelpButtonPopup = 1001;
// The modal window's result when it was closed.
constexpr INT_PTR kClosedResult = 3;

struct PageKind {
    int templateId;
    int labelId;
    int helpTopic;
    DLGPROC procedure;
};
// In tab order.
const PageKind kPages[kPageCount] = {
    {IDD_CONNECTIONS_PAGE, IDS_CONNECTIONS, 21, ConnectionsPageProc},
    {IDD_RUN_PAGE, IDS_RUN, 26, EmptyPageProc},
    {IDD_DISPLAY_PAGE, IDS_DISPLAY, 28, EmptyPageProc},
    {IDD_SOUNDS_PAGE, IDS_SOUNDS, 32, EmptyPageProc},
};
// The frame's buttons, left to right.
const int kButtons[] = {IDC_UNDO_ALL, IDC_SAVE_ALL, IDC_SETTINGS_HELP, IDCANCEL};

struct Frame {
    HWND window;
    HWND tabs;
    HWND pages[kPageCount];
    int current;
    bool changed[kPageCount];
    char labels[kPageCount][kLabelSize];
    bool noticeShowing;
};
Frame g_frame;

bool Is(UINT msg, RegisteredMessage which) { return msg == g_messageIds[which]; }

HWND Item(int id) { return GetDlgItem(g_frame.window, id); }

void BringFrontForward() {
    if (g_shell.frontWindow) SetForegroundWindow(g_shell.frontWindow);
}

void SetTabText(int index, bool changed) {
    char text[kLabelSize + 1];
    std::snprintf(text, sizeof text, changed ? "%s*" : "%s", g_frame.labels[index]);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    SendMessageA(g_frame.tabs, TCM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
}

// Shows the page of a tab and hides the one shown before.
void ShowPageAt(int index) {
    if (index < 0 || index >= kPageCount || index == g_frame.current) return;
    ShowWindow(g_frame.pages[index], SW_SHOW);
    if (g_frame.current >= 0) ShowWindow(g_frame.pages[g_frame.current], SW_HIDE);
    g_frame.current = index;
}

void SetAllButtons(bool enabled) {
    EnableWindow(Item(IDC_SAVE_ALL), enabled);
    EnableWindow(Item(IDC_UNDO_ALL), enabled);
}

// A page's Undo button being enabled is what says that the page has unsaved changes.
void RefreshChangedState() {
    bool any = false;
    for (int i = 0; i < kPageCount; ++i) {
        HWND undo = g_frame.pages[i] ? GetDlgItem(g_frame.pages[i], IDC_PAGE_UNDO) : nullptr;
        const bool changed = undo && IsWindowEnabled(undo);
        if (changed != g_frame.changed[i]) {
            g_frame.changed[i] = changed;
            SetTabText(i, changed);
        }
        any = any || changed;
    }
    SetAllButtons(any);
}

void SaveAll() {
    FocusControl(g_frame.tabs);
    SetAllButtons(false);
    for (HWND page : g_frame.pages) {
        if (!SendMessageA(page, g_messageIds[kMsgSavePage], 0, 0)) break;
    }
    SendMessageA(g_frame.window, g_messageIds[kMsgPageChanged], 0, 0);
}

void UndoAll() {
    FocusControl(g_frame.tabs);
    for (int i = 0; i < kPageCount; ++i) {
        HWND page = g_frame.pages[i];
        if (!IsWindowEnabled(GetDlgItem(page, IDC_PAGE_UNDO))) continue;
        SendMessageA(page, WM_UNDO, 0, 0);
        EnableWindow(GetDlgItem(page, IDC_PAGE_UNDO), FALSE);
        EnableWindow(GetDlgItem(page, IDC_PAGE_SAVE), FALSE);
        SetTabText(i, false);
        g_frame.changed[i] = false;
    }
    SetAllButtons(false);
}

// Remembers the page shown, for the next opening.
void StoreCurrentPage() {
    char value[16];
    std::snprintf(value, sizeof value, "%u", static_cast<unsigned>(g_frame.current));
    while (ClassifyAnswer(WriteProgramText(g_frame.window, kKeySet, value, IDS_SAVE_CONFIG_FAILED,
                                           g_app.buttons.writeError, true)) ==
           ErrorAnswer::kRepeat) {
    }
}

void OnClose() {
    if (IsWindowEnabled(Item(IDC_SAVE_ALL)) && !AskDiscardChanges(g_frame.window)) return;
    StoreCurrentPage();
    CloseSettingsWindow(false);
}

int HelpTopic() { return kPages[g_frame.current >= 0 ? g_frame.current : 0].helpTopic; }

// The pop-up topic of a frame control clicked in context-help mode; 0 for none.
int PopupTopic(const HELPINFO* info) {
    if (info->iCtrlId == IDC_SETTINGS_HELP) return kHelpButtonPopup;
    if (info->iCtrlId != IDC_SETTINGS_TABS) return info->iCtrlId;
    TCHITTESTINFO hit = {};
    hit.pt = info->MousePos;
    ScreenToClient(g_frame.tabs, &hit.pt);
    const LRESULT tab = SendMessageA(g_frame.tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    return tab >= 0 && tab < kPageCount ? kFirstTabPopup + static_cast<int>(tab) : 0;
}

void OnHelp(const HELPINFO* info) {
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    const bool leftDown = (GetKeyState(VK_LBUTTON) & 0x8000) != 0;
    switch (DecideHelp(shift, leftDown, info ? info->iCtrlId : 0)) {
        case HelpAction::kContextMode:
            PostMessageA(g_frame.window, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
            break;
        case HelpAction::kPopup:
            if (int popup = PopupTopic(info)) OpenHelpPopup(g_frame.window, popup);
            break;
        case HelpAction::kTopic:
            OpenHelpTopic(g_frame.window, HelpTopic());
            break;
        case HelpAction::kNothing:
            break;
    }
}

// The keyboard goes from the tab control through the shown page to the buttons, although the
// pages lie above the tab control (that is how they show over it).
HWND NextInTabOrder(HWND from, bool backwards) {
    HWND order[160];
    int count = 0;
    order[count++] = g_frame.tabs;
    HWND page = g_frame.current >= 0 ? g_frame.pages[g_frame.current] : nullptr;
    if (HWND first = page ? GetNextDlgTabItem(page, nullptr, FALSE) : nullptr) {
        for (HWND item = first; item && count < 150;) {
            order[count++] = item;
            item = GetNextDlgTabItem(page, item, FALSE);
            if (item == first) break;
        }
    }
    for (int id : kButtons) {
        HWND button = Item(id);
        if (IsWindowVisible(button) && IsWindowEnabled(button)) order[count++] = button;
    }
    // A control inside a control (a combo box's edit) counts as its container.
    while (from && GetParent(from) != g_frame.window && GetParent(from) != page) {
        from = GetParent(from);
    }
    int at = 0;
    while (at < count && order[at] != from) ++at;
    if (at == count) return backwards ? order[count - 1] : order[0];
    return order[(at + (backwards ? count - 1 : 1)) % count];
}

void CloseLater() { PostMessageA(g_frame.window, kCloseLater, 0, 0); }

// Program error while opening: message 2005 with "Settings", then the window closes.
BOOL FailToOpen() {
    ShowProgramErrorAndClose(IDS_SETTINGS);
    return TRUE;
}

// Sizes the tab control to the pages and the window to the tab control and the buttons.
bool Layout() {
    for (HWND page : g_frame.pages) {
        if (!page) return false;
    }
    RECT page;
    GetClientRect(g_frame.pages[0], &page);
    RECT tabs = page;
    SendMessageA(g_frame.tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&tabs));
    SetWindowPos(g_frame.tabs, nullptr, 0, 0, tabs.right - tabs.left, tabs.bottom - tabs.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT area;
    GetWindowRect(g_frame.tabs, &area);
    MapWindowPoints(nullptr, g_frame.window, reinterpret_cast<POINT*>(&area), 2);
    const RECT tabRect = area;
    SendMessageA(g_frame.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (HWND p : g_frame.pages) {
        SetWindowPos(p, HWND_TOP, area.left, area.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
    const int edgeX = GetSystemMetrics(SM_CXEDGE), edgeY = GetSystemMetrics(SM_CYEDGE);
    // The buttons keep their places beside each other, the last one ending under the tab
    // control's right edge.
    RECT last;
    GetWindowRect(Item(IDCANCEL), &last);
    MapWindowPoints(nullptr, g_frame.window, reinterpret_cast<POINT*>(&last), 2);
    const int shift = tabRect.right - last.right;
    const int top = tabRect.bottom + 2 * edgeY;
    int bottom = top;
    for (int id : kButtons) {
        RECT r;
        GetWindowRect(Item(id), &r);
        MapWindowPoints(nullptr, g_frame.window, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(Item(id), nullptr, r.left + shift, top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        bottom = top + (r.bottom - r.top);
    }
    RECT window = {0, 0, tabRect.right + 2 * edgeX, bottom + 3 * edgeY};
    AdjustWindowRectEx(&window, static_cast<DWORD>(GetWindowLongPtrA(g_frame.window, GWL_STYLE)),
                       FALSE, static_cast<DWORD>(GetWindowLongPtrA(g_frame.window, GWL_EXSTYLE)));
    SetWindowPos(g_frame.window, nullptr, 0, 0, window.right - window.left,
                 window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindowOver(g_frame.window, nullptr);
    return true;
}

void SetText(HWND window, int stringId) {
    char text[64];
    if (LoadText(stringId, text, sizeof text)) SetWindowTextA(window, text);
}

BOOL OnInitDialog(HWND window) {
    g_frame = Frame{};
    g_frame.window = window;
    g_frame.current = -1;
    g_frame.tabs = GetDlgItem(window, IDC_SETTINGS_TABS);
    g_shell.settingsWindow = window;
    g_shell.frontWindow = window;

    for (int i = 0; i < kPageCount; ++i) {
        const PageKind& kind = kPages[i];
        g_frame.pages[i] = CreateDialogParamA(g_shell.instance, MAKEINTRESOURCEA(kind.templateId),
                                              window, kind.procedure, kind.helpTopic);
        if (!g_frame.pages[i]) return FailToOpen();
    }

    SetText(Item(IDC_SAVE_ALL), IDS_SAVE_ALL);
    SetText(Item(IDC_UNDO_ALL), IDS_UNDO_ALL);
    SetText(Item(IDCANCEL), IDS_CLOSE);
    SetText(Item(IDC_SETTINGS_HELP), IDS_HELP);

    // Each inserted in front, so that they read Connections, Run, Display, Sounds.
    for (int i = kPageCount - 1; i >= 0; --i) {
        LoadText(kPages[i].labelId, g_frame.labels[i], kLabelSize);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = g_frame.labels[i];
        if (SendMessageA(g_frame.tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) < 0) {
            return FailToOpen();
        }
    }

    char save[32], undo[32], text[64];
    LoadText(IDS_SAVE, save, sizeof save);
    LoadText(IDS_UNDO, undo, sizeof undo);
    for (int i = 0; i < kPageCount; ++i) {
        std::snprintf(text, sizeof text, "%s %s", save, g_frame.labels[i]);
        SetDlgItemTextA(g_frame.pages[i], IDC_PAGE_SAVE, text);
        std::snprintf(text, sizeof text, "%s %s", undo, g_frame.labels[i]);
        SetDlgItemTextA(g_frame.pages[i], IDC_PAGE_UNDO, text);
    }

    if (!Layout()) return FailToOpen();

    char format[64];
    if (LoadText(IDS_S_SETTINGS, format, sizeof format)) {
        std::snprintf(text, sizeof text, format, kProductName);
        SetWindowTextA(window, text);
    }
    if (g_shell.smallIcon) {
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_shell.smallIcon));
    }

    // Any page but the first three after it opens the first (Connections).
    int32_t shown = 0;
    ReadProgramNumber(window, kKeySet, 0, 0, &shown);
    SendMessageA(g_frame.tabs, TCM_SETCURSEL, shown, 0);
    ShowPageAt(shown);
    SetFocus(g_frame.tabs);
    // A page may have reported changes before the tabs existed.
    RefreshChangedState();
    return FALSE;
}

void OnOpenSettings(WPARAM wp) {
    HWND page = reinterpret_cast<HWND>(wp);
    if (!page || g_shell.frontWindow != g_frame.window) {
        BringFrontForward();
        return;
    }
    const int index = SettingsPageIndex(page);
    if (index < 0 || index == g_frame.current) return;
    SendMessageA(g_frame.tabs, TCM_SETCURSEL, index, 0);
    ShowPageAt(index);
    BringFrontForward();
}

// A second copy was started.
void OnActivateInstance() {
    // The timer window answers it while it exists.
    if (g_shell.timerWindow) return;
    BringFrontForward();
    if (g_frame.noticeShowing) return;
    g_frame.noticeShowing = true;
    ShowSettingsOpenNotice();
    g_frame.noticeShowing = false;
}

LONG_PTR OnQueryClose() {
    if (g_shell.settingsWindowModal) {
        EndDialog(g_frame.window, kClosedResult);
        return 1;
    }
    if (!IsWindowEnabled(Item(IDC_SAVE_ALL))) return 1;
    const bool wasOpen = g_app.modalBoxOpen;
    g_app.modalBoxOpen = true;
    const bool discard = AskDiscardChanges(g_shell.frontWindow);
    g_app.modalBoxOpen = wasOpen;
    return discard ? 1 : 0;
}

void OnDestroy() {
    g_shell.settingsWindow = nullptr;
    g_shell.frontWindow = nullptr;
    for (HWND& page : g_frame.pages) {
        if (page) DestroyWindow(page);
        page = nullptr;
    }
    g_frame.window = nullptr;
}

bool OnCommand(WORD id) {
    switch (id) {
        case IDC_SAVE_ALL:
            SaveAll();
            return true;
        case IDC_UNDO_ALL:
            UndoAll();
            return true;
        case IDC_SETTINGS_HELP:
            OpenHelpTopic(g_frame.window, HelpTopic());
            return true;
        case IDCANCEL:
            OnClose();
            return true;
        default:
            // Enter with no default button, among others.
            return id == IDOK;
    }
}

INT_PTR CALLBACK SettingsWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_INITDIALOG && window != g_frame.window) return FALSE;
    KeepDialogInWorkArea(window, msg, wp);
    if (Is(msg, kMsgPageChanged)) {
        RefreshChangedState();
        return DialogReply(window, 1);
    }
    if (Is(msg, kMsgOpenSettings)) {
        OnOpenSettings(wp);
        return DialogReply(window, 1);
    }
    if (Is(msg, kMsgActivateInstance)) {
        OnActivateInstance();
        return DialogReply(window, 1);
    }
    if (Is(msg, kMsgQueryCloseSettings)) return DialogReply(window, OnQueryClose());
    switch (msg) {
        case WM_INITDIALOG:
            return OnInitDialog(window);
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lp);
            if (header->hwndFrom == g_frame.tabs && header->code == TCN_SELCHANGE) {
                ShowPageAt(static_cast<int>(SendMessageA(g_frame.tabs, TCM_GETCURSEL, 0, 0)));
            }
            return FALSE;
        }
        case WM_NEXTDLGCTL:
            // A control given by handle goes to the default handling.
            if (LOWORD(lp)) return FALSE;
            SendMessageA(window, WM_NEXTDLGCTL,
                         reinterpret_cast<WPARAM>(NextInTabOrder(GetFocus(), wp != 0)), TRUE);
            return DialogReply(window, 0);
        case WM_COMMAND:
            return OnCommand(LOWORD(wp)) ? TRUE : FALSE;
        case WM_HELP:
            OnHelp(reinterpret_cast<const HELPINFO*>(lp));
            return TRUE;
        case kCloseLater:
            CloseSettingsWindow(false);
            return TRUE;
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void OpenSettingsWindow() {
    HINSTANCE instance = g_shell.instance;
    if (g_shell.settingsWindowModal) {
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS_WINDOW), nullptr,
                        SettingsWindowProc, 0);
    } else {
        CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS_WINDOW), nullptr,
                           SettingsWindowProc, 0);
    }
}

bool CloseSettingsWindow(bool ask) {
    HWND window = g_shell.settingsWindow;
    if (!window) return true;
    if (g_shell.settingsWindowModal) {
        SendMessageA(window, g_messageIds[kMsgQueryCloseSettings], 0, 0);
        return true;
    }
    if (ask && !SendMessageA(window, g_messageIds[kMsgQueryCloseSettings], 0, 0)) return false;
    DestroyWindow(window);
    return true;
}

void CloseSettingsWindowLater() {
    if (g_shell.settingsWindow) CloseLater();
}

void CloseAllWindows(bool ask) {
    if (g_shell.aboutBox) DestroyWindow(g_shell.aboutBox);
    if (!CloseSettingsWindow(ask)) return;
    if (g_shell.timerWindow) DestroyWindow(g_shell.timerWindow);
}

int SettingsPageIndex(HWND page) {
    if (!page) return -1;
    for (int i = 0; i < kPageCount; ++i) {
        if (g_frame.pages[i] == page) return i;
    }
    return -1;
}

}  // namespace dt
