// Tests of the digit fields' rules: which pastes go in, and the two-digit display.
#include "controls/numeric_field.h"

#include <gtest/gtest.h>

#include <cstring>

namespace dt {
namespace {

TEST(DigitPaste, OnlyOneOrTwoDigitsGoIn) {
    for (const char* text : {"1", "12", "07"}) EXPECT_TRUE(DigitPasteAllowed(text)) << text;
    for (const char* text : {"", "123", "1a", "-5", " 1", "1 ", "+1", "\xB2"}) {
        EXPECT_FALSE(DigitPasteAllowed(text)) << text;
    }
    EXPECT_FALSE(DigitPasteAllowed(nullptr));
}

TEST(TwoDigitField, ALoneCharacterGetsALeadingZero) {
    char shown[kTwoDigitBufferSize] = "unchanged";
    ASSERT_TRUE(TwoDigitText("5", shown));
    EXPECT_STREQ(shown, "05");
    std::strcpy(shown, "unchanged");
    for (const char* text : {"10", "", "123"}) {
        EXPECT_FALSE(TwoDigitText(text, shown)) << text;
        EXPECT_STREQ(shown, "unchanged");
    }
}

}  // namespace
}  // namespace dt
