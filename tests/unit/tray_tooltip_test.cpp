// The notification icon's tooltip: one or two lines by shell version, long names cut to fit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

}  // namespace
}  // namespace dt
