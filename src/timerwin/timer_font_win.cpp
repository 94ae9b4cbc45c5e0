// The timer font: made from the display settings, measured for the timer window's cells.
#include "timerwin/timer_font_win.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "resources/resource_ids.h"
#include "settings/program_settings.h"
#include "timerwin/timer_display.h"

namespace dt {
namespace {

constexpr int kMinFontSize = 8;
constexpr int kMaxFontSize = 36;

// The settings the font in use was made from.
struct FontRecord {
    char face[kFaceNameSize];
    int32_t size, bold, italic;
};

HFONT g_font = nullptr;
FontRecord g_record = {};
bool g_givenToControls = false;

// The cells that show text; the fillers have none.
const int kTextCells[] = {IDC_CELL_NAME,        IDC_CELL_SIGN,         IDC_CELL_HOUR_HUNDREDS,
                          IDC_CELL_HOUR_TENS,   IDC_CELL_HOUR_UNITS,   IDC_CELL_HOUR_SEPARATOR,
                          IDC_CELL_MINUTE_TENS, IDC_CELL_MINUTE_UNITS, IDC_CELL_MINUTE_SEPARATOR,
                          IDC_CELL_SECOND_TENS, IDC_CELL_SECOND_UNITS, IDC_CELL_TRAILING};

int CALLBACK NoteFamily(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // the first family is enough
}

bool FaceInstalled(HDC dc, const char* face) {
    LOGFONTA wanted;
    std::memset(&wanted, 0, sizeof wanted);
    wanted.lfCharSet = ANSI_CHARSET;
    std::snprintf(wanted.lfFaceName, sizeof wanted.lfFaceName, "%s", face);
    bool found = false;
    EnumFontFamiliesExA(dc, &wanted, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

LONG HeightForPoints(HDC dc, int points) {
    return -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
}

bool RecordMatchesSettings() {
    const DisplaySettings& d = g_displaySettings;
    return g_record.size == d.size && g_record.bold == d.bold && g_record.italic == d.italic &&
           std::strcmp(g_record.face, d.faceName) == 0;
}

void GiveFontToCells(HWND window, HFONT font) {
    for (int id : kTextCells) {
        HWND cell = GetDlgItem(window, id);
        if (cell) SendMessageA(cell, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

// Measures `text`, raising `height` to the tallest text seen; 0 on failure.
int WidthOf(HDC dc, const char* text, int* height) {
    SIZE size;
    if (!MeasureTimerText(dc, text, -1, &size)) return 0;
    *height = std::max(*height, static_cast<int>(size.cy));
    return size.cx;
}

}  // namespace

bool GetMessageFont(LOGFONTA* font) {
    if (!font) return false;
    NONCLIENTMETRICSA metrics;
    // The structure as systems before Vista know it; newer ones accept it too.
    static_assert(sizeof metrics == 340, "the non-client metrics of Windows 2000 and XP");
    std::memset(&metrics, 0, sizeof metrics);
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        *font = metrics.lfMessageFont;
        return true;
    }
    HGDIOBJ stock = GetStockObject(ANSI_VAR_FONT);
    if (!stock) stock = GetStockObject(SYSTEM_FONT);
    return stock && GetObjectA(stock, sizeof *font, font) != 0;
}

HFONT CreateTimerFont() {
    DisplaySettings& d = g_displaySettings;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    LOGFONTA font;
    std::memset(&font, 0, sizeof font);
    d.faceName[kFaceNameSize - 1] = '\0';
    if (d.faceName[0] && FaceInstalled(dc, d.faceName)) {
        d.size = std::clamp<int32_t>(d.size, kMinFontSize, kMaxFontSize);
        font.lfHeight = HeightForPoints(dc, d.size);
        font.lfWeight = d.bold ? FW_BOLD : FW_NORMAL;
        font.lfItalic = d.italic ? TRUE : FALSE;
        font.lfCharSet = ANSI_CHARSET;
        font.lfOutPrecision = OUT_DEFAULT_PRECIS;
        font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        font.lfQuality = ANTIALIASED_QUALITY;
        font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
        std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", d.faceName);
    } else {
        if (!GetMessageFont(&font)) {
            DeleteDC(dc);
            return nullptr;
        }
        std::snprintf(d.faceName, sizeof d.faceName, "%s", font.lfFaceName);
        d.bold = 1;
        d.italic = 0;
        int logPixels = GetDeviceCaps(dc, LOGPIXELSY);
        d.size = std::abs(MulDiv(font.lfHeight, 72, logPixels));
        if (d.size < kMinFontSize || d.size > kMaxFontSize) {
            d.size = std::clamp<int32_t>(d.size, kMinFontSize, kMaxFontSize);
            font.lfHeight = HeightForPoints(dc, d.size);
        }
    }
    DeleteDC(dc);
    HFONT made = CreateFontIndirectA(&font);
    std::snprintf(g_record.face, sizeof g_record.face, "%s", d.faceName);
    g_record.size = d.size;
    g_record.bold = d.bold;
    g_record.italic = d.italic;
    return made;
}

bool MeasureTimerText(HDC dc, const char* text, int length, SIZE* size) {
    if (!dc || !text || !size) return false;
    if (length == -1) length = static_cast<int>(std::strlen(text));
    if (length < 1) return false;
    int oldMode = SetMapMode(dc, MM_TEXT);
    TEXTMETRICA metrics;
    bool ok = GetTextMetricsA(dc, &metrics) != 0;
    int width = 0;
    if (ok && (metrics.tmPitchAndFamily & TMPF_TRUETYPE)) {
        AbcWalk walk;
        for (int i = 0; i < length; ++i) {
            ABC abc;
            UINT ch = static_cast<unsigned char>(text[i]);
            if (!GetCharABCWidthsA(dc, ch, ch, &abc)) {
                ok = false;
                break;
            }
            walk.Add({abc.abcA, abc.abcB, abc.abcC}, metrics.tmOverhang);
        }
        width = walk.Width();
    } else if (ok) {
        SIZE extent;
        ok = GetTextExtentPoint32A(dc, text, length, &extent) != 0;
        width = extent.cx;
        bool inked = false;
        for (int i = 0; i < length; ++i) {
            if (!std::strchr(" \t\r\n\v\f", text[i])) inked = true;
        }
        if (ok && inked) width += metrics.tmOverhang;
    }
    if (oldMode) SetMapMode(dc, oldMode);
    if (!ok) return false;
    size->cx = width;
    size->cy = metrics.tmHeight;
    return true;
}

bool InitTimerFont() {
    DeleteTimerFont();
    std::memset(&g_record, 0, sizeof g_record);
    g_font = CreateTimerFont();
    return g_font != nullptr;
}

bool MeasureTimerParts(HWND window, const char* name, bool wantSign, TimerMeasurements* out) {
    HWND nameCell = window ? GetDlgItem(window, IDC_CELL_NAME) : nullptr;
    if (!out || !name || !nameCell) return false;

    if (!g_font || !RecordMatchesSettings()) {
        HFONT made = CreateTimerFont();
        if (!made) return false;
        GiveFontToCells(window, made);
        if (g_font) DeleteObject(g_font);
        g_font = made;
        g_givenToControls = true;
    } else if (!g_givenToControls) {
        GiveFontToCells(window, g_font);
        g_givenToControls = true;
    }

    HDC windowDc = GetDC(window);
    HDC dc = CreateCompatibleDC(windowDc);
    if (windowDc) ReleaseDC(window, windowDc);
    if (!dc) return false;
    HGDIOBJ oldFont = SelectObject(dc, g_font);

    TimerMeasurements m{};
    bool ok = false;
    // Two spaces on each side; a 256-character name fits.
    char padded[kConnectionNameSize + 8];
    std::snprintf(padded, sizeof padded, "  %s  ", name);
    SIZE size;
    if (MeasureTimerText(dc, padded, -1, &size)) {
        m.nameWidth = size.cx;
        m.textHeight = size.cy;
        const char digits[] = "0123456789?";
        for (int i = 0; digits[i]; ++i) {
            char one[2] = {digits[i], '\0'};
            m.digitWidth = std::max(m.digitWidth, WidthOf(dc, one, &m.textHeight));
        }
        ok = m.digitWidth > 0;
        if (ok && wantSign) {
            m.signWidth = WidthOf(dc, "-", &m.textHeight);
            m.signMeasured = true;
            ok = m.signWidth > 0;
        }
        if (ok) {
            m.colonWidth = WidthOf(dc, ":", &m.textHeight);
            m.spaceWidth = WidthOf(dc, " ", &m.textHeight);
            ok = m.colonWidth > 0 && m.spaceWidth > 0;
        }
    }
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    if (ok) *out = m;
    return ok;
}

HFONT TimerFont() { return g_font; }

void DeleteTimerFont() {
    if (g_font) DeleteObject(g_font);
    g_font = nullptr;
    g_givenToControls = false;
}

}  // namespace dt
