// What mouse input on the timer window and on the notification icon does.
#include "timerwin/mouse_rules.h"

namespace dt {

MouseAction TimerMouseAction(uint32_t message, bool modalBoxOpen) {
    using namespace mouse;
    switch (message) {
        case kLButtonDblClk:
        case kNcLButtonDblClk:
            return modalBoxOpen ? MouseAction::kBringFront : MouseAction::kOpenSettings;
        case kRButtonDown:
        case kNcRButtonDown:
        case kContextMenu:
            return modalBoxOpen ? MouseAction::kBringFront : MouseAction::kShowMenu;
        case kRButtonDblClk:
        case kNcRButtonDblClk:
        case kMButtonDown:
        case kMButtonUp:
        case kMButtonDblClk:
        case kNcMButtonDown:
        case kNcMButtonUp:
        case kNcMButtonDblClk:
        case kXButtonDown:
        case kXButtonUp:
        case kXButtonDblClk:
        case kNcXButtonDown:
        case kNcXButtonUp:
        case kNcXButtonDblClk:
            return modalBoxOpen ? MouseAction::kBringFront : MouseAction::kNone;
        default:
            return MouseAction::kNone;
    }
}

MouseAction TrayMouseAction(uint32_t mouseMessage, bool modalBoxOpen) {
    using namespace mouse;
    switch (mouseMessage) {
        case kLButtonDown:
        case kRButtonDblClk:
        case kMButtonDown:
        case kMButtonDblClk:
        case kXButtonDown:
        case kXButtonDblClk:
            return MouseAction::kBringFront;
        case kLButtonDblClk:
            return modalBoxOpen ? MouseAction::kBringFront : MouseAction::kOpenSettings;
        case kRButtonDown:
            return modalBoxOpen ? MouseAction::kBringFront : MouseAction::kShowMenu;
        default:
            return MouseAction::kNone;
    }
}

}  // namespace dt
