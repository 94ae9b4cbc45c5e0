// Keeping windows inside the work area, centring dialogs, and opacity.
#include <gtest/gtest.h>

#include "timerwin/placement.h"

namespace dt {
namespace {

const Rect kWork{0, 0, 1280, 994};

TEST(KeepInArea, PullsBackFromEveryEdge) {
    Point p = KeepInArea({-5000, -5000, -4900, -4960}, kWork);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    p = KeepInArea({1250, 980, 1350, 1020}, kWork);
    EXPECT_EQ(p.x, 1180);
    EXPECT_EQ(p.y, 954);
    p = KeepInArea({100, 200, 200, 240}, kWork);  // inside: unchanged
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 200);
    p = KeepInArea({100, 200, 200, 240}, Rect{150, 220, 1280, 994});
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 220);
}

TEST(KeepInArea, LeftAndTopEdgesWinForOversizedWindows) {
    Point p = KeepInArea({300, 400, 300 + 2000, 400 + 1500}, kWork);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
}

TEST(CenterOver, CentresOverReferenceOrWorkArea) {
    Rect window{0, 0, 99, 49};  // 100 x 50 counting both edges
    Point p = CenterOver(window, nullptr, kWork);
    EXPECT_EQ(p.x, (1280 - 100) / 2);
    EXPECT_EQ(p.y, (994 - 50) / 2);
    Rect owner{200, 100, 399, 299};  // 200 x 200
    p = CenterOver(window, &owner, kWork);
    EXPECT_EQ(p.x, 250);
    EXPECT_EQ(p.y, 175);
}

TEST(CenterOver, StaysInsideTheWorkArea) {
    Rect window{0, 0, 299, 199};
    Rect nearCorner{1200, 950, 1279, 993};
    Point p = CenterOver(window, &nearCorner, kWork);
    EXPECT_EQ(p.x, 1280 - 300);
    EXPECT_EQ(p.y, 994 - 200);
    Rect offLeft{-400, -400, -300, -300};
    p = CenterOver(window, &offLeft, kWork);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
}

TEST(Opacity, PercentToAlpha) {
    EXPECT_EQ(OpacityAlpha(20), 51);
    EXPECT_EQ(OpacityAlpha(100), 255);
    EXPECT_EQ(OpacityAlpha(50), 127);
    EXPECT_EQ(OpacityAlpha(150), 255);
    EXPECT_EQ(OpacityAlpha(-3), 0);
}

}  // namespace
}  // namespace dt
