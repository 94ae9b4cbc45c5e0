// Help requests: one rule for every window, and the calls into the help file.
#pragma once

namespace dt {

constexpr const char* kHelpFile = "dialtick.hlp";

enum class HelpAction { kContextMode, kPopup, kTopic, kNothing };

// Shift held starts the context-help mode; a click in that mode (left button down) asks for the
// control's pop-up, which a control without an id does not have; otherwise the window's topic.
HelpAction DecideHelp(bool shiftHeld, bool leftButtonDown, int controlId);

}  // namespace dt
