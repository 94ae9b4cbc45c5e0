// What the pages of the Settings window share: the page protocol, help requests, the program-error
// exit, work-area keeping and the file dialogs opened from pages.
#include "settingsui/settings_page_win.h"

#include <cstdio>
#include <initializer_list>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/help_win.h"
#include "app/messages.h"
#include "app/registered_messages.h"
#include "app/shell_state_win.h"
#include "resources/resource_ids.h"
#include "settings/program_settings.h"
#include "settingsui/settings_window_win.h"
#include "timerwin/placement_win.h"
#include "timerwin/work_area_subclass_win.h"

namespace dt {
namespace {

HWND SettingsWindow() { return g_shell.settingsWindow; }

bool Is(UINT msg, RegisteredMessage which) { return msg == g_messageIds[which]; }

// Save and Undo follow the page's changes. A button about to be disabled gives the keyboard
// focus to the tab control first, so that the keyboard is not left without a control.
void SetPageButtons(HWND page, bool changed) {
    HWND focus = GetFocus();
    for (int id : {IDC_PAGE_SAVE, IDC_PAGE_UNDO}) {
        HWND button = GetDlgItem(page, id);
        if (!button) continue;
        if (!changed && focus == button) {
            FocusControl(GetDlgItem(GetParent(page), IDC_SETTINGS_TABS));
        }
        EnableWindow(button, changed);
    }
}

bool NothingToSave(HWND) { return true; }
void NothingToUndo(HWND) {}
bool NoChanges(HWND) { return false; }

}  // namespace

INT_PTR DialogReply(HWND dialog, LONG_PTR value) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, value);
    return TRUE;
}

bool HandlePageMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp, const PageRules& rules,
                       INT_PTR* result) {
    if (Is(msg, kMsgSavePage)) {
        bool saved = true;
        if (IsWindowEnabled(GetDlgItem(page, IDC_PAGE_UNDO))) {
            saved = rules.save(page);
            if (saved) SetPageButtons(page, rules.hasChanges(page));
        }
        *result = DialogReply(page, saved ? 1 : 0);
        return true;
    }
    if (Is(msg, kMsgPageChanged)) {
        SetPageButtons(page, rules.hasChanges(page));
        if (SettingsWindow()) SendMessageA(SettingsWindow(), g_messageIds[kMsgPageChanged], 0, 0);
        *result = DialogReply(page, 1);
        return true;
    }
    switch (msg) {
        case WM_UNDO:
            rules.undo(page);
            *result = DialogReply(page, 1);
            return true;
        case WM_HELP:
            // The context-help mode belongs to the top-level window.
            *result = AnswerHelpRequest(GetParent(page), reinterpret_cast<const HELPINFO*>(lp),
                                        rules.helpTopic, nullptr);
            return true;
        case WM_COMMAND:
            if (HIWORD(wp) != BN_CLICKED) return false;
            if (LOWORD(wp) == IDC_PAGE_SAVE) {
                SendMessageA(page, g_messageIds[kMsgSavePage], 0, 0);
            } else if (LOWORD(wp) == IDC_PAGE_UNDO) {
                SendMessageA(page, WM_UNDO, 0, 0);
            } else {
                return false;
            }
            PageEdited(page);
            *result = TRUE;
            return true;
        default:
            return false;
    }
}

void PageEdited(HWND page) { SendMessageA(page, g_messageIds[kMsgPageChanged], 0, 0); }

void ShowPage(HWND page) {
    if (SettingsWindow()) {
        SendMessageA(SettingsWindow(), g_messageIds[kMsgOpenSettings],
                     reinterpret_cast<WPARAM>(page), 0);
    }
}

void FocusControl(HWND control) {
    HWND top = control;
    while (top && (GetWindowLongPtrA(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
    if (top && control) SendMessageA(top, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void ShowProgramErrorAndClose(int windowNameId) {
    char format[200], name[64], text[300], caption[64];
    if (LoadText(IDS_PROGRAM_ERROR, format, sizeof format) &&
        LoadText(windowNameId, name, sizeof name)) {
        std::snprintf(text, sizeof text, format, name);
        if (!LoadText(IDS_DIALTICK_ERROR, caption, sizeof caption)) caption[0] = '\0';
        ShowAppMessage(g_shell.frontWindow, text, caption, kIconStop, kButtonOk);
    }
    // Closing now would destroy the page whose message is being handled.
    CloseSettingsWindowLater();
}

void KeepDialogInWorkArea(HWND dialog, UINT msg, WPARAM wp) {
    if (!g_displaySettings.keepInWorkArea) return;
    if (msg == WM_DISPLAYCHANGE || msg == WM_EXITSIZEMOVE ||
        (msg == WM_SETTINGCHANGE && wp == SPI_SETWORKAREA)) {
        KeepInWorkArea(dialog);
    }
}

UINT_PTR CALLBACK FileDialogHook(HWND hook, UINT msg, WPARAM, LPARAM) {
    if (msg != WM_INITDIALOG) return 0;
    // The hook is a child of the real dialog.
    HWND dialog = GetParent(hook);
    g_shell.frontWindow = dialog;
    if (g_shell.smallIcon) {
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_shell.smallIcon));
    }
    KeepFrameInWorkArea(dialog);
    return 0;
}

BOOL ChooseFileToOpen(OPENFILENAMEA* request) {
    HWND previous = g_shell.frontWindow;
    // The size every system since Windows 95 and NT 4 accepts.
    request->lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request->Flags |= OFN_ENABLEHOOK | OFN_EXPLORER;
    request->lpfnHook = FileDialogHook;
    BOOL chosen = GetOpenFileNameA(request);
    g_shell.frontWindow = previous;
    return chosen;
}

bool AskDiscardChanges(HWND owner) {
    if (!owner) return true;
    char format[64], caption[96];
    if (!LoadText(IDS_S_SETTINGS, format, sizeof format)) return true;
    std::snprintf(caption, sizeof caption, format, kProductName);
    return ShowStringMessage(owner, IDS_DISCARD_UNSAVED_CHANGES, caption, kIconQuestion,
                             kButtonYes | kButtonNo) != kResultNo;
}

INT_PTR CALLBACK EmptyPageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(page, GWLP_USERDATA, static_cast<LONG_PTR>(lp));
        return FALSE;
    }
    const PageRules rules = {static_cast<int>(GetWindowLongPtrA(page, GWLP_USERDATA)),
                             NothingToSave, NothingToUndo, NoChanges};
    INT_PTR result = FALSE;
    return HandlePageMessage(page, msg, wp, lp, rules, &result) ? result : FALSE;
}

}  // namespace dt
