// The program-wide settings: their keys, rules and places; read at start-up, written key by key.
#include "settings/program_settings.h"

#include <cstdio>
#include <cstring>

#include "app/message_codes.h"
#include "resources/resource_ids.h"
#include "settings/retrying_read.h"
#include "settings/settings_store.h"

namespace dt {

DisplaySettings g_displaySettings = {};

namespace {

constexpr int32_t kMaxColour = 16777215;

constexpr size_t ColourAt(DisplayColour slot) {
    return offsetof(DisplaySettings, colours) + slot * sizeof(uint32_t);
}

}  // namespace

constexpr ProgramKeyInfo kProgramKeys[kProgramKeyCount] = {
    {kKeyOKText, "Colours", "OKText", KeyRule::kColourOrWhite, 65280, 0, kMaxColour,
     KeyCondition::kAlways, KeyHome::kDisplay, ColourAt(kConnectedText)},
    {kKeyOKBack, "Colours", "OKBack", KeyRule::kColourOrBlack, 0, 0, kMaxColour,
     KeyCondition::kAlways, KeyHome::kDisplay, ColourAt(kConnectedBack)},
    {kKeyWarnText, "Colours", "WarnText", KeyRule::kColourOrWhite, 255, 0, kMaxColour,
     KeyCondition::kAlways, KeyHome::kDisplay, ColourAt(kWarningText)},
    {kKeyWarnBack, "Colours", "WarnBack", KeyRule::kColourOrBlack, 0, 0, kMaxColour,
     KeyCondition::kAlways, KeyHome::kDisplay, ColourAt(kWarningBack)},
    {kKeyOffText, "Colours", "OffText", KeyRule::kColourOrWhite, 65535, 0, kMaxColour,
     KeyCondition::kAlways, KeyHome::kDisplay, ColourAt(kOfflineText)},
    {kKeyOffBack, "Colours", "OffBack", KeyRule::kColourOrBlack, 0, 0, kMaxColour,
     KeyCondition::kAlways, KeyHome::kDisplay, ColourAt(kOfflineBack)},
    {kKeyTitleText, "Colours", "TitleText", KeyRule::kColourOrBlack, kDefaultButtonText, 0,
     kMaxColour, KeyCondition::kAlways, KeyHome::kDisplay, ColourAt(kTitleText)},
    {kKeyTitleBack, "Colours", "TitleBack", KeyRule::kColourOrWhite, kDefaultButtonFace, 0,
     kMaxColour, KeyCondition::kAlways, KeyHome::kDisplay, ColourAt(kTitleBack)},
    {kKeyFace, "Font", "Face", KeyRule::kName, 0, 0, kFaceNameSize, KeyCondition::kAlways,
     KeyHome::kDisplay, offsetof(DisplaySettings, faceName)},
    {kKeySize, "Font", "Size", KeyRule::kClamp, 10, 8, 36, KeyCondition::kWithFace,
     KeyHome::kDisplay, offsetof(DisplaySettings, size)},
    {kKeyBold, "Font", "Bold", KeyRule::kFlag, 0, 0, 1, KeyCondition::kWithFace, KeyHome::kDisplay,
     offsetof(DisplaySettings, bold)},
    {kKeyItalic, "Font", "Italic", KeyRule::kFlag, 0, 0, 1, KeyCondition::kWithFace,
     KeyHome::kDisplay, offsetof(DisplaySettings, italic)},
    {kKeyOpacity, "Opacity", "Value", KeyRule::kRangeOrDefault, 100, 20, 100,
     KeyCondition::kWithLayered, KeyHome::kDisplay, offsetof(DisplaySettings, opacity)},
    {kKeyCatchClicks, "Opacity", "CatchClicks", KeyRule::kClickThrough, 1, 0, 1,
     KeyCondition::kWithLayered, KeyHome::kDisplay, offsetof(DisplaySettings, catchClicks)},
    {kKeyIcon, kProductSection, "Icon", KeyRule::kFlag, 1, 0, 1, KeyCondition::kAlways,
     KeyHome::kDisplay, offsetof(DisplaySettings, taskbarIcon)},
    {kKeyConstrain, kProductSection, "Constrain", KeyRule::kFlag, 1, 0, 1, KeyCondition::kAlways,
     KeyHome::kDisplay, offsetof(DisplaySettings, keepInWorkArea)},
    {kKeySoundPlay, "Sound", "Play", KeyRule::kPlayMode, kNoSound, 0, 2, KeyCondition::kAlways,
     KeyHome::kLostSound, offsetof(SoundSpec, mode)},
    {kKeySoundFile, "Sound", "File", KeyRule::kText, 0, 0, sizeof(SoundSpec::file),
     KeyCondition::kAlways, KeyHome::kLostSound, offsetof(SoundSpec, file)},
    {kKeySoundWaveFile, "Sound", "WaveFile", KeyRule::kText, 0, 0, sizeof(SoundSpec::file),
     KeyCondition::kWithoutFile, KeyHome::kLostSound, offsetof(SoundSpec, file)},
    {kKeySoundBeepFreq, "Sound", "BeepFreq", KeyRule::kRangeOrDefault, 700, 50, 4000,
     KeyCondition::kAlways, KeyHome::kLostSound, offsetof(SoundSpec, beepFrequency)},
    {kKeySoundBeepCount, "Sound", "BeepCount", KeyRule::kRangeOrDefault, 3, 1, 9,
     KeyCondition::kAlways, KeyHome::kLostSound, offsetof(SoundSpec, beepCount)},
    {kKeyWarnPlay, "WarnSound", "Play", KeyRule::kPlayMode, kNoSound, 0, 2, KeyCondition::kAlways,
     KeyHome::kWarnSound, offsetof(SoundSpec, mode)},
    {kKeyWarnFile, "WarnSound", "File", KeyRule::kText, 0, 0, sizeof(SoundSpec::file),
     KeyCondition::kAlways, KeyHome::kWarnSound, offsetof(SoundSpec, file)},
    {kKeyWarnBeepFreq, "WarnSound", "BeepFreq", KeyRule::kRangeOrDefault, 700, 50, 4000,
     KeyCondition::kAlways, KeyHome::kWarnSound, offsetof(SoundSpec, beepFrequency)},
    {kKeyWarnBeepCount, "WarnSound", "BeepCount", KeyRule::kRangeOrDefault, 3, 1, 9,
     KeyCondition::kAlways, KeyHome::kWarnSound, offsetof(SoundSpec, beepCount)},
    {kKeyXPos, kProductSection, "XPos", KeyRule::kAny, 0, 0, 0, KeyCondition::kByOwner,
     KeyHome::kOwner, 0},
    {kKeyYPos, kProductSection, "YPos", KeyRule::kAny, 0, 0, 0, KeyCondition::kByOwner,
     KeyHome::kOwner, 0},
    // The account that connected last and the one the Connections page showed last.
    {kKeyLast, kProductSection, "Last", KeyRule::kText, 0, 0, 0, KeyCondition::kByOwner,
     KeyHome::kOwner, 0},
    {kKeyEdit, kProductSection, "Edit", KeyRule::kText, 0, 0, 0, KeyCondition::kByOwner,
     KeyHome::kOwner, 0},
    // The Settings window's page shown last: 0 Connections, 1 Run, 2 Display, 3 Sounds.
    {kKeySet, kProductSection, "Set", KeyRule::kRangeOrDefault, 0, 0, 3, KeyCondition::kByOwner,
     KeyHome::kOwner, 0},
};

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0;
// The face is read through a buffer as large as the program's scratch texts.
constexpr uint32_t kFaceReadSize = 780;

constexpr bool TableInOrder() {
    for (int i = 0; i < kProgramKeyCount; ++i) {
        if (kProgramKeys[i].id != i) return false;
        // Only keys that their owners read keep their values outside the records.
        const bool owned = kProgramKeys[i].condition == KeyCondition::kByOwner;
        if (owned != (kProgramKeys[i].home == KeyHome::kOwner)) return false;
    }
    return true;
}
static_assert(TableInOrder(), "the key table is indexed by ProgramKey");

bool IsColour(const ProgramKeyInfo& info) {
    return info.rule == KeyRule::kColourOrWhite || info.rule == KeyRule::kColourOrBlack;
}

int32_t Apply(const ProgramKeyInfo& info, int32_t value, const ProgramSettingsInput& input) {
    switch (info.rule) {
        case KeyRule::kColourOrWhite:
        case KeyRule::kColourOrBlack:
        case KeyRule::kClamp:
            return value < info.low ? info.low : value > info.high ? info.high : value;
        case KeyRule::kRangeOrDefault:
            return value < info.low || value > info.high ? info.defaultValue : value;
        case KeyRule::kFlag:
            return value != 0;
        case KeyRule::kClickThrough:
            return value == 1 ? 0 : 1;
        case KeyRule::kPlayMode:
            if (value == kPlayFile) return kPlayFile;
            if (value == kBeep &&
                (input.osClass == kOsNt4 || input.osClass == kOsNt5 || input.osClass == kOsNt51)) {
                return kBeep;
            }
            return kNoSound;
        case KeyRule::kText:
        case KeyRule::kName:
        case KeyRule::kAny:
            return value;
    }
    return value;
}

int32_t DefaultOf(const ProgramKeyInfo& info, const ProgramSettingsInput& input) {
    if (info.defaultValue == kDefaultButtonText)
        return static_cast<int32_t>(input.buttonTextColour);
    if (info.defaultValue == kDefaultButtonFace)
        return static_cast<int32_t>(input.buttonFaceColour);
    return info.defaultValue;
}

// The record that holds the key's value, as bytes; null for keys their owners keep.
const char* HomeOf(const ProgramKeyInfo& info, const DisplaySettings& display,
                   const SoundSettings& sounds) {
    switch (info.home) {
        case KeyHome::kDisplay:
            return reinterpret_cast<const char*>(&display);
        case KeyHome::kLostSound:
            return reinterpret_cast<const char*>(&sounds.alerts[kLostConnectionAlert]);
        case KeyHome::kWarnSound:
            return reinterpret_cast<const char*>(&sounds.alerts[kWarningAlert]);
        case KeyHome::kOwner:
            break;
    }
    return nullptr;
}

// The key's text field or number field (colours are read as signed, as they are stored).
char* TextIn(const ProgramKeyInfo& info, DisplaySettings* display, SoundSettings* sounds) {
    return const_cast<char*>(HomeOf(info, *display, *sounds)) + info.offset;
}
int32_t* NumberIn(const ProgramKeyInfo& info, DisplaySettings* display, SoundSettings* sounds) {
    return reinterpret_cast<int32_t*>(TextIn(info, display, sounds));
}

void SetColour(const ProgramKeyInfo& info, int32_t value, DisplaySettings* display,
               BrushMaker* brushes) {
    const size_t slot = (info.offset - offsetof(DisplaySettings, colours)) / sizeof(uint32_t);
    const bool stockWhite = info.rule == KeyRule::kColourOrWhite;
    uint32_t colour = static_cast<uint32_t>(value);
    BrushRef brush = brushes ? brushes->MakeSolid(colour) : nullptr;
    if (!brush) {
        colour = stockWhite ? kWhite : kBlack;
        brush = brushes ? brushes->Stock(stockWhite) : nullptr;
    }
    display->colours[slot] = colour;
    display->brushes[slot] = brush;
}

// One number key: the value after its rule, or its default.
ReadOutcome ReadNumber(const ProgramKeyInfo& info, const ProgramSettingsInput& input,
                       uint32_t buttons, int32_t* value) {
    int32_t stored = 0;
    ReadOutcome read =
        ReadIntRetrying(nullptr, info.section, info.key, &stored, IDS_LOAD_CONFIG_FAILED, buttons);
    if (read == ReadOutcome::kValue) {
        *value = Apply(info, stored, input);
    } else {
        *value = DefaultOf(info, input);
    }
    return read;
}

// A name read through the scratch buffer; only a name that fits its field counts.
ReadOutcome ReadName(const ProgramKeyInfo& info, uint32_t buttons, char* field) {
    char name[kFaceReadSize] = "";
    ReadOutcome read = ReadStringRetrying(nullptr, info.section, info.key, name, sizeof name,
                                          IDS_LOAD_CONFIG_FAILED, buttons);
    if (read != ReadOutcome::kValue) return read;
    // No font has a longer name than the field holds; a longer one is no font's name, so it
    // counts as absent rather than as the start of some other name.
    const size_t length = std::strlen(name);
    if (length == 0 || length >= static_cast<size_t>(info.high)) return ReadOutcome::kDefault;
    std::memcpy(field, name, length + 1);
    return read;
}

// A text read straight into its field; anything but a non-empty value leaves it empty.
ReadOutcome ReadText(const ProgramKeyInfo& info, uint32_t buttons, char* field) {
    ReadOutcome read =
        ReadStringRetrying(nullptr, info.section, info.key, field, static_cast<uint32_t>(info.high),
                           IDS_LOAD_CONFIG_FAILED, buttons);
    field[info.high - 1] = '\0';
    if (read == ReadOutcome::kValue && field[0] == '\0') read = ReadOutcome::kDefault;
    if (read != ReadOutcome::kValue) field[0] = '\0';
    return read;
}

}  // namespace

bool LoadProgramSettings(const ProgramSettingsInput& input, DisplaySettings* display,
                         SoundSettings* sounds) {
    *display = DisplaySettings{};
    *sounds = SoundSettings{};
    const uint32_t buttons = input.readErrorButtons;
    bool faceRead = false;
    bool fileRead[2] = {false, false};

    for (const ProgramKeyInfo& info : kProgramKeys) {
        const int alert = info.home == KeyHome::kWarnSound ? kWarningAlert : kLostConnectionAlert;
        switch (info.condition) {
            case KeyCondition::kAlways:
                break;
            case KeyCondition::kByOwner:
                continue;
            case KeyCondition::kWithFace:
                if (!faceRead) continue;
                break;
            case KeyCondition::kWithLayered:
                if (!input.layeredAvailable) {
                    *NumberIn(info, display, sounds) = DefaultOf(info, input);
                    continue;
                }
                break;
            case KeyCondition::kWithoutFile:
                if (fileRead[alert]) continue;
                break;
        }

        int32_t value = 0;
        ReadOutcome read;
        if (info.rule == KeyRule::kName) {
            read = ReadName(info, buttons, TextIn(info, display, sounds));
        } else if (info.rule == KeyRule::kText) {
            read = ReadText(info, buttons, TextIn(info, display, sounds));
        } else {
            read = ReadNumber(info, input, buttons, &value);
        }
        if (read == ReadOutcome::kStop) return false;

        if (info.rule == KeyRule::kName) {
            faceRead = read == ReadOutcome::kValue;
        } else if (info.rule == KeyRule::kText) {
            if (read == ReadOutcome::kValue) fileRead[alert] = true;
        } else if (IsColour(info)) {
            SetColour(info, value, display, input.brushes);
        } else {
            *NumberIn(info, display, sounds) = value;
        }
    }
    // Without a file name there is nothing to play.
    for (int alert = 0; alert < 2; ++alert) {
        SoundSpec& spec = sounds->alerts[alert];
        if (spec.mode == kPlayFile && !fileRead[alert]) spec.mode = kNoSound;
    }
    return true;
}

bool ReadWindowPosition(uint32_t readErrorButtons, int32_t* x, int32_t* y) {
    ProgramSettingsInput input{};
    if (ReadNumber(kProgramKeys[kKeyXPos], input, readErrorButtons, x) == ReadOutcome::kStop) {
        return false;
    }
    return ReadNumber(kProgramKeys[kKeyYPos], input, readErrorButtons, y) != ReadOutcome::kStop;
}

int WriteProgramKey(WindowRef owner, ProgramKey key, const DisplaySettings& display,
                    const SoundSettings& sounds, int messageId, uint32_t buttons,
                    bool writeThrough) {
    const ProgramKeyInfo& info = kProgramKeys[key];
    const char* home = HomeOf(info, display, sounds);
    if (!home || info.condition == KeyCondition::kWithoutFile) return kResultAbsent;
    if (info.rule == KeyRule::kText || info.rule == KeyRule::kName) {
        return WriteProgramText(owner, key, home + info.offset, messageId, buttons, writeThrough);
    }
    int32_t value;
    std::memcpy(&value, home + info.offset, sizeof value);
    if (info.rule == KeyRule::kFlag) value = value != 0;
    // The file holds whether clicks pass through; the record whether they are caught.
    if (info.rule == KeyRule::kClickThrough) value = value == 0;
    return WriteProgramNumber(owner, key, value, messageId, buttons, writeThrough);
}

int WriteProgramNumber(WindowRef owner, ProgramKey key, int32_t value, int messageId,
                       uint32_t buttons, bool writeThrough) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return WriteProgramText(owner, key, text, messageId, buttons, writeThrough);
}

int WriteProgramText(WindowRef owner, ProgramKey key, const char* text, int messageId,
                     uint32_t buttons, bool writeThrough) {
    const ProgramKeyInfo& info = kProgramKeys[key];
    return WriteSetting(owner, info.section, info.key, text, messageId, buttons, writeThrough);
}

int ReadProgramNumber(WindowRef owner, ProgramKey key, int messageId, uint32_t buttons,
                      int32_t* value) {
    const ProgramKeyInfo& info = kProgramKeys[key];
    const ProgramSettingsInput none{};
    int32_t stored = 0;
    const int result = ReadSettingInt(owner, info.section, info.key, &stored, messageId, buttons);
    *value = result == 0 ? Apply(info, stored, none) : DefaultOf(info, none);
    return result;
}

int ReadProgramText(WindowRef owner, ProgramKey key, char* buffer, uint32_t size, int messageId,
                    uint32_t buttons) {
    const ProgramKeyInfo& info = kProgramKeys[key];
    return ReadSettingString(owner, info.section, info.key, buffer, size, messageId, buttons);
}

}  // namespace dt
