// Tests of reading the program-wide settings at start-up: defaults, rules, and read errors.
#include "settings/program_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "app/command_line.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "support/fake_platform.h"

namespace dt {
namespace {

using test::FakeFileSystem;
using test::ScriptedMessages;

constexpr const char* kPath = "C:\\Dialtick.ini";
constexpr uint32_t kButtonTextColour = 0x123456;
constexpr uint32_t kButtonFaceColour = 0xC0C0C0;

// Hands out made-up brushes and refuses the colours it is told to.
class FakeBrushes : public BrushMaker {
  public:
    BrushRef MakeSolid(uint32_t colour) override {
        if (refused.count(colour)) return nullptr;
        made.push_back(colour);
        return reinterpret_cast<BrushRef>(static_cast<uintptr_t>(0x10000 + made.size()));
    }
    BrushRef Stock(bool white) override { return white ? kStockWhite : kStockBlack; }

    static inline BrushRef const kStockWhite = reinterpret_cast<BrushRef>(uintptr_t{0xFFF1});
    static inline BrushRef const kStockBlack = reinterpret_cast<BrushRef>(uintptr_t{0xFFF2});
    std::set<uint32_t> refused;
    std::vector<uint32_t> made;
};

class ProgramSettingsTest : public ::testing::Test {
  protected:
    void TearDown() override { Settings().Reset(); }

    void UseFile(const std::string& text) {
        Settings().Reset();
        files.SetFile(kPath, text);
        SysError error = 0;
        ASSERT_TRUE(Settings().Load(kPath, &error)) << error;
    }
    ProgramSettingsInput Input(int osClass = kOsNt51, bool layered = true) {
        ProgramSettingsInput input{};
        input.osClass = osClass;
        input.layeredAvailable = layered;
        input.buttonTextColour = kButtonTextColour;
        input.buttonFaceColour = kButtonFaceColour;
        input.readErrorButtons = 1540;
        input.brushes = &brushes;
        return input;
    }
    bool Load(const ProgramSettingsInput& input) {
        std::memset(&display, 0x5A, sizeof display);
        std::memset(&sounds, 0x5A, sizeof sounds);
        return LoadProgramSettings(input, &display, &sounds);
    }
    bool Load() { return Load(Input()); }
    const SoundSpec& Lost() const { return sounds.alerts[kLostConnectionAlert]; }
    const SoundSpec& Warn() const { return sounds.alerts[kWarningAlert]; }

    FakeFileSystem files;
    ScriptedMessages messages;
    FakeBrushes brushes;
    DisplaySettings display;
    SoundSettings sounds;
};

// What the documentation promises for an empty file: green on black when connected, red on black
// at the warning time, yellow on black offline, the system's button colours for the title, no
// font of its own, opacity 100, clicks caught, the icon shown, windows kept in the work area, no
// sounds but beeps of 3 at 700 Hz when chosen.
void DocumentedDefaults(DisplaySettings* display, SoundSettings* sounds) {
    *display = DisplaySettings{};
    display->colours[kConnectedText] = 65280;
    display->colours[kConnectedBack] = 0;
    display->colours[kWarningText] = 255;
    display->colours[kWarningBack] = 0;
    display->colours[kOfflineText] = 65535;
    display->colours[kOfflineBack] = 0;
    display->colours[kTitleText] = kButtonTextColour;
    display->colours[kTitleBack] = kButtonFaceColour;
    display->opacity = 100;
    display->catchClicks = 1;
    display->taskbarIcon = 1;
    display->keepInWorkArea = 1;
    *sounds = SoundSettings{};
    for (SoundSpec& spec : sounds->alerts) {
        spec.mode = kNoSound;
        spec.beepCount = 3;
        spec.beepFrequency = 700;
    }
}

// Every field but the brushes, which are checked on their own.
void ExpectSameSettings(const DisplaySettings& d, const SoundSettings& s,
                        const DisplaySettings& expectedDisplay,
                        const SoundSettings& expectedSounds) {
    EXPECT_STREQ(d.faceName, expectedDisplay.faceName);
    EXPECT_EQ(d.size, expectedDisplay.size);
    EXPECT_EQ(d.bold, expectedDisplay.bold);
    EXPECT_EQ(d.italic, expectedDisplay.italic);
    for (int i = 0; i < kDisplayColourCount; ++i) {
        EXPECT_EQ(d.colours[i], expectedDisplay.colours[i]) << "colour " << i;
    }
    EXPECT_EQ(d.opacity, expectedDisplay.opacity);
    EXPECT_EQ(d.catchClicks, expectedDisplay.catchClicks);
    EXPECT_EQ(d.taskbarIcon, expectedDisplay.taskbarIcon);
    EXPECT_EQ(d.keepInWorkArea, expectedDisplay.keepInWorkArea);
    for (int a : {kLostConnectionAlert, kWarningAlert}) {
        EXPECT_EQ(s.alerts[a].mode, expectedSounds.alerts[a].mode) << "alert " << a;
        EXPECT_STREQ(s.alerts[a].file, expectedSounds.alerts[a].file) << "alert " << a;
        EXPECT_EQ(s.alerts[a].beepCount, expectedSounds.alerts[a].beepCount) << "alert " << a;
        EXPECT_EQ(s.alerts[a].beepFrequency, expectedSounds.alerts[a].beepFrequency)
            << "alert " << a;
    }
}

TEST_F(ProgramSettingsTest, AnEmptyFileGivesTheDefaults) {
    UseFile("");
    ASSERT_TRUE(Load());
    DisplaySettings documented;
    SoundSettings documentedSounds;
    DocumentedDefaults(&documented, &documentedSounds);
    ExpectSameSettings(display, sounds, documented, documentedSounds);
    for (int i = 0; i < kDisplayColourCount; ++i) {
        EXPECT_NE(display.brushes[i], nullptr) << i;
        EXPECT_NE(display.brushes[i], FakeBrushes::kStockWhite) << i;
    }
    // Brushes are made in reading order: OKText first, TitleBack last.
    EXPECT_EQ(brushes.made, (std::vector<uint32_t>{65280, 0, 255, 0, 65535, 0, kButtonTextColour,
                                                   kButtonFaceColour}));
    int32_t x = 5, y = 5;
    ASSERT_TRUE(ReadWindowPosition(1540, &x, &y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(messages.Count(), 0u);
}

struct RuleCase {
    const char* text;  // the settings file
    std::function<int32_t(const DisplaySettings&, const SoundSettings&)> field;
    int32_t expected;
};

int32_t OkText(const DisplaySettings& d, const SoundSettings&) {
    return static_cast<int32_t>(d.colours[kConnectedText]);
}

TEST_F(ProgramSettingsTest, EveryStoredValueGoesThroughItsKeysRule) {
    auto size = [](const DisplaySettings& d, const SoundSettings&) { return d.size; };
    auto bold = [](const DisplaySettings& d, const SoundSettings&) { return d.bold; };
    auto italic = [](const DisplaySettings& d, const SoundSettings&) { return d.italic; };
    auto opacity = [](const DisplaySettings& d, const SoundSettings&) { return d.opacity; };
    auto clicks = [](const DisplaySettings& d, const SoundSettings&) { return d.catchClicks; };
    auto icon = [](const DisplaySettings& d, const SoundSettings&) { return d.taskbarIcon; };
    auto constrain = [](const DisplaySettings& d, const SoundSettings&) {
        return d.keepInWorkArea;
    };
    auto freq = [](const DisplaySettings&, const SoundSettings& s) {
        return s.alerts[kLostConnectionAlert].beepFrequency;
    };
    auto count = [](const DisplaySettings&, const SoundSettings& s) {
        return s.alerts[kLostConnectionAlert].beepCount;
    };
    auto warnFreq = [](const DisplaySettings&, const SoundSettings& s) {
        return s.alerts[kWarningAlert].beepFrequency;
    };
    auto warnCount = [](const DisplaySettings&, const SoundSettings& s) {
        return s.alerts[kWarningAlert].beepCount;
    };
    const RuleCase cases[] = {
        {"[Colours]\r\nOKText=-5", OkText, 0},
        {"[Colours]\r\nOKText=16777216", OkText, 16777215},
        {"[Colours]\r\nOKText=16777215", OkText, 16777215},
        {"[Colours]\r\nOKText=0", OkText, 0},
        {"[Colours]\r\nOKText=2147483647", OkText, 16777215},
        {"[Colours]\r\nOKText=99999999999", OkText, 65280},  // not a 32-bit number: absent
        {"[Colours]\r\nOKText=green", OkText, 65280},
        {"[Font]\r\nFace=Arial\r\nSize=4", size, 8},
        {"[Font]\r\nFace=Arial\r\nSize=72", size, 36},
        {"[Font]\r\nFace=Arial\r\nSize=8", size, 8},
        {"[Font]\r\nFace=Arial\r\nSize=36", size, 36},
        {"[Font]\r\nFace=Arial\r\nSize=12", size, 12},
        {"[Font]\r\nFace=Arial", size, 10},
        {"[Font]\r\nFace=Arial\r\nBold=5", bold, 1},
        {"[Font]\r\nFace=Arial\r\nBold=0", bold, 0},
        {"[Font]\r\nFace=Arial\r\nItalic=-1", italic, 1},
        {"[Font]\r\nFace=Arial", italic, 0},
        {"[Opacity]\r\nValue=10", opacity, 100},
        {"[Opacity]\r\nValue=19", opacity, 100},
        {"[Opacity]\r\nValue=20", opacity, 20},
        {"[Opacity]\r\nValue=100", opacity, 100},
        {"[Opacity]\r\nValue=101", opacity, 100},
        {"[Opacity]\r\nValue=55", opacity, 55},
        {"[Opacity]\r\nCatchClicks=1", clicks, 0},
        {"[Opacity]\r\nCatchClicks=2", clicks, 1},
        {"[Opacity]\r\nCatchClicks=0", clicks, 1},
        {"[Opacity]\r\nCatchClicks=-1", clicks, 1},
        {"[Dialtick]\r\nIcon=0", icon, 0},
        {"[Dialtick]\r\nIcon=7", icon, 1},
        {"[Dialtick]\r\nConstrain=0", constrain, 0},
        {"[Sound]\r\nBeepFreq=40", freq, 700},
        {"[Sound]\r\nBeepFreq=49", freq, 700},
        {"[Sound]\r\nBeepFreq=50", freq, 50},
        {"[Sound]\r\nBeepFreq=4000", freq, 4000},
        {"[Sound]\r\nBeepFreq=4001", freq, 700},
        {"[Sound]\r\nBeepCount=0", count, 3},
        {"[Sound]\r\nBeepCount=1", count, 1},
        {"[Sound]\r\nBeepCount=9", count, 9},
        {"[Sound]\r\nBeepCount=10", count, 3},
        {"[WarnSound]\r\nBeepFreq=40", warnFreq, 700},
        {"[WarnSound]\r\nBeepFreq=1234", warnFreq, 1234},
        {"[WarnSound]\r\nBeepCount=10", warnCount, 3},
        {"[WarnSound]\r\nBeepCount=5", warnCount, 5},
    };
    for (const RuleCase& c : cases) {
        UseFile(c.text);
        ASSERT_TRUE(Load()) << c.text;
        EXPECT_EQ(c.field(display, sounds), c.expected) << c.text;
    }
    EXPECT_EQ(messages.Count(), 0u);
}

// Where the table puts a number key's value (the named-field tests above pin each place down).
int32_t NumberOf(const ProgramKeyInfo& info, const DisplaySettings& d, const SoundSettings& s) {
    const char* home = info.home == KeyHome::kDisplay ? reinterpret_cast<const char*>(&d)
                       : info.home == KeyHome::kLostSound
                           ? reinterpret_cast<const char*>(&s.alerts[kLostConnectionAlert])
                           : reinterpret_cast<const char*>(&s.alerts[kWarningAlert]);
    int32_t value;
    std::memcpy(&value, home + info.offset, sizeof value);
    return value;
}

TEST_F(ProgramSettingsTest, EveryNumberKeyKeepsItsBoundsByItsRule) {
    for (const ProgramKeyInfo& info : kProgramKeys) {
        if (info.condition == KeyCondition::kByOwner || info.rule == KeyRule::kText ||
            info.rule == KeyRule::kName) {
            continue;
        }
        // (stored, loaded) pairs at and beyond the bounds.
        std::vector<std::pair<int64_t, int32_t>> cases;
        const int32_t belowLow =
            info.rule == KeyRule::kRangeOrDefault ? info.defaultValue : info.low;
        const int32_t aboveHigh =
            info.rule == KeyRule::kRangeOrDefault ? info.defaultValue : info.high;
        switch (info.rule) {
            case KeyRule::kFlag:
                cases = {{0, 0}, {1, 1}, {-7, 1}, {INT32_MAX, 1}};
                break;
            case KeyRule::kClickThrough:
                cases = {{1, 0}, {0, 1}, {2, 1}, {-1, 1}};
                break;
            case KeyRule::kPlayMode:
                cases = {{0, kNoSound}, {2, kBeep}, {3, kNoSound}, {-1, kNoSound}};
                break;
            default:
                cases = {{info.low, info.low},
                         {info.high, info.high},
                         {int64_t{info.low} - 1, belowLow},
                         {int64_t{info.high} + 1, aboveHigh},
                         {INT32_MIN + 1, belowLow},
                         {INT32_MAX, aboveHigh}};
        }
        for (const auto& [stored, loaded] : cases) {
            std::string text =
                std::string("[") + info.section + "]\r\n" + info.key + "=" + std::to_string(stored);
            if (info.condition == KeyCondition::kWithFace) text += "\r\nFace=Arial";
            UseFile(text);
            ASSERT_TRUE(Load()) << text;
            EXPECT_EQ(NumberOf(info, display, sounds), loaded) << info.section << " " << text;
        }
    }
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(ProgramSettingsTest, EveryKeyWrittenFromTheRecordsReadsBackEqual) {
    UseFile("[Dialtick]\r\nIcon=1");
    DisplaySettings written{};
    std::snprintf(written.faceName, sizeof written.faceName, "Lucida  Console");
    written.size = 14;
    written.bold = 1;
    written.italic = 1;
    for (int i = 0; i < kDisplayColourCount; ++i) written.colours[i] = 0x102030u * (i + 1);
    written.opacity = 55;
    written.catchClicks = 0;
    written.taskbarIcon = 0;
    written.keepInWorkArea = 0;
    SoundSettings writtenSounds{};
    writtenSounds.alerts[kLostConnectionAlert] = {kBeep, "C:\\lost sound.wav", 4, 440};
    writtenSounds.alerts[kWarningAlert] = {kPlayFile, "warn.wav", 9, 4000};

    for (const ProgramKeyInfo& info : kProgramKeys) {
        const int result = WriteProgramKey(nullptr, info.id, written, writtenSounds,
                                           IDS_SAVE_CONFIG_FAILED, 1540, false);
        // The older file name is never written; the owners write their own keys.
        const bool held =
            info.home != KeyHome::kOwner && info.condition != KeyCondition::kWithoutFile;
        EXPECT_EQ(result, held ? 0 : kResultAbsent) << info.key;
    }
    EXPECT_EQ(WriteProgramNumber(nullptr, kKeyXPos, -40, 0, 0, false), 0);
    EXPECT_EQ(WriteProgramNumber(nullptr, kKeyYPos, 2147483647, 0, 0, false), 0);
    EXPECT_EQ(WriteProgramText(nullptr, kKeyLast, "My ISP", 0, 0, false), 0);
    ASSERT_EQ(SaveSettings(nullptr, IDS_SAVE_CONFIG_FAILED, 1540), 0);
    // The file says whether clicks pass through; the record whether they are caught.
    const std::string stored = Settings().Text();
    EXPECT_NE(stored.find("[Opacity]\r\nValue=55\r\nCatchClicks=1"), std::string::npos);
    EXPECT_EQ(stored.find("WaveFile"), std::string::npos);

    UseFile(files.FileBytes(kPath));
    ASSERT_TRUE(Load());
    ExpectSameSettings(display, sounds, written, writtenSounds);
    int32_t x = 0, y = 0;
    ASSERT_TRUE(ReadWindowPosition(1540, &x, &y));
    EXPECT_EQ(x, -40);
    EXPECT_EQ(y, 2147483647);
    char last[16];
    ASSERT_EQ(ReadProgramText(nullptr, kKeyLast, last, sizeof last, 0, 0), 0);
    EXPECT_STREQ(last, "My ISP");
    EXPECT_EQ(messages.Count(), 0u);

    // A key its owner reads goes through its rule: only pages 0 to 3 exist.
    for (const auto& [stored, read] : {std::pair<int32_t, int32_t>{3, 3}, {4, 0}, {-1, 0}}) {
        ASSERT_EQ(WriteProgramNumber(nullptr, kKeySet, stored, 0, 0, false), 0);
        int32_t page = -5;
        EXPECT_EQ(ReadProgramNumber(nullptr, kKeySet, 0, 0, &page), 0);
        EXPECT_EQ(page, read) << stored;
    }
}

TEST_F(ProgramSettingsTest, EveryColourIsKeptWithinTheColourRange) {
    UseFile(
        "[Colours]\r\nOKText=-1\r\nOKBack=16777216\r\nWarnText=-2147483647\r\n"
        "WarnBack=2147483647\r\nOffText=1\r\nOffBack=16777214\r\nTitleText=-9\r\n"
        "TitleBack=20000000");
    ASSERT_TRUE(Load());
    const uint32_t expected[kDisplayColourCount] = {0, 16777215, 0, 16777215,
                                                    0, 16777215, 1, 16777214};
    for (int i = 0; i < kDisplayColourCount; ++i) EXPECT_EQ(display.colours[i], expected[i]) << i;
}

TEST_F(ProgramSettingsTest, FontDetailsAreReadOnlyWithAFace) {
    UseFile("[Font]\r\nSize=20\r\nBold=1\r\nItalic=1");
    ASSERT_TRUE(Load());
    EXPECT_STREQ(display.faceName, "");
    EXPECT_EQ(display.size, 0);
    EXPECT_EQ(display.bold, 0);
    EXPECT_EQ(display.italic, 0);

    const std::string face31(31, 'f');
    UseFile("[Font]\r\nFace=" + face31 + "\r\nSize=20\r\nBold=1");
    ASSERT_TRUE(Load());
    EXPECT_EQ(std::string(display.faceName), face31);
    EXPECT_EQ(display.size, 20);
    EXPECT_EQ(display.bold, 1);

    // No font has a longer name: such a face counts as absent, with its details.
    for (size_t length : {32u, 100u, 779u}) {
        UseFile("[Font]\r\nFace=" + std::string(length, 'f') + "\r\nSize=20\r\nBold=1");
        ASSERT_TRUE(Load()) << length;
        EXPECT_STREQ(display.faceName, "") << length;
        EXPECT_EQ(display.size, 0) << length;
        EXPECT_EQ(display.bold, 0) << length;
    }
    EXPECT_EQ(messages.Count(), 0u);
    // Longer than the read buffer: a read error, asked about like any other.
    messages.SetDefaultAnswer(kResultContinue);
    UseFile("[Font]\r\nFace=" + std::string(780, 'f') + "\r\nSize=20");
    ASSERT_TRUE(Load());
    EXPECT_STREQ(display.faceName, "");
    EXPECT_EQ(display.size, 0);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Last().textId, IDS_LOAD_CONFIG_FAILED);
    EXPECT_EQ(messages.Last().code, kErrorInsufficientBuffer);
}

TEST_F(ProgramSettingsTest, OpacityNeedsLayeredWindows) {
    UseFile("[Opacity]\r\nValue=50\r\nCatchClicks=1");
    ASSERT_TRUE(Load(Input(kOsNt51, false)));
    EXPECT_EQ(display.opacity, 100);
    EXPECT_EQ(display.catchClicks, 1);
    ASSERT_TRUE(Load(Input(kOsNt51, true)));
    EXPECT_EQ(display.opacity, 50);
    EXPECT_EQ(display.catchClicks, 0);
}

TEST_F(ProgramSettingsTest, BeepsAreKeptOnlyOnWindowsNt) {
    UseFile("[Sound]\r\nPlay=2\r\n[WarnSound]\r\nPlay=2");
    const struct {
        int osClass;
        int32_t mode;
    } cases[] = {{kOsNt4, kBeep}, {kOsNt5, kBeep}, {kOsNt51, kBeep},
                 {kOsWin98, 0},   {kOsWin95, 0},   {kOsWin9xOther, 0}};
    for (const auto& c : cases) {
        ASSERT_TRUE(Load(Input(c.osClass)));
        EXPECT_EQ(Lost().mode, c.mode) << c.osClass;
        EXPECT_EQ(Warn().mode, c.mode) << c.osClass;
    }
    for (const char* play : {"3", "-1", "x"}) {
        UseFile(std::string("[Sound]\r\nPlay=") + play + "\r\nFile=a.wav");
        ASSERT_TRUE(Load());
        EXPECT_EQ(Lost().mode, kNoSound) << play;
    }
}

TEST_F(ProgramSettingsTest, PlayingAFileNeedsAFileName) {
    UseFile("[Sound]\r\nPlay=1\r\n[WarnSound]\r\nPlay=1");
    ASSERT_TRUE(Load());
    EXPECT_EQ(Lost().mode, kNoSound);
    EXPECT_EQ(Warn().mode, kNoSound);

    UseFile("[Sound]\r\nPlay=1\r\nFile=C:\\lost.wav\r\n[WarnSound]\r\nPlay=1\r\nFile=warn.mid");
    ASSERT_TRUE(Load());
    EXPECT_EQ(Lost().mode, kPlayFile);
    EXPECT_STREQ(Lost().file, "C:\\lost.wav");
    EXPECT_EQ(Warn().mode, kPlayFile);
    EXPECT_STREQ(Warn().file, "warn.mid");

    // The older name is tried for the lost-connection sound only, and only without File.
    UseFile("[Sound]\r\nPlay=1\r\nWaveFile=old.wav\r\n[WarnSound]\r\nPlay=1\r\nWaveFile=old.wav");
    ASSERT_TRUE(Load());
    EXPECT_EQ(Lost().mode, kPlayFile);
    EXPECT_STREQ(Lost().file, "old.wav");
    EXPECT_EQ(Warn().mode, kNoSound);
    EXPECT_STREQ(Warn().file, "");
    UseFile("[Sound]\r\nPlay=1\r\nFile=new.wav\r\nWaveFile=old.wav");
    ASSERT_TRUE(Load());
    EXPECT_STREQ(Lost().file, "new.wav");
    // A file is kept for a later choice even when beeps or nothing are chosen.
    UseFile("[Sound]\r\nPlay=0\r\nFile=kept.wav");
    ASSERT_TRUE(Load());
    EXPECT_EQ(Lost().mode, kNoSound);
    EXPECT_STREQ(Lost().file, "kept.wav");
}

TEST_F(ProgramSettingsTest, FileNamesFillTheirFieldButNeverOverrunIt) {
    const std::string name259 = "C:\\" + std::string(256, 'w');
    UseFile("[Sound]\r\nPlay=1\r\nFile=" + name259);
    ASSERT_TRUE(Load());
    EXPECT_EQ(std::string(Lost().file), name259);
    EXPECT_EQ(Lost().mode, kPlayFile);

    // One more character does not fit: a read error; going on leaves no file and no playing.
    messages.SetDefaultAnswer(kResultContinue);
    UseFile("[Sound]\r\nPlay=1\r\nFile=" + name259 + "x\r\nWaveFile=" + name259 + "y");
    ASSERT_TRUE(Load());
    EXPECT_STREQ(Lost().file, "");
    EXPECT_EQ(Lost().mode, kNoSound);
    EXPECT_EQ(messages.Count(), 2u);  // File, then WaveFile
    EXPECT_EQ(Lost().beepCount, 3);   // the keys after it are read as usual

    messages.Clear();
    messages.SetDefaultAnswer(kResultCancel);
    EXPECT_FALSE(Load());
    EXPECT_EQ(messages.Count(), 1u);
}

TEST_F(ProgramSettingsTest, ReadErrorsAskForEachKeyThatIsRead) {
    Settings().Reset();  // every read now fails with a real error
    messages.SetDefaultAnswer(kResultContinue);
    ASSERT_TRUE(Load());
    // 8 colours, Face, 2 opacity keys, Icon, Constrain, 5 Sound keys and 4 WarnSound keys.
    EXPECT_EQ(messages.Count(), 22u);
    for (const auto& shown : messages.Messages()) {
        EXPECT_EQ(shown.textId, IDS_LOAD_CONFIG_FAILED);
        EXPECT_EQ(shown.buttons, 1540u);
        EXPECT_EQ(shown.owner, nullptr);
    }
    DisplaySettings documented;
    SoundSettings documentedSounds;
    DocumentedDefaults(&documented, &documentedSounds);
    ExpectSameSettings(display, sounds, documented, documentedSounds);

    // Abort on the fifth question: start-up must fail; the brushes made so far are kept.
    messages.Clear();
    ProgramSettingsInput old = Input(kOsWin98);
    old.readErrorButtons = 56;
    messages.Queue(
        {kResultIgnore, kResultRetry, kResultIgnore, kResultIgnore, kResultIgnore, kResultAbort});
    brushes.made.clear();
    EXPECT_FALSE(Load(old));
    EXPECT_EQ(messages.Count(), 6u);
    EXPECT_EQ(messages.Last().buttons, 56u);
    EXPECT_EQ(brushes.made.size(), 4u);
    EXPECT_NE(display.brushes[kConnectedText], nullptr);
    EXPECT_NE(display.brushes[kWarningBack], nullptr);

    messages.Clear();
    messages.SetDefaultAnswer(kResultCancel);
    int32_t x = 0, y = 0;
    EXPECT_FALSE(ReadWindowPosition(1540, &x, &y));
    EXPECT_EQ(messages.Count(), 1u);
}

TEST_F(ProgramSettingsTest, AColourWithoutABrushFallsBackToAStockOne) {
    UseFile(
        "[Colours]\r\nOKText=1\r\nOKBack=2\r\nWarnText=3\r\nWarnBack=4\r\nOffText=5\r\n"
        "OffBack=6\r\nTitleText=7\r\nTitleBack=8");
    brushes.refused = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(Load());
    const struct {
        DisplayColour slot;
        bool white;
    } expected[] = {{kConnectedText, true}, {kConnectedBack, false}, {kWarningText, true},
                    {kWarningBack, false},  {kOfflineText, true},    {kOfflineBack, false},
                    {kTitleText, false},    {kTitleBack, true}};
    for (const auto& e : expected) {
        EXPECT_EQ(display.colours[e.slot], e.white ? 0xFFFFFFu : 0u) << e.slot;
        EXPECT_EQ(display.brushes[e.slot],
                  e.white ? FakeBrushes::kStockWhite : FakeBrushes::kStockBlack)
            << e.slot;
    }
    brushes.refused = {3};
    ASSERT_TRUE(Load());
    EXPECT_EQ(display.colours[kWarningText], 0xFFFFFFu);
    EXPECT_EQ(display.colours[kWarningBack], 4u);
}

TEST_F(ProgramSettingsTest, TheWindowPositionIsTakenAsStored) {
    UseFile("[Dialtick]\r\nXPos=-120\r\nYPos=2147483647");
    int32_t x = 0, y = 0;
    ASSERT_TRUE(ReadWindowPosition(1540, &x, &y));
    EXPECT_EQ(x, -120);
    EXPECT_EQ(y, 2147483647);
    UseFile("[Dialtick]\r\nXPos=12.5\r\nYPos=99999999999");
    ASSERT_TRUE(ReadWindowPosition(1540, &x, &y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

}  // namespace
}  // namespace dt
