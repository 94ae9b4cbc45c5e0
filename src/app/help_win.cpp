// Help calls into "dialtick.hlp" for every window of the program.
#include "app/help_win.h"

#include "app/help.h"
#include "app/shell_state_win.h"

namespace dt {
namespace {

// The viewer would complain about a missing file itself; the program stays quiet instead.
bool HelpFileFound() {
    char found[MAX_PATH];
    if (SearchPathA(nullptr, kHelpFile, nullptr, sizeof found, found, nullptr) != 0) return true;
    // The viewer also looks in the Windows help folder.
    char helpDir[MAX_PATH];
    UINT n = GetWindowsDirectoryA(helpDir, MAX_PATH - 6);
    if (n == 0 || n >= MAX_PATH - 6) return false;
    lstrcatA(helpDir, "\\help");
    return SearchPathA(helpDir, kHelpFile, nullptr, sizeof found, found, nullptr) != 0;
}

bool Call(HWND owner, UINT command, ULONG_PTR data) {
    if (!HelpFileFound()) return false;
    if (!WinHelpA(owner, kHelpFile, command, data)) return false;
    g_shell.helpUsed = true;
    return true;
}

}  // namespace

bool OpenHelpTopic(HWND owner, int topic) {
    if (topic == kHelpContents) return Call(owner, HELP_FINDER, 0);
    return Call(owner, HELP_CONTEXT, static_cast<ULONG_PTR>(topic));
}

bool OpenHelpPopup(HWND owner, int popup) {
    return Call(owner, HELP_CONTEXTPOPUP, static_cast<ULONG_PTR>(popup));
}

void CloseHelp(HWND owner) {
    if (g_shell.helpUsed) WinHelpA(owner, kHelpFile, HELP_QUIT, 0);
}

BOOL AnswerHelpRequest(HWND window, const HELPINFO* info, int topic,
                       int (*popupFor)(HWND window, int controlId)) {
    bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    bool leftDown = (GetKeyState(VK_LBUTTON) & 0x8000) != 0;
    int controlId = info ? info->iCtrlId : 0;
    switch (DecideHelp(shift, leftDown, controlId)) {
        case HelpAction::kContextMode:
            PostMessageA(window, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
            break;
        case HelpAction::kPopup:
            OpenHelpPopup(window, popupFor ? popupFor(window, controlId) : controlId);
            break;
        case HelpAction::kTopic:
            OpenHelpTopic(window, topic);
            break;
        case HelpAction::kNothing:
            break;
    }
    return TRUE;
}

}  // namespace dt
