// The program-wide settings: their keys, defaults and rules, and their reading at start-up.
#pragma once

#include <cstdint>

#include "sound/sound_settings.h"

namespace dt {

// A solid brush (an HBRUSH in the Windows build).
using BrushRef = void*;

// Indexes of DisplaySettings::colours and ::brushes.
enum DisplayColour : int {
    kTitleText = 0,
    kTitleBack,
    kConnectedText,
    kConnectedBack,
    kWarningText,
    kWarningBack,
    kOfflineText,
    kOfflineBack,
    kDisplayColourCount,
};

constexpr int kFaceNameSize = 32;

// The timer window's appearance; one instance, changed live by the Display page.
struct DisplaySettings {
    char faceName[kFaceNameSize];  // empty: the timer window's default font
    int32_t size;                  // points
    int32_t bold;
    int32_t italic;
    uint32_t colours[kDisplayColourCount];  // 0x00BBGGRR
    BrushRef brushes[kDisplayColourCount];
    int32_t opacity;  // percent
    int32_t catchClicks;
    int32_t taskbarIcon;
    int32_t keepInWorkArea;
};

extern DisplaySettings g_displaySettings;

// Every program-wide key, in the order start-up reads them.
enum ProgramKey : int {
    kKeyOKText,
    kKeyOKBack,
    kKeyWarnText,
    kKeyWarnBack,
    kKeyOffText,
    kKeyOffBack,
    kKeyTitleText,
    kKeyTitleBack,
    kKeyFace,
    kKeySize,
    kKeyBold,
    kKeyItalic,
    kKeyOpacity,
    kKeyCatchClicks,
    kKeyIcon,
    kKeyConstrain,
    kKeySoundPlay,
    kKeySoundFile,
    kKeySoundWaveFile,
    kKeySoundBeepFreq,
    kKeySoundBeepCount,
    kKeyWarnPlay,
    kKeyWarnFile,
    kKeyWarnBeepFreq,
    kKeyWarnBeepCount,
    kKeyXPos,
    kKeyYPos,
    kProgramKeyCount,
};

// What a stored value goes through before it is used.
enum class KeyRule {
    kClamp,           // below low -> low, above high -> high
    kRangeOrDefault,  // outside low..high -> the default
    kFlag,            // non-zero -> 1
    kClickThrough,    // exactly 1 lets clicks through (catch clicks = 0); anything else catches
    kPlayMode,        // 0 or 1; 2 only where beeps are offered; anything else -> 0
    kText,            // read into a text field of `high` bytes
    kAny,             // used as stored
};

// When a key is read at all.
enum class KeyCondition {
    kAlways,
    kWithFace,     // only after a non-empty Face; otherwise the field stays 0
    kWithLayered,  // only where windows can be layered; otherwise the default holds
    kWithoutFile,  // only when File of the same section was not read
};

// Defaults that come from the system rather than from the table.
constexpr int32_t kDefaultButtonText = -2;
constexpr int32_t kDefaultButtonFace = -3;

struct ProgramKeyInfo {
    ProgramKey id;
    const char* section;
    const char* key;
    KeyRule rule;
    int32_t defaultValue;
    int32_t low;
    int32_t high;
    KeyCondition condition;
};

// The table, indexed by ProgramKey.
extern const ProgramKeyInfo kProgramKeys[kProgramKeyCount];

// Makes the display's brushes; the Windows shell gives GDI's, tests a stand-in.
class BrushMaker {
  public:
    virtual ~BrushMaker() = default;
    // A solid brush, or null when none can be made.
    virtual BrushRef MakeSolid(uint32_t colour) = 0;
    // The stock white or black brush.
    virtual BrushRef Stock(bool white) = 0;
};

struct ProgramSettingsInput {
    int osClass;  // beeps are offered on classes 2, 3 and 8
    bool layeredAvailable;
    uint32_t buttonTextColour;  // the system's, default of TitleText
    uint32_t buttonFaceColour;  // the system's, default of TitleBack
    uint32_t readErrorButtons;
    BrushMaker* brushes;
};

// Reads every key of the table but the window position, in table order, into the two records,
// asking with message 2012 on a read error. False when the user chose Cancel or Abort: start-up
// must then fail. Brushes made before that are left in `display` for the shutdown to delete.
bool LoadProgramSettings(const ProgramSettingsInput& input, DisplaySettings* display,
                         SoundSettings* sounds);

// Reads `XPos` and `YPos` (default 0); false when the user chose Cancel or Abort.
bool ReadWindowPosition(uint32_t readErrorButtons, int32_t* x, int32_t* y);

}  // namespace dt
