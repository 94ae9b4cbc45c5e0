// The program-wide settings: their keys, defaults and rules, and their reading at start-up.
#include "settings/program_settings.h"

#include <cstring>

#include "app/command_line.h"
#include "resources/resource_ids.h"
#include "settings/retrying_read.h"

namespace dt {

DisplaySettings g_displaySettings = {};

constexpr ProgramKeyInfo kProgramKeys[kProgramKeyCount] = {
    {kKeyOKText, "Colours", "OKText", KeyRule::kClamp, 65280, 0, 16777215, KeyCondition::kAlways},
    {kKeyOKBack, "Colours", "OKBack", KeyRule::kClamp, 0, 0, 16777215, KeyCondition::kAlways},
    {kKeyWarnText, "Colours", "WarnText", KeyRule::kClamp, 255, 0, 16777215, KeyCondition::kAlways},
    {kKeyWarnBack, "Colours", "WarnBack", KeyRule::kClamp, 0, 0, 16777215, KeyCondition::kAlways},
    {kKeyOffText, "Colours", "OffText", KeyRule::kClamp, 65535, 0, 16777215, KeyCondition::kAlways},
    {kKeyOffBack, "Colours", "OffBack", KeyRule::kClamp, 0, 0, 16777215, KeyCondition::kAlways},
    {kKeyTitleText, "Colours", "TitleText", KeyRule::kClamp, kDefaultButtonText, 0, 16777215,
     KeyCondition::kAlways},
    {kKeyTitleBack, "Colours", "TitleBack", KeyRule::kClamp, kDefaultButtonFace, 0, 16777215,
     KeyCondition::kAlways},
    {kKeyFace, "Font", "Face", KeyRule::kText, 0, 0, kFaceNameSize, KeyCondition::kAlways},
    {kKeySize, "Font", "Size", KeyRule::kClamp, 10, 8, 36, KeyCondition::kWithFace},
    {kKeyBold, "Font", "Bold", KeyRule::kFlag, 0, 0, 1, KeyCondition::kWithFace},
    {kKeyItalic, "Font", "Italic", KeyRule::kFlag, 0, 0, 1, KeyCondition::kWithFace},
    {kKeyOpacity, "Opacity", "Value", KeyRule::kRangeOrDefault, 100, 20, 100,
     KeyCondition::kWithLayered},
    {kKeyCatchClicks, "Opacity", "CatchClicks", KeyRule::kClickThrough, 1, 0, 1,
     KeyCondition::kWithLayered},
    {kKeyIcon, "Dialtick", "Icon", KeyRule::kFlag, 1, 0, 1, KeyCondition::kAlways},
    {kKeyConstrain, "Dialtick", "Constrain", KeyRule::kFlag, 1, 0, 1, KeyCondition::kAlways},
    {kKeySoundPlay, "Sound", "Play", KeyRule::kPlayMode, kNoSound, 0, 2, KeyCondition::kAlways},
    {kKeySoundFile, "Sound", "File", KeyRule::kText, 0, 0, 260, KeyCondition::kAlways},
    {kKeySoundWaveFile, "Sound", "WaveFile", KeyRule::kText, 0, 0, 260, KeyCondition::kWithoutFile},
    {kKeySoundBeepFreq, "Sound", "BeepFreq", KeyRule::kRangeOrDefault, 700, 50, 4000,
     KeyCondition::kAlways},
    {kKeySoundBeepCount, "Sound", "BeepCount", KeyRule::kRangeOrDefault, 3, 1, 9,
     KeyCondition::kAlways},
    {kKeyWarnPlay, "WarnSound", "Play", KeyRule::kPlayMode, kNoSound, 0, 2, KeyCondition::kAlways},
    {kKeyWarnFile, "WarnSound", "File", KeyRule::kText, 0, 0, 260, KeyCondition::kAlways},
    {kKeyWarnBeepFreq, "WarnSound", "BeepFreq", KeyRule::kRangeOrDefault, 700, 50, 4000,
     KeyCondition::kAlways},
    {kKeyWarnBeepCount, "WarnSound", "BeepCount", KeyRule::kRangeOrDefault, 3, 1, 9,
     KeyCondition::kAlways},
    {kKeyXPos, "Dialtick", "XPos", KeyRule::kAny, 0, 0, 0, KeyCondition::kAlways},
    {kKeyYPos, "Dialtick", "YPos", KeyRule::kAny, 0, 0, 0, KeyCondition::kAlways},
};

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0;
// The face is read through a buffer as large as the program's scratch texts.
constexpr uint32_t kFaceReadSize = 780;

constexpr bool TableInOrder() {
    for (int i = 0; i < kProgramKeyCount; ++i) {
        if (kProgramKeys[i].id != i) return false;
    }
    return true;
}
static_assert(TableInOrder(), "the key table is indexed by ProgramKey");

int32_t Apply(const ProgramKeyInfo& info, int32_t value, const ProgramSettingsInput& input) {
    switch (info.rule) {
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

// Where each colour key's value lives, and the stock colour that replaces it without a brush.
struct ColourSlot {
    ProgramKey key;
    DisplayColour slot;
    bool stockWhite;
};
constexpr ColourSlot kColourSlots[] = {
    {kKeyOKText, kConnectedText, true}, {kKeyOKBack, kConnectedBack, false},
    {kKeyWarnText, kWarningText, true}, {kKeyWarnBack, kWarningBack, false},
    {kKeyOffText, kOfflineText, true},  {kKeyOffBack, kOfflineBack, false},
    {kKeyTitleText, kTitleText, false}, {kKeyTitleBack, kTitleBack, true},
};

const ColourSlot* ColourSlotOf(ProgramKey key) {
    for (const ColourSlot& slot : kColourSlots) {
        if (slot.key == key) return &slot;
    }
    return nullptr;
}

void SetColour(const ColourSlot& slot, int32_t value, DisplaySettings* display,
               BrushMaker* brushes) {
    uint32_t colour = static_cast<uint32_t>(value);
    BrushRef brush = brushes ? brushes->MakeSolid(colour) : nullptr;
    if (!brush) {
        colour = slot.stockWhite ? kWhite : kBlack;
        brush = brushes ? brushes->Stock(slot.stockWhite) : nullptr;
    }
    display->colours[slot.slot] = colour;
    display->brushes[slot.slot] = brush;
}

// The number field that a key fills; null for texts and the position.
int32_t* FieldOf(ProgramKey key, DisplaySettings* display, SoundSettings* sounds) {
    SoundSpec& lost = sounds->alerts[kLostConnectionAlert];
    SoundSpec& warn = sounds->alerts[kWarningAlert];
    switch (key) {
        case kKeySize:
            return &display->size;
        case kKeyBold:
            return &display->bold;
        case kKeyItalic:
            return &display->italic;
        case kKeyOpacity:
            return &display->opacity;
        case kKeyCatchClicks:
            return &display->catchClicks;
        case kKeyIcon:
            return &display->taskbarIcon;
        case kKeyConstrain:
            return &display->keepInWorkArea;
        case kKeySoundPlay:
            return &lost.mode;
        case kKeySoundBeepFreq:
            return &lost.beepFrequency;
        case kKeySoundBeepCount:
            return &lost.beepCount;
        case kKeyWarnPlay:
            return &warn.mode;
        case kKeyWarnBeepFreq:
            return &warn.beepFrequency;
        case kKeyWarnBeepCount:
            return &warn.beepCount;
        default:
            return nullptr;
    }
}

char* TextFieldOf(ProgramKey key, SoundSettings* sounds) {
    switch (key) {
        case kKeySoundFile:
        case kKeySoundWaveFile:
            return sounds->alerts[kLostConnectionAlert].file;
        case kKeyWarnFile:
            return sounds->alerts[kWarningAlert].file;
        default:
            return nullptr;
    }
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

}  // namespace

bool LoadProgramSettings(const ProgramSettingsInput& input, DisplaySettings* display,
                         SoundSettings* sounds) {
    *display = DisplaySettings{};
    *sounds = SoundSettings{};
    const uint32_t buttons = input.readErrorButtons;
    bool faceRead = false;
    bool fileRead[2] = {false, false};

    for (int k = 0; k < kProgramKeyCount; ++k) {
        const ProgramKeyInfo& info = kProgramKeys[k];
        if (info.id == kKeyXPos || info.id == kKeyYPos) continue;
        // Which alert a sound key belongs to (the table lists Sound before WarnSound).
        const int alert = info.id >= kKeyWarnPlay ? kWarningAlert : kLostConnectionAlert;

        switch (info.condition) {
            case KeyCondition::kAlways:
                break;
            case KeyCondition::kWithFace:
                if (!faceRead) continue;
                break;
            case KeyCondition::kWithLayered:
                if (!input.layeredAvailable) {
                    *FieldOf(info.id, display, sounds) = DefaultOf(info, input);
                    continue;
                }
                break;
            case KeyCondition::kWithoutFile:
                if (fileRead[alert]) continue;
                break;
        }

        if (info.id == kKeyFace) {
            char face[kFaceReadSize] = "";
            ReadOutcome read = ReadStringRetrying(nullptr, info.section, info.key, face,
                                                  sizeof face, IDS_LOAD_CONFIG_FAILED, buttons);
            if (read == ReadOutcome::kStop) return false;
            // No font has a longer name than the field holds; a longer one is no font's name,
            // so it counts as absent rather than as the start of some other name.
            if (read == ReadOutcome::kValue && face[0] != '\0' &&
                std::strlen(face) < sizeof display->faceName) {
                std::memcpy(display->faceName, face, std::strlen(face) + 1);
                faceRead = true;
            }
            continue;
        }
        if (info.rule == KeyRule::kText) {
            char* file = TextFieldOf(info.id, sounds);
            ReadOutcome read = ReadStringRetrying(nullptr, info.section, info.key, file,
                                                  static_cast<uint32_t>(info.high),
                                                  IDS_LOAD_CONFIG_FAILED, buttons);
            if (read == ReadOutcome::kStop) return false;
            file[info.high - 1] = '\0';
            if (read == ReadOutcome::kValue && file[0] != '\0') {
                fileRead[alert] = true;
            } else {
                file[0] = '\0';
            }
            // The file keys come right after Play; without a file name there is nothing to play.
            const bool lastFileKey = info.id == kKeySoundWaveFile || info.id == kKeyWarnFile;
            if (lastFileKey && !fileRead[alert] && sounds->alerts[alert].mode == kPlayFile) {
                sounds->alerts[alert].mode = kNoSound;
            }
            continue;
        }

        int32_t value = 0;
        if (ReadNumber(info, input, buttons, &value) == ReadOutcome::kStop) return false;
        if (const ColourSlot* slot = ColourSlotOf(info.id)) {
            SetColour(*slot, value, display, input.brushes);
        } else {
            *FieldOf(info.id, display, sounds) = value;
        }
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

}  // namespace dt
