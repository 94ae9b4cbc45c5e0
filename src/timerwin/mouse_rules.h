// What mouse input on the timer window and on the notification icon does.
#pragma once

#include <cstdint>

namespace dt {

// The platform's mouse message numbers, so that the rules can be tested without it.
namespace mouse {
constexpr uint32_t kContextMenu = 0x007B;
constexpr uint32_t kNcLButtonDblClk = 0x00A3;
constexpr uint32_t kNcRButtonDown = 0x00A4;
constexpr uint32_t kNcRButtonUp = 0x00A5;
constexpr uint32_t kNcRButtonDblClk = 0x00A6;
constexpr uint32_t kNcMButtonDown = 0x00A7;
constexpr uint32_t kNcMButtonUp = 0x00A8;
constexpr uint32_t kNcMButtonDblClk = 0x00A9;
constexpr uint32_t kNcXButtonDown = 0x00AB;
constexpr uint32_t kNcXButtonUp = 0x00AC;
constexpr uint32_t kNcXButtonDblClk = 0x00AD;
constexpr uint32_t kLButtonDown = 0x0201;
constexpr uint32_t kLButtonUp = 0x0202;
constexpr uint32_t kLButtonDblClk = 0x0203;
constexpr uint32_t kRButtonDown = 0x0204;
constexpr uint32_t kRButtonUp = 0x0205;
constexpr uint32_t kRButtonDblClk = 0x0206;
constexpr uint32_t kMButtonDown = 0x0207;
constexpr uint32_t kMButtonUp = 0x0208;
constexpr uint32_t kMButtonDblClk = 0x0209;
constexpr uint32_t kXButtonDown = 0x020B;
constexpr uint32_t kXButtonUp = 0x020C;
constexpr uint32_t kXButtonDblClk = 0x020D;
}  // namespace mouse

enum class MouseAction {
    kNone,          // default handling
    kBringFront,    // bring frontWindow forward, if there is one
    kOpenSettings,  // as the menu's "&Settings": the Settings window, or frontWindow forward
    kShowMenu,
};

// Input on the timer window, client area or frame alike. Dragging is handled apart.
MouseAction TimerMouseAction(uint32_t message, bool modalBoxOpen);
// The icon's callback, by the mouse message it carries.
MouseAction TrayMouseAction(uint32_t mouseMessage, bool modalBoxOpen);

}  // namespace dt
