// The rules of the digit-only entry fields: what a paste may insert and how two digits show.
#pragma once

namespace dt {

// The shared text buffer of the two-digit fields.
constexpr int kTwoDigitBufferSize = 16;

// Clipboard text goes into a digit field only when it is one or two decimal digits.
bool DigitPasteAllowed(const char* text);

// A lone character shows with a leading "0" ("7" becomes "07"): true with that text in `out`;
// false for any other text, which shows unchanged.
bool TwoDigitText(const char* text, char (&out)[kTwoDigitBufferSize]);

}  // namespace dt
