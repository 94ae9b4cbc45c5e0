// Digit-only edit fields: a paste filter, and a two-digit field for minutes and seconds.
#include "controls/numeric_field_win.h"

#include "controls/numeric_field.h"

namespace dt {
namespace {

// Every edit field shares the class's procedure: one saved procedure serves each replacement.
WNDPROC g_pasteFilterNext = nullptr;
WNDPROC g_twoDigitNext = nullptr;
char g_twoDigitText[kTwoDigitBufferSize];

// Whether the clipboard holds text that may be pasted into a digit field.
bool PasteWanted(HWND edit) {
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(edit)) return false;
    bool allowed = false;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data) {
        const char* text = static_cast<const char*>(GlobalLock(data));
        if (text) {
            allowed = DigitPasteAllowed(text);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return allowed;
}

LRESULT Next(WNDPROC next, HWND edit, UINT msg, WPARAM wp, LPARAM lp) {
    return next ? CallWindowProcA(next, edit, msg, wp, lp) : DefWindowProcA(edit, msg, wp, lp);
}

void Install(HWND edit, WNDPROC procedure, WNDPROC* next) {
    if (!edit) return;
    LONG_PTR previous =
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
    if (!*next && previous) *next = reinterpret_cast<WNDPROC>(previous);
}

}  // namespace

LRESULT CALLBACK DigitPasteFilter(HWND edit, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PASTE && !PasteWanted(edit)) return 0;
    return Next(g_pasteFilterNext, edit, msg, wp, lp);
}

LRESULT CALLBACK TwoDigitField(HWND edit, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PASTE:
            if (!PasteWanted(edit)) return 0;
            break;
        case WM_KILLFOCUS: {
            char text[kTwoDigitBufferSize];
            GetWindowTextA(edit, text, sizeof text);
            // The padded text goes through WM_SETTEXT below, which leaves two characters be.
            if (TwoDigitText(text, g_twoDigitText)) SetWindowTextA(edit, g_twoDigitText);
            break;
        }
        case WM_SETTEXT: {
            const char* text = reinterpret_cast<const char*>(lp);
            if (TwoDigitText(text, g_twoDigitText)) {
                return Next(g_twoDigitNext, edit, msg, wp,
                            reinterpret_cast<LPARAM>(g_twoDigitText));
            }
            break;
        }
        default:
            break;
    }
    return Next(g_twoDigitNext, edit, msg, wp, lp);
}

void UseDigitPasteFilter(HWND edit) { Install(edit, DigitPasteFilter, &g_pasteFilterNext); }

void UseTwoDigitField(HWND edit) { Install(edit, TwoDigitField, &g_twoDigitNext); }

}  // namespace dt
