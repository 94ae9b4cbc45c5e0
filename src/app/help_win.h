// Help calls into "dialtick.hlp" for every window of the program.
#pragma once

#include <windows.h>

namespace dt {

// The topic a window opens; kHelpContents for the help file's contents.
constexpr int kHelpContents = -1;

// Opens the contents (topic kHelpContents) or a topic; sets helpUsed when it succeeds.
bool OpenHelpTopic(HWND owner, int topic);
// Shows a control's pop-up topic.
bool OpenHelpPopup(HWND owner, int popup);
// Closes the help viewer if the program opened it.
void CloseHelp(HWND owner);

// Answers WM_HELP for a window whose own topic is `topic`; `popupFor` gives the pop-up number of
// a control id (null: the control's id itself). Always returns TRUE, the reply to WM_HELP.
BOOL AnswerHelpRequest(HWND window, const HELPINFO* info, int topic,
                       int (*popupFor)(HWND window, int controlId));

}  // namespace dt
