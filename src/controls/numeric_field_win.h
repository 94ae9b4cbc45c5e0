// Digit-only edit fields: a paste filter, and a two-digit field for minutes and seconds.
#pragma once

#include <windows.h>

namespace dt {

// Window procedures that replace the standard edit control's; everything they do not consume
// goes to the procedure they replaced.
LRESULT CALLBACK DigitPasteFilter(HWND edit, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK TwoDigitField(HWND edit, UINT msg, WPARAM wp, LPARAM lp);

// Installs the replacement on an edit field.
void UseDigitPasteFilter(HWND edit);
void UseTwoDigitField(HWND edit);

}  // namespace dt
