// The program-wide settings as the Windows shell reads and releases them.
#include <windows.h>

#include "app/app_state.h"
#include "settings/program_settings.h"
#include "settings/program_settings_win.h"

namespace dt {
namespace {

class GdiBrushes : public BrushMaker {
  public:
    BrushRef MakeSolid(uint32_t colour) override {
        return CreateSolidBrush(static_cast<COLORREF>(colour));
    }
    BrushRef Stock(bool white) override {
        return GetStockObject(white ? WHITE_BRUSH : BLACK_BRUSH);
    }
};

bool IsStockBrush(HGDIOBJ brush) {
    return brush == GetStockObject(WHITE_BRUSH) || brush == GetStockObject(BLACK_BRUSH);
}

}  // namespace

bool LoadProgramSettingsFromSystem() {
    GdiBrushes brushes;
    ProgramSettingsInput input{};
    input.osClass = g_app.osClass;
    input.layeredAvailable = g_app.layeredAvailable;
    input.buttonTextColour = GetSysColor(COLOR_BTNTEXT);
    input.buttonFaceColour = GetSysColor(COLOR_BTNFACE);
    input.readErrorButtons = g_app.buttons.readError;
    input.brushes = &brushes;
    return LoadProgramSettings(input, &g_displaySettings, &g_soundSettings);
}

void DeleteDisplayBrushes() {
    for (BrushRef& brush : g_displaySettings.brushes) {
        if (brush && !IsStockBrush(static_cast<HGDIOBJ>(brush))) {
            DeleteObject(static_cast<HGDIOBJ>(brush));
        }
        brush = nullptr;
    }
}

}  // namespace dt
