// Help requests: one rule for every window.
#include "app/help.h"

namespace dt {

HelpAction DecideHelp(bool shiftHeld, bool leftButtonDown, int controlId) {
    if (shiftHeld) return HelpAction::kContextMode;
    if (leftButtonDown) return controlId > 0 ? HelpAction::kPopup : HelpAction::kNothing;
    return HelpAction::kTopic;
}

}  // namespace dt
