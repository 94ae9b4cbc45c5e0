// The program-wide settings: their keys, rules and places; read at start-up, written key by key.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/command_line.h"
#include "app/platform.h"
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

// The program's own section of the settings file.
constexpr const char* kProductSection = kProductName;

// Every program-wide key: first those start-up reads, in reading order, then those that the
// parts owning them read.
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
    kKeyLast,
    kKeyEdit,
    kKeySet,
    kProgramKeyCount,
};

// What a stored value goes through before it is used, and how it is written back.
enum class KeyRule {
    kColourOrWhite,   // clamped to low..high; without a brush for it, stock white
    kColourOrBlack,   // the same, falling back to stock black
    kClamp,           // below low -> low, above high -> high
    kRangeOrDefault,  // outside low..high -> the default
    kFlag,            // non-zero -> 1; written as "1" or "0"
    kClickThrough,    // exactly 1 lets clicks through (catch clicks = 0); anything else catches
    kPlayMode,        // 0 or 1; 2 only where beeps are offered; anything else -> 0
    kText,            // read straight into a text field of `high` bytes
    kName,            // read through a scratch buffer; longer than the field of `high` bytes is
                      // no name and counts as absent
    kAny,             // used as stored
};

// When a key is read at all.
enum class KeyCondition {
    kAlways,
    kWithFace,     // only after a non-empty Face; otherwise the field stays 0
    kWithLayered,  // only where windows can be layered; otherwise the default holds
    kWithoutFile,  // an older name of File: read only when File was not, never written
    kByOwner,      // not at start-up: the part that uses the value reads it
};

// The record that holds a key's value.
enum class KeyHome {
    kDisplay,    // DisplaySettings
    kLostSound,  // the lost-connection SoundSpec
    kWarnSound,  // the warning SoundSpec
    kOwner,      // none: the part that uses the value keeps it
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
    KeyHome home;
    size_t offset;  // of the value within its home record
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

// Writes one key from the records, as the Display and Sounds pages save: numbers with "%d",
// flags as "1" or "0", CatchClicks as the inverse of catching clicks, texts as they are. Returns
// WriteSetting's result; -1 (nothing written) for a key whose value the records do not hold or
// that is never written.
int WriteProgramKey(WindowRef owner, ProgramKey key, const DisplaySettings& display,
                    const SoundSettings& sounds, int messageId, uint32_t buttons,
                    bool writeThrough);
// Writes a key whose value its owner keeps (the window position, the Settings page shown last,
// the last and the edited account), with "%d" or as text; WriteSetting's result.
int WriteProgramNumber(WindowRef owner, ProgramKey key, int32_t value, int messageId,
                       uint32_t buttons, bool writeThrough);
int WriteProgramText(WindowRef owner, ProgramKey key, const char* text, int messageId,
                     uint32_t buttons, bool writeThrough);
// Reads such a key through ReadSettingInt (after its rule; its default when the read fails) or
// ReadSettingString, and returns that operation's result.
int ReadProgramNumber(WindowRef owner, ProgramKey key, int messageId, uint32_t buttons,
                      int32_t* value);
int ReadProgramText(WindowRef owner, ProgramKey key, char* buffer, uint32_t size, int messageId,
                    uint32_t buttons);

}  // namespace dt
