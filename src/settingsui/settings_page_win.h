// What the pages of the Settings window share: the page protocol, help requests, the program-error
// exit, work-area keeping and the file dialogs opened from pages.
#pragma once

#include <windows.h>
#include <commdlg.h>

namespace dt {

// A page's own answers to the protocol.
struct PageRules {
    // The page's help topic (Connections 21, Run 26, Display 28, Sounds 32).
    int helpTopic;
    // Saves the page's changes; false when saving failed or was refused (the page has shown why).
    bool (*save)(HWND page);
    // Discards the page's changes and shows what was saved.
    void (*undo)(HWND page);
    // Whether the page holds unsaved changes.
    bool (*hasChanges)(HWND page);
};

// Answers what every page answers the same way; true when it took the message, with *result the
// dialog procedure's return value:
// - MsgSavePage: saves when the page's Undo button is enabled; answers 1 when saved or nothing
//   was to be saved, 0 otherwise.
// - WM_UNDO (Undo All, or the page's own Undo button): discards the changes.
// - MsgPageChanged: enables the page's Save (167) and Undo (186) buttons exactly when it has
//   changes and passes the news on to the Settings window.
// - WM_HELP: Shift starts the context-help mode, a click in it shows the control's pop-up (its
//   id), otherwise the page's topic.
// - The page's own Save and Undo buttons.
bool HandlePageMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp, const PageRules& rules,
                       INT_PTR* result);

// After an edit: the page's Save and Undo buttons follow its changes, and the Settings window
// hears of it (sends MsgPageChanged to the page).
void PageEdited(HWND page);
// Asks the Settings window to show this page, before a message about something on it.
void ShowPage(HWND page);
// Moves the keyboard focus to a control of a page (or of the Settings window).
void FocusControl(HWND control);
// Message 2005 naming the window (a string id, e.g. the page's label), then the Settings window
// closes without asking, once the current message has been handled.
void ShowProgramErrorAndClose(int windowNameId);
// The answer of a dialog procedure to a message whose result is a value.
INT_PTR DialogReply(HWND dialog, LONG_PTR value);

// For every dialog of the Settings window and those it opens: pulls the dialog back into the
// work area after a display or work-area change and after the user moved it, when windows are to
// be kept there. Call it with every message; it never consumes one.
void KeepDialogInWorkArea(HWND dialog, UINT msg, WPARAM wp);

// The hook of the system's file dialogs opened from pages: the dialog leads the user interface,
// shows the program's small icon and is kept in the work area.
UINT_PTR CALLBACK FileDialogHook(HWND hook, UINT msg, WPARAM wp, LPARAM lp);
// Runs the open-file dialog with that hook (the request's size and hook are set here) and gives
// the lead back to the window that had it.
BOOL ChooseFileToOpen(OPENFILENAMEA* request);

// "Discard unsaved changes?" (Yes, No) under "Dialtick - Settings"; true unless the answer is No.
// With no owner, true without asking.
bool AskDiscardChanges(HWND owner);

// A page that only takes part in the protocol: nothing to save, nothing to undo. Its creation
// parameter is its help topic.
INT_PTR CALLBACK EmptyPageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace dt
