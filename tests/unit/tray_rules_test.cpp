// The notification icon's tooltip texts and what mouse input on the icon and the timer does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "timerwin/mouse_rules.h"
#include "timerwin/tray_tooltip.h"

namespace dt {
namespace {

std::string Tip(bool connected, const char* name, uint32_t shell) {
    char tip[kTrayTipSize];
    std::memset(tip, 'x', sizeof tip);
    FormatTrayTooltip(tip, connected, name, shell);
    EXPECT_NE(std::memchr(tip, '\0', sizeof tip), nullptr);
    return tip;
}

TEST(TrayTooltip, OneLineBeforeShell5AndTwoLinesFrom5On) {
    EXPECT_EQ(Tip(false, nullptr, 4), "Dialtick - Not Connected");
    EXPECT_EQ(Tip(false, nullptr, 5), "Dialtick\r\nNot Connected");
    EXPECT_EQ(Tip(false, "Work", 6), "Dialtick\r\nNot Connected");
    EXPECT_EQ(Tip(true, "Work", 4), "Dialtick - Connected to Work");
    EXPECT_EQ(Tip(true, "Work", 6), "Dialtick\r\nConnected to Work");
}

TEST(TrayTooltip, LongNamesAreCutTo63CharactersEndingInDots) {
    // "Dialtick\r\nConnected to " is 23 characters: 40 more fill the tooltip exactly.
    std::string fits(40, 'a');
    EXPECT_EQ(Tip(true, fits.c_str(), 5), "Dialtick\r\nConnected to " + fits);

    std::string one_more(41, 'b');
    std::string cut = Tip(true, one_more.c_str(), 5);
    ASSERT_EQ(cut.size(), 63u);
    EXPECT_EQ(cut.substr(0, 60), ("Dialtick\r\nConnected to " + one_more).substr(0, 60));
    EXPECT_EQ(cut.substr(60), "...");

    std::string huge(300, 'c');
    cut = Tip(true, huge.c_str(), 4);
    ASSERT_EQ(cut.size(), 63u);
    EXPECT_EQ(cut.substr(0, 26), "Dialtick - Connected to cc");
    EXPECT_EQ(cut.substr(60), "...");
}

TEST(TrayMouse, TheIconsTable) {
    using namespace mouse;
    for (bool modal : {false, true}) {
        for (uint32_t m : {kLButtonDown, kRButtonDblClk, kMButtonDown, kMButtonDblClk, kXButtonDown,
                           kXButtonDblClk}) {
            EXPECT_EQ(TrayMouseAction(m, modal), MouseAction::kBringFront) << m;
        }
        for (uint32_t m : {kLButtonUp, kRButtonUp, kMButtonUp, kXButtonUp, 0x0200u}) {
            EXPECT_EQ(TrayMouseAction(m, modal), MouseAction::kNone) << m;
        }
    }
    EXPECT_EQ(TrayMouseAction(kLButtonDblClk, false), MouseAction::kOpenSettings);
    EXPECT_EQ(TrayMouseAction(kLButtonDblClk, true), MouseAction::kBringFront);
    EXPECT_EQ(TrayMouseAction(kRButtonDown, false), MouseAction::kShowMenu);
    EXPECT_EQ(TrayMouseAction(kRButtonDown, true), MouseAction::kBringFront);
}

TEST(TimerMouse, ClientAndFrameAlikeAndAnOpenBoxTakesEveryClick) {
    using namespace mouse;
    for (uint32_t m : {kLButtonDblClk, kNcLButtonDblClk}) {
        EXPECT_EQ(TimerMouseAction(m, false), MouseAction::kOpenSettings);
        EXPECT_EQ(TimerMouseAction(m, true), MouseAction::kBringFront);
    }
    for (uint32_t m : {kRButtonDown, kNcRButtonDown, kContextMenu}) {
        EXPECT_EQ(TimerMouseAction(m, false), MouseAction::kShowMenu);
        EXPECT_EQ(TimerMouseAction(m, true), MouseAction::kBringFront);
    }
    for (uint32_t m : {kRButtonDblClk, kNcRButtonDblClk, kMButtonDown, kMButtonUp, kMButtonDblClk,
                       kNcMButtonDown, kNcMButtonUp, kNcMButtonDblClk, kXButtonDown, kXButtonUp,
                       kXButtonDblClk, kNcXButtonDown, kNcXButtonUp, kNcXButtonDblClk}) {
        EXPECT_EQ(TimerMouseAction(m, false), MouseAction::kNone) << m;
        EXPECT_EQ(TimerMouseAction(m, true), MouseAction::kBringFront) << m;
    }
    // Dragging and the right button's release are not the table's.
    for (uint32_t m : {kLButtonDown, kLButtonUp, kRButtonUp, kNcRButtonUp}) {
        EXPECT_EQ(TimerMouseAction(m, true), MouseAction::kNone) << m;
    }
}

}  // namespace
}  // namespace dt
