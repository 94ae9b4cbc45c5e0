// The Windows side of the messages: the program's own message box (dialog 1123), the plain box,
// string-table texts and the system's error texts.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/command_line.h"
#include "app/messages.h"
#include "app/shell_state_win.h"
#include "resources/resource_ids.h"
#include "timerwin/placement_win.h"

namespace dt {
namespace {

constexpr int kButtonCount = 10;
constexpr int kButtonGap = 6;

struct ButtonInfo {
    uint32_t bit;
    int captionId;
    int result;
};
const ButtonInfo kButtons[kButtonCount] = {
    {kButtonOk, IDS_BUTTON_OK, kResultOk},
    {kButtonCancel, IDS_BUTTON_CANCEL, kResultCancel},
    {kButtonAbort, IDS_BUTTON_ABORT, kResultAbort},
    {kButtonRetry, IDS_BUTTON_RETRY, kResultRetry},
    {kButtonIgnore, IDS_BUTTON_IGNORE, kResultIgnore},
    {kButtonYes, IDS_BUTTON_YES, kResultYes},
    {kButtonNo, IDS_BUTTON_NO, kResultNo},
    {kButtonClose, IDS_BUTTON_CLOSE, kResultClose},
    {kButtonTryAgain, IDS_BUTTON_TRY_AGAIN, kResultTryAgain},
    {kButtonContinue, IDS_BUTTON_CONTINUE, kResultContinue},
};

struct AppMessageBox {
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;
    HWND dialog = nullptr;
    HWND previousFront = nullptr;
    HWND* frontWindow = nullptr;
    HICON captionIcon = nullptr;
    char* caption = nullptr;
    char* text = nullptr;
    uint32_t buttons = 0;
    int iconType = 0;
    int result = 0;
    HMENU systemMenu = nullptr;
    HICON standardIcon = nullptr;
    int buttonResults[3] = {};
    WNDPROC editProc = nullptr;

    ~AppMessageBox() {
        std::free(caption);
        std::free(text);
    }
};

char* CopyText(const char* s) {
    if (!s) return nullptr;
    size_t n = std::strlen(s) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (copy) std::memcpy(copy, s, n);
    return copy;
}

// The text can neither be selected with the mouse nor show a text cursor.
LRESULT CALLBACK EditProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp) {
    auto* box = reinterpret_cast<AppMessageBox*>(GetWindowLongPtrA(GetParent(edit), DWLP_USER));
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
            return 0;
        case WM_SETCURSOR:
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            return TRUE;
        case WM_SETFOCUS:
            return 0;
        default:
            break;
    }
    return box && box->editProc ? CallWindowProcA(box->editProc, edit, msg, wp, lp)
                                : DefWindowProcA(edit, msg, wp, lp);
}

LPCSTR StandardIcon(int iconType) {
    switch (iconType) {
        case kIconStop:
            return IDI_HAND;
        case kIconQuestion:
            return IDI_QUESTION;
        case kIconExclamation:
            return IDI_EXCLAMATION;
        case kIconInformation:
            return IDI_ASTERISK;
        default:
            return nullptr;
    }
}

SIZE RectSize(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// Client-area position of a child window.
POINT ChildOrigin(HWND dialog, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    POINT p{r.left, r.top};
    ScreenToClient(dialog, &p);
    return p;
}

void PlaceButtons(AppMessageBox* box, int count) {
    HWND dialog = box->dialog;
    HWND first = GetDlgItem(dialog, IDC_MSGBOX_BUTTON1);
    SIZE size = RectSize(first);
    POINT origin = ChildOrigin(dialog, first);
    RECT client;
    GetClientRect(dialog, &client);
    int x = (client.right - client.left) / 2;
    int lefts[3] = {};
    if (count == 1) {
        lefts[0] = x - size.cx / 2;
    } else if (count == 2) {
        lefts[0] = x - kButtonGap - size.cx;
        lefts[1] = x + kButtonGap;
    } else {
        lefts[1] = x - size.cx / 2;
        lefts[0] = lefts[1] - kButtonGap - size.cx;
        lefts[2] = lefts[1] + size.cx + kButtonGap;
    }
    for (int i = 0; i < 3; ++i) {
        HWND button = GetDlgItem(dialog, IDC_MSGBOX_BUTTON1 + i);
        if (i < count) {
            SetWindowPos(button, nullptr, lefts[i], origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            ShowWindow(button, SW_SHOW);
        } else {
            ShowWindow(button, SW_HIDE);
        }
    }
}

int MeasureWidth(HDC dc, const char* text, int length) {
    SIZE s{};
    GetTextExtentPoint32A(dc, text, length, &s);
    return s.cx;
}

// Grows or shrinks the text, the dialog and the buttons together so that the text fits.
void SizeToText(AppMessageBox* box, int buttonCount) {
    HWND dialog = box->dialog;
    HWND edit = GetDlgItem(dialog, IDC_MSGBOX_TEXT);
    SIZE buttonSize = RectSize(GetDlgItem(dialog, IDC_MSGBOX_BUTTON1));

    int captionWidth = 0;
    NONCLIENTMETRICSA metrics;
    metrics.cbSize = sizeof metrics;
    HDC screen = GetDC(nullptr);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        HFONT captionFont = CreateFontIndirectA(&metrics.lfCaptionFont);
        if (captionFont) {
            HGDIOBJ old = SelectObject(screen, captionFont);
            captionWidth =
                MeasureWidth(screen, box->caption ? box->caption : "",
                             box->caption ? static_cast<int>(std::strlen(box->caption)) : 0);
            SelectObject(screen, old);
            DeleteObject(captionFont);
        }
    }

    SetWindowTextA(edit, box->text);
    HFONT editFont = reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = editFont ? SelectObject(screen, editFont) : nullptr;
    TEXTMETRICA tm{};
    GetTextMetricsA(screen, &tm);
    int lines = 0, widest = 0;
    for (const char* line = box->text; *line;) {
        const char* end = std::strstr(line, "\r\n");
        int length = end ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
        char* measured = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 2));
        if (measured) {
            std::memcpy(measured, line, static_cast<size_t>(length));
            measured[length] = 'W';
            int w = MeasureWidth(screen, measured, length + 1);
            if (w > widest) widest = w;
            std::free(measured);
        }
        ++lines;
        if (!end) break;
        line = end + 2;
    }
    if (oldFont) SelectObject(screen, oldFont);
    ReleaseDC(nullptr, screen);

    SIZE editSize = RectSize(edit);
    int width = editSize.cx, height = editSize.cy;
    if (lines > 0) {
        int minimum = buttonSize.cx * (buttonCount > 2 ? 3 : 2);
        width = widest > minimum ? widest : minimum;
        height = (lines + 1) * tm.tmHeight;
    }
    if (captionWidth > width) width = captionWidth;
    int dx = width - editSize.cx, dy = height - editSize.cy;
    SetWindowPos(edit, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    SIZE dialogSize = RectSize(dialog);
    SetWindowPos(dialog, nullptr, 0, 0, dialogSize.cx + dx, dialogSize.cy + dy,
                 SWP_NOMOVE | SWP_NOZORDER);
    for (int i = 0; i < 3; ++i) {
        HWND button = GetDlgItem(dialog, IDC_MSGBOX_BUTTON1 + i);
        POINT p = ChildOrigin(dialog, button);
        SetWindowPos(button, nullptr, p.x + dx / 2, p.y + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
}

void InitBox(HWND dialog, AppMessageBox* box) {
    box->dialog = dialog;
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(box));
    if (box->frontWindow) *box->frontWindow = dialog;
    HMENU menu = GetSystemMenu(dialog, FALSE);
    if (menu && DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND)) box->systemMenu = menu;
    if (box->captionIcon) {
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(box->captionIcon));
    }
    SetWindowTextA(dialog, box->caption ? box->caption : "");

    int count = 0;
    for (const ButtonInfo& b : kButtons) {
        if (!(box->buttons & b.bit) || count == 3) continue;
        char caption[64];
        LoadText(b.captionId, caption, sizeof caption);
        SetDlgItemTextA(dialog, IDC_MSGBOX_BUTTON1 + count, caption);
        box->buttonResults[count] = b.result;
        ++count;
    }

    HWND iconControl = GetDlgItem(dialog, IDC_MSGBOX_ICON);
    LPCSTR iconName = StandardIcon(box->iconType);
    if (iconName) {
        box->standardIcon = static_cast<HICON>(
            LoadImageA(nullptr, iconName, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
        SendMessageA(iconControl, STM_SETICON, reinterpret_cast<WPARAM>(box->standardIcon), 0);
    } else {
        ShowWindow(iconControl, SW_HIDE);
    }

    HWND edit = GetDlgItem(dialog, IDC_MSGBOX_TEXT);
    box->editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));

    SizeToText(box, count);
    PlaceButtons(box, count > 0 ? count : 1);
    if (count == 0) ShowWindow(GetDlgItem(dialog, IDC_MSGBOX_BUTTON1), SW_HIDE);
    CenterWindowOver(dialog, box->owner);
    if (count > 0) SetFocus(GetDlgItem(dialog, IDC_MSGBOX_BUTTON1));
}

INT_PTR CALLBACK MessageBoxProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    auto* box = reinterpret_cast<AppMessageBox*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG:
            InitBox(dialog, reinterpret_cast<AppMessageBox*>(lp));
            return FALSE;  // the focus is set
        case WM_COMMAND: {
            int id = LOWORD(wp);
            if (id == IDC_MSGBOX_TEXT) return FALSE;  // the edit control's notifications
            if (box && id >= IDC_MSGBOX_BUTTON1 && id <= IDC_MSGBOX_BUTTON3) {
                box->result = box->buttonResults[id - IDC_MSGBOX_BUTTON1];
            } else if (box) {
                box->result = id;  // Enter gives 1, Esc 2, whatever buttons are shown
            }
            EndDialog(dialog, box ? box->result : id);
            return TRUE;
        }
        case WM_CLOSE:
            if (box) box->result = IDCANCEL;
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case WM_DISPLAYCHANGE:
        case WM_EXITSIZEMOVE:
            KeepInWorkArea(dialog);
            return FALSE;
        case WM_SETTINGCHANGE:
            if (wp == SPI_SETWORKAREA) KeepInWorkArea(dialog);
            return FALSE;
        case WM_DESTROY:
            if (box) {
                if (box->systemMenu) GetSystemMenu(dialog, TRUE);
                if (box->frontWindow) *box->frontWindow = box->previousFront;
                HWND edit = GetDlgItem(dialog, IDC_MSGBOX_TEXT);
                if (box->editProc) {
                    SetWindowLongPtrA(edit, GWLP_WNDPROC,
                                      reinterpret_cast<LONG_PTR>(box->editProc));
                }
            }
            return FALSE;
        default:
            return FALSE;
    }
}

UINT PlainBoxType(uint32_t buttons) {
    switch (buttons) {
        case kButtonOk:
            return MB_OK;
        case kButtonOk | kButtonCancel:
            return MB_OKCANCEL;
        case kButtonCancel | kButtonRetry:
            return MB_RETRYCANCEL;
        case kButtonAbort | kButtonRetry | kButtonIgnore:
            return MB_ABORTRETRYIGNORE;
        case kButtonYes | kButtonNo:
            return MB_YESNO;
        case kButtonCancel | kButtonYes | kButtonNo:
            return MB_YESNOCANCEL;
        case kButtonCancel | kButtonTryAgain | kButtonContinue:
            return MB_CANCELTRYCONTINUE;
        default:
            return MB_OKCANCEL;
    }
}

bool PlainBoxMapped(uint32_t buttons) {
    UINT type = PlainBoxType(buttons);
    return type != MB_OKCANCEL || buttons == (kButtonOk | kButtonCancel);
}

}  // namespace

bool LoadText(int id, char* buffer, int size) {
    if (!buffer || size <= 0) return false;
    buffer[0] = '\0';
    return LoadStringA(g_shell.instance, static_cast<UINT>(id), buffer, size) > 0;
}

bool SystemErrorText(SysError code, char* buffer, int size) {
    if (!buffer || size <= 0) return false;
    return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                          MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer,
                          static_cast<DWORD>(size), nullptr) != 0;
}

int ShowPlainMessage(WindowRef owner, const char* text, const char* caption, int iconType,
                     uint32_t buttons) {
    UINT icon = static_cast<UINT>(iconType & 0xF0);
    int pressed =
        MessageBoxA(static_cast<HWND>(owner), text, caption, PlainBoxType(buttons) | icon);
    return PlainBoxMapped(buttons) ? pressed : kResultAbort;
}

int ShowAppMessage(WindowRef owner, const char* text, const char* caption, int iconType,
                   uint32_t buttons) {
    if (!g_shell.instance || !text) return kResultNothingShown;
    // The box lives on this frame: the dialog is modal, so it ends before the call returns.
    AppMessageBox box;
    box.text = CopyText(text);
    box.caption = CopyText(caption);
    if (!box.text || (caption && !box.caption))
        return ShowPlainMessage(owner, text, caption, iconType, buttons);
    box.instance = g_shell.instance;
    box.owner = static_cast<HWND>(owner);
    box.previousFront = g_shell.frontWindow;
    box.frontWindow = &g_shell.frontWindow;
    box.captionIcon = g_shell.smallIcon;
    box.buttons = buttons;
    box.iconType = iconType;
    INT_PTR r = DialogBoxParamA(box.instance, MAKEINTRESOURCEA(IDD_MESSAGE_BOX), box.owner,
                                MessageBoxProc, reinterpret_cast<LPARAM>(&box));
    // Without the dialog (no memory for it) the user still gets the question.
    if (r == -1) return ShowPlainMessage(owner, text, caption, iconType, buttons);
    return box.result;
}

void ShowSettingsOpenNotice() {
    char text[260], caption[64];
    if (!LoadText(IDS_CLOSE_SETTINGS_FIRST, text, sizeof text)) return;
    if (!LoadText(IDS_DIALTICK, caption, sizeof caption)) {
        std::snprintf(caption, sizeof caption, "%s", kProductName);
    }
    int r = ShowAppMessage(g_shell.frontWindow, text, caption, kIconExclamation, kButtonOk);
    if (r == kResultNothingShown) {
        ShowPlainMessage(g_shell.frontWindow, text, caption, kIconExclamation, kButtonOk);
    }
}

}  // namespace dt
