// Sizing and placing the timer window's cells, and redrawing them without flicker.
#include "timerwin/timer_layout_win.h"

#include <cstdio>

#include "app/registered_messages.h"
#include "app/shell_state_win.h"
#include "settings/program_settings.h"
#include "timerwin/placement_win.h"
#include "timerwin/timer_display.h"
#include "timerwin/timer_font_win.h"
#include "timerwin/timer_layout.h"

namespace dt {
namespace {

const int kTopRow[] = {IDC_CELL_TOP_LEFT, IDC_CELL_NAME, IDC_CELL_TOP_RIGHT};

// The name cell shows a name cut with an ellipsis.
bool g_nameShortened = false;
// Whether the hour hundreds and tens cells are meant to show. Kept here rather than read from
// the cells, since switching a cell's drawing off makes it look hidden.
bool g_hourCellShown[2] = {true, true};

HWND Timer() { return g_shell.timerWindow; }

bool AllCellsExist(HWND window) {
    if (!window) return false;
    for (int id : kTopRow) {
        if (!GetDlgItem(window, id)) return false;
    }
    for (int id : kBottomRow) {
        if (!GetDlgItem(window, id)) return false;
    }
    return true;
}

// The bottom-row cells that take part in switching drawing: hidden hour cells stay out, or
// switching their drawing on would show them.
bool TakesPart(int id) {
    if (id == kHourCells[0]) return g_hourCellShown[0];
    if (id == kHourCells[1]) return g_hourCellShown[1];
    return true;
}

// The name as the cell shows it, one space on each side.
void FormatName(char* buffer, size_t size) {
    std::snprintf(buffer, size, " %s ", TimerDisplay().name);
}

// Cuts the name with DrawTextA's ellipsis to the name cell less one average character.
void ShortenName(HWND nameCell) {
    HDC cellDc = GetDC(nameCell);
    HDC dc = CreateCompatibleDC(cellDc);
    if (cellDc) ReleaseDC(nameCell, cellDc);
    if (!dc) return;
    HGDIOBJ oldFont = SelectObject(dc, TimerFont());
    // DT_MODIFYSTRING may add up to four characters.
    char text[kConnectionNameSize + 8];
    FormatName(text, sizeof text);
    RECT rect;
    GetClientRect(nameCell, &rect);
    TEXTMETRICA metrics;
    if (GetTextMetricsA(dc, &metrics)) rect.right -= metrics.tmAveCharWidth;
    if (DrawTextA(dc, text, -1, &rect,
                  DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_END_ELLIPSIS | DT_MODIFYSTRING)) {
        SetWindowTextA(nameCell, text);
        g_nameShortened = true;
    }
    SelectObject(dc, oldFont);
    DeleteDC(dc);
}

void Place(HWND cell, const CellPlace& place, int y, int height, UINT extra) {
    SetWindowPos(cell, nullptr, place.x, y, place.width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | extra);
}

class WindowTimerView : public TimerView {
  public:
    void SetCellText(int controlId, const char* text) override {
        SetDlgItemTextA(Timer(), controlId, text);
    }
    void SetCellsRedraw(bool on) override { dt::SetCellsRedraw(on); }
    void UpdateCells(int firstId, int secondId) override {
        HWND first = GetDlgItem(Timer(), firstId), second = GetDlgItem(Timer(), secondId);
        if (first) UpdateWindow(first);
        if (second) UpdateWindow(second);
    }
    void Layout() override { LayoutTimerWindow(); }
    void RepaintAll() override {
        if (Timer())
            RedrawWindow(Timer(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    void RefreshName() override {
        if (Timer()) SendMessageA(Timer(), g_messageIds[kMsgRefreshName], 0, 0);
    }
};

WindowTimerView g_view;

}  // namespace

void AttachTimerView(HWND window) {
    if (!window) {
        SetTimerView(nullptr);
        return;
    }
    g_nameShortened = false;
    for (int i = 0; i < 2; ++i) {
        HWND cell = GetDlgItem(window, kHourCells[i]);
        g_hourCellShown[i] = cell && (GetWindowLongPtrA(cell, GWL_STYLE) & WS_VISIBLE);
    }
    SetTimerView(&g_view);
}

void LayoutTimerWindow() {
    HWND window = Timer();
    if (!AllCellsExist(window)) return;
    const TimerDisplayState& state = TimerDisplay();
    TimerMeasurements m;
    if (!MeasureTimerParts(window, state.name, state.connected && state.negative, &m)) return;
    TimerLayout l = ComputeTimerLayout(m, state.connected, state.hours);

    int frameX = GetSystemMetrics(SM_CXBORDER) + GetSystemMetrics(SM_CXEDGE);
    int frameY = GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYEDGE);
    SetWindowPos(window, nullptr, 0, 0, l.contentWidth + 2 * frameX, 2 * l.rowHeight + 2 * frameY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    HWND nameCell = GetDlgItem(window, IDC_CELL_NAME);
    Place(GetDlgItem(window, IDC_CELL_TOP_LEFT), l.topLeft, 0, l.rowHeight, 0);
    Place(nameCell, l.name, 0, l.rowHeight, 0);
    Place(GetDlgItem(window, IDC_CELL_TOP_RIGHT), l.topRight, 0, l.rowHeight, 0);

    for (int i = 0; i < kBottomRowCount; ++i) {
        HWND cell = GetDlgItem(window, kBottomRow[i]);
        int hourIndex = kBottomRow[i] == kHourCells[0]   ? 0
                        : kBottomRow[i] == kHourCells[1] ? 1
                                                         : -1;
        if (!l.bottom[i].shown) {
            ShowWindow(cell, SW_HIDE);
            if (hourIndex >= 0) g_hourCellShown[hourIndex] = false;
            continue;
        }
        UINT show = 0;
        if (hourIndex >= 0 && !g_hourCellShown[hourIndex]) {
            show = SWP_SHOWWINDOW;
            g_hourCellShown[hourIndex] = true;
        }
        Place(cell, l.bottom[i], l.rowHeight, l.rowHeight, show);
    }

    if (l.shortenName) {
        ShortenName(nameCell);
    } else if (g_nameShortened) {
        char text[kConnectionNameSize + 8];
        FormatName(text, sizeof text);
        SetWindowTextA(nameCell, text);
        g_nameShortened = false;
    }

    if (IsWindowVisible(window)) {
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    // The size may have changed.
    if (g_displaySettings.keepInWorkArea) KeepInWorkArea(window);
}

void SetCellsRedraw(bool on) {
    HWND window = Timer();
    if (!window) return;
    HWND cells[kBottomRowCount];
    for (int i = 0; i < kBottomRowCount; ++i) {
        cells[i] = GetDlgItem(window, kBottomRow[i]);
        if (!cells[i]) return;
    }
    for (int i = 0; i < kBottomRowCount; ++i) {
        if (TakesPart(kBottomRow[i])) SendMessageA(cells[i], WM_SETREDRAW, on ? TRUE : FALSE, 0);
    }
    if (!on) return;
    for (int i = 0; i < kBottomRowCount; ++i) {
        if (TakesPart(kBottomRow[i])) InvalidateRect(cells[i], nullptr, FALSE);
    }
    for (int i = 0; i < kBottomRowCount; ++i) {
        if (TakesPart(kBottomRow[i])) UpdateWindow(cells[i]);
    }
}

void RefreshNameCell() {
    HWND window = Timer();
    if (!window) return;
    char text[kConnectionNameSize + 8];
    FormatName(text, sizeof text);
    SetDlgItemTextA(window, IDC_CELL_NAME, text);
    g_nameShortened = false;
    LayoutTimerWindow();
}

}  // namespace dt
