// The rules of the digit-only entry fields: what a paste may insert and how two digits show.
#include "controls/numeric_field.h"

namespace dt {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool DigitPasteAllowed(const char* text) {
    if (!text || !IsDigit(text[0])) return false;
    if (text[1] == '\0') return true;
    return IsDigit(text[1]) && text[2] == '\0';
}

bool TwoDigitText(const char* text, char (&out)[kTwoDigitBufferSize]) {
    if (!text || text[0] == '\0' || text[1] != '\0') return false;
    out[0] = '0';
    out[1] = text[0];
    out[2] = '\0';
    return true;
}

}  // namespace dt
