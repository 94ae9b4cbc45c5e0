// Command-line options, the default settings file and the operating-system classes.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"
#include "app/message_codes.h"

namespace dt {
namespace {

TEST(CommandLine, SetIsAWordOfItsOwnInAnyCase) {
    EXPECT_TRUE(ParseCommandLine("/set").openSettings);
    EXPECT_TRUE(ParseCommandLine("/SeT").openSettings);
    EXPECT_TRUE(ParseCommandLine("  foo /SET bar").openSettings);
    EXPECT_FALSE(ParseCommandLine("/settings").openSettings);
    EXPECT_FALSE(ParseCommandLine("x/set").openSettings);
    EXPECT_FALSE(ParseCommandLine("/set:1").openSettings);
    EXPECT_FALSE(ParseCommandLine("").examined);
    EXPECT_FALSE(ParseCommandLine(nullptr).examined);
}

TEST(CommandLine, LinesOf778CharactersOrMoreAreIgnoredWhole) {
    std::string tail = " /set /ini:\"a.ini\"";
    std::string ok = std::string(777 - tail.size(), 'x') + tail;
    CommandLineOptions accepted = ParseCommandLine(ok.c_str());
    EXPECT_TRUE(accepted.examined);
    EXPECT_TRUE(accepted.openSettings);
    EXPECT_TRUE(accepted.iniValid);
    EXPECT_STREQ(accepted.iniPath, "a.ini");

    std::string tooLong = "x" + ok;
    CommandLineOptions ignored = ParseCommandLine(tooLong.c_str());
    EXPECT_FALSE(ignored.examined);
    EXPECT_FALSE(ignored.openSettings);
    EXPECT_FALSE(ignored.iniGiven);
}

TEST(CommandLine, IniNameIsTrimmedTextBetweenQuotes) {
    CommandLineOptions o = ParseCommandLine("/INI:\"  C:\\My Files\\x.cfg \" /set");
    EXPECT_TRUE(o.iniValid);
    EXPECT_STREQ(o.iniPath, "C:\\My Files\\x.cfg");
    EXPECT_TRUE(o.openSettings);
    // No extension is added, relative names stay relative.
    o = ParseCommandLine("/ini:\"rel\\name\"");
    EXPECT_STREQ(o.iniPath, "rel\\name");
}

TEST(CommandLine, BadIniParametersAreRecognised) {
    const char* bad[] = {
        "/ini: \"a.ini\"",  // space before the quote
        "/ini:\"a.ini",     // no closing quote
        "/ini:\"   \"",     // only blanks
        "/ini:\"\"",        // empty
        "/ini:a.ini",       // no quote at all
    };
    for (const char* line : bad) {
        CommandLineOptions o = ParseCommandLine(line);
        EXPECT_TRUE(o.iniGiven) << line;
        EXPECT_FALSE(o.iniValid) << line;
    }
    std::string name259(259, 'n'), name260(260, 'n');
    EXPECT_TRUE(ParseCommandLine(("/ini:\"" + name259 + "\"").c_str()).iniValid);
    EXPECT_FALSE(ParseCommandLine(("/ini:\"" + name260 + "\"").c_str()).iniValid);
    // Glued to other text, the option is not there at all.
    EXPECT_FALSE(ParseCommandLine("x/ini:\"a\"").iniGiven);
}

TEST(DefaultSettingsPath, JoinsDirectoryAndProductName) {
    char path[kPathSize];
    ASSERT_TRUE(DefaultSettingsPath("C:\\Work", path, sizeof path));
    EXPECT_STREQ(path, "C:\\Work\\Dialtick.ini");
    ASSERT_TRUE(DefaultSettingsPath("C:\\", path, sizeof path));
    EXPECT_STREQ(path, "C:\\Dialtick.ini");
    // A directory too long for the path buffer is refused, never cut.
    std::string longDir = "C:\\" + std::string(250, 'd');
    EXPECT_FALSE(DefaultSettingsPath(longDir.c_str(), path, sizeof path));
    EXPECT_STREQ(path, "");
    std::string fits = "C:\\" + std::string(259 - 3 - 13, 'd');
    EXPECT_TRUE(DefaultSettingsPath(fits.c_str(), path, sizeof path));
    EXPECT_EQ(std::string(path).size(), 259u);
}

TEST(OsClass, VersionsMapToClasses) {
    EXPECT_EQ(ClassifyOs(false, 2, 10, 0), kOsUnknown);
    EXPECT_EQ(ClassifyOs(true, 0, 3, 1), kOsWin32s);
    EXPECT_EQ(ClassifyOs(true, 1, 3, 95), kOsUnknown);
    EXPECT_EQ(ClassifyOs(true, 1, 4, 0), kOsWin95);
    EXPECT_EQ(ClassifyOs(true, 1, 4, 10), kOsWin98);
    EXPECT_EQ(ClassifyOs(true, 1, 4, 90), kOsWin9xOther);
    EXPECT_EQ(ClassifyOs(true, 1, 5, 0), kOsWin9xOther);
    EXPECT_EQ(ClassifyOs(true, 2, 3, 51), kOsNtOld);
    EXPECT_EQ(ClassifyOs(true, 2, 4, 0), kOsNt4);
    EXPECT_EQ(ClassifyOs(true, 2, 5, 0), kOsNt5);
    EXPECT_EQ(ClassifyOs(true, 2, 5, 1), kOsNt51);
    EXPECT_EQ(ClassifyOs(true, 2, 5, 2), kOsNt51);
    EXPECT_EQ(ClassifyOs(true, 2, 6, 1), kOsNt5);
    EXPECT_EQ(ClassifyOs(true, 2, 10, 0), kOsNt5);
    EXPECT_EQ(ClassifyOs(true, 3, 10, 0), kOsUnknown);

    for (OsClass c : {kOsNt4, kOsNt5, kOsWin98, kOsWin95, kOsWin9xOther, kOsNt51}) {
        EXPECT_TRUE(OsCanRun(c)) << c;
    }
    for (OsClass c : {kOsUnknown, kOsNtOld, kOsWin32s}) EXPECT_FALSE(OsCanRun(c)) << c;
}

TEST(OsClass, ButtonSetsFollowTheSystemGeneration) {
    ButtonSets modern = ChooseButtonSets(kOsNt51);
    EXPECT_EQ(modern.readError, 1540u);
    EXPECT_EQ(modern.writeError, 516u);
    EXPECT_EQ(modern.retry, 1536u);
    EXPECT_EQ(ChooseButtonSets(kOsNt5).readError, 1540u);
    for (OsClass c : {kOsNt4, kOsWin98, kOsWin95, kOsWin9xOther}) {
        ButtonSets old = ChooseButtonSets(c);
        EXPECT_EQ(old.readError, 56u);
        EXPECT_EQ(old.writeError, 24u);
        EXPECT_EQ(old.retry, 48u);
    }
}

TEST(LibraryVersion, MinimumComparesMajorThenMinor) {
    EXPECT_TRUE(VersionAtLeast(4, 71, 4, 71));
    EXPECT_TRUE(VersionAtLeast(5, 0, 4, 71));
    EXPECT_FALSE(VersionAtLeast(4, 70, 4, 71));
    EXPECT_FALSE(VersionAtLeast(3, 99, 4, 0));
}

TEST(ErrorAnswers, RetryGiveUpOrGoOn) {
    EXPECT_EQ(ClassifyAnswer(kResultRetry), ErrorAnswer::kRepeat);
    EXPECT_EQ(ClassifyAnswer(kResultTryAgain), ErrorAnswer::kRepeat);
    EXPECT_EQ(ClassifyAnswer(kResultCancel), ErrorAnswer::kGiveUp);
    EXPECT_EQ(ClassifyAnswer(kResultAbort), ErrorAnswer::kGiveUp);
    for (int r : {kResultIgnore, kResultContinue, kResultOk, kResultAbsent, kResultNothingShown}) {
        EXPECT_EQ(ClassifyAnswer(r), ErrorAnswer::kGoOn) << r;
    }
}

}  // namespace
}  // namespace dt
