// Start-up's settings file steps: choosing the file, loading with retry, proving it writable.
#include <gtest/gtest.h>

#include <cstring>

#include "app/message_codes.h"
#include "app/startup.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "support/fake_platform.h"

namespace dt {
namespace {

using test::FakeFileSystem;
using test::ScriptedMessages;

class StartupTest : public ::testing::Test {
  protected:
    void TearDown() override { Settings().Reset(); }
    FakeFileSystem files;
    ScriptedMessages messages;
};

TEST_F(StartupTest, PathComesFromOptionOrCurrentDirectory) {
    char path[kPathSize];
    CommandLineOptions none = ParseCommandLine("");
    EXPECT_EQ(ChooseSettingsPath(none, "C:\\Run", path, sizeof path), SettingsPathChoice::kDefault);
    EXPECT_STREQ(path, "C:\\Run\\Dialtick.ini");
    CommandLineOptions given = ParseCommandLine("/ini:\"my.ini\"");
    EXPECT_EQ(ChooseSettingsPath(given, "C:\\Run", path, sizeof path),
              SettingsPathChoice::kFromCommandLine);
    EXPECT_STREQ(path, "my.ini");
    CommandLineOptions bad = ParseCommandLine("/ini: \"my.ini\"");
    EXPECT_EQ(ChooseSettingsPath(bad, "C:\\Run", path, sizeof path),
              SettingsPathChoice::kBadParameter);
}

TEST_F(StartupTest, LoadFailureAsksRetryOrCancelAndRetryLoadsAgain) {
    files.SetFile("s.ini", "[A]\r\nk=v\r\n");
    files.FailOpen(kErrorSharingViolation, 4);  // one whole Load: four attempts
    messages.Queue(kResultRetry);
    EXPECT_EQ(LoadSettingsWithRetry("s.ini"), StartupResult::kContinue);
    ASSERT_EQ(messages.Count(), 1u);
    const auto& shown = messages.Last();
    EXPECT_EQ(shown.code, kErrorSharingViolation);
    EXPECT_EQ(shown.iconType, kIconStop);
    EXPECT_EQ(shown.buttons, kButtonCancel | kButtonRetry);
    EXPECT_NE(shown.text.find("Dialtick is unable to open the file\r\n's.ini'."), std::string::npos)
        << shown.text;
    EXPECT_TRUE(Settings().IsLoaded());
}

TEST_F(StartupTest, LoadFailureWithCancelEnds) {
    files.FailOpen(kErrorAccessDenied, 100);
    messages.Queue(kResultCancel);
    EXPECT_EQ(LoadSettingsWithRetry("s.ini"), StartupResult::kEndWithGeneralMessage);
    EXPECT_EQ(messages.Count(), 1u);
}

TEST_F(StartupTest, WriteTestLeavesNoTraceOfItself) {
    files.SetFile("s.ini", "[Dialtick]\r\nXPos=3\r\n");
    ASSERT_EQ(LoadSettingsWithRetry("s.ini"), StartupResult::kContinue);
    EXPECT_EQ(ProveSettingsWritable(kButtonCancel | kButtonTryAgain), StartupResult::kContinue);
    EXPECT_EQ(files.FileBytes("s.ini"), "[Dialtick]\r\nXPos=3");
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(StartupTest, WriteTestFailureFollowsTheAnswer) {
    files.SetFile("s.ini", "[Dialtick]\r\nXPos=3");
    ASSERT_EQ(LoadSettingsWithRetry("s.ini"), StartupResult::kContinue);

    // Try Again after the cause is gone goes on; the section is gone from the disk.
    files.FailSaves(kErrorAccessDenied);
    messages.Queue(kResultTryAgain);
    EXPECT_EQ(ProveSettingsWritable(kButtonCancel | kButtonTryAgain), StartupResult::kContinue);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Last().textId, IDS_SAVE_CONFIG_FAILED);
    EXPECT_EQ(messages.Last().buttons, kButtonCancel | kButtonTryAgain);
    EXPECT_EQ(files.FileBytes("s.ini"), "[Dialtick]\r\nXPos=3");

    // Cancel ends the program.
    messages.Clear();
    files.FailSaves(kErrorAccessDenied);
    messages.Queue(kResultCancel);
    EXPECT_EQ(ProveSettingsWritable(kButtonCancel | kButtonTryAgain),
              StartupResult::kEndWithGeneralMessage);

    // Ignore goes on without the proof.
    messages.Clear();
    files.FailSaves(kErrorAccessDenied);
    messages.Queue(kResultIgnore);
    EXPECT_EQ(ProveSettingsWritable(kButtonAbort | kButtonRetry), StartupResult::kContinue);
}

}  // namespace
}  // namespace dt
