// Tests of the settings reporting operations: what is shown for which failure, and what returns.
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "support/fake_platform.h"

namespace dt {
namespace {

using test::FakeFileSystem;
using test::ScriptedMessages;

const char kPath[] = "dialtick.ini";
WindowRef const kOwner = reinterpret_cast<WindowRef>(0x1234);
constexpr uint32_t kRetryCancel = kButtonCancel | kButtonRetry;

class ReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        files.SetFile(kPath, "[Dialtick]\r\nFont=Arial\r\nXPos=12\r\nBad=1x\r\nBig=13000000000");
        SysError error = 0;
        ASSERT_TRUE(Settings().Load(kPath, &error));
    }
    void TearDown() override { Settings().Reset(); }

    void ExpectSystemError(SysError code, uint32_t buttons) {
        const auto& shown = messages.Last();
        EXPECT_EQ(shown.owner, kOwner);
        EXPECT_EQ(shown.textId, IDS_SAVE_CONFIG_FAILED);
        EXPECT_EQ(shown.captionId, IDS_DIALTICK_ERROR);
        EXPECT_EQ(shown.code, code);
        EXPECT_EQ(shown.iconType, kIconExclamation);
        EXPECT_EQ(shown.buttons, buttons);
    }

    FakeFileSystem files;
    ScriptedMessages messages;
};

TEST_F(ReportTest, ReadsAreSilentAboutAbsentAndBadValues) {
    char buffer[32];
    int32_t value = 7;
    int64_t wide = 7;
    EXPECT_EQ(ReadSettingString(kOwner, "Dialtick", "Font", buffer, sizeof buffer,
                                IDS_LOAD_CONFIG_FAILED, kRetryCancel),
              0);
    EXPECT_STREQ(buffer, "Arial");
    EXPECT_EQ(
        ReadSettingInt(kOwner, "Dialtick", "XPos", &value, IDS_LOAD_CONFIG_FAILED, kRetryCancel),
        0);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(
        ReadSettingInt64(kOwner, "Dialtick", "Big", &wide, IDS_LOAD_CONFIG_FAILED, kRetryCancel),
        0);
    EXPECT_EQ(wide, 13000000000LL);

    EXPECT_EQ(ReadSettingString(kOwner, "Dialtick", "None", buffer, sizeof buffer,
                                IDS_LOAD_CONFIG_FAILED, kRetryCancel),
              kResultAbsent);
    EXPECT_EQ(
        ReadSettingInt(kOwner, "Nowhere", "XPos", &value, IDS_LOAD_CONFIG_FAILED, kRetryCancel),
        kResultAbsent);
    EXPECT_EQ(
        ReadSettingInt(kOwner, "Dialtick", "Bad", &value, IDS_LOAD_CONFIG_FAILED, kRetryCancel),
        kResultAbsent);
    EXPECT_EQ(
        ReadSettingInt(kOwner, "Dialtick", "Big", &value, IDS_LOAD_CONFIG_FAILED, kRetryCancel),
        kResultAbsent);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(ReportTest, ReadErrorsShowTheSystemText) {
    char buffer[4];
    messages.Queue(kResultRetry);
    EXPECT_EQ(ReadSettingString(kOwner, "Dialtick", "Font", buffer, sizeof buffer,
                                IDS_LOAD_CONFIG_FAILED, kRetryCancel),
              kResultRetry);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Last().textId, IDS_LOAD_CONFIG_FAILED);
    EXPECT_EQ(messages.Last().captionId, IDS_DIALTICK_ERROR);
    EXPECT_EQ(messages.Last().code, kErrorInsufficientBuffer);
    EXPECT_EQ(messages.Last().iconType, kIconExclamation);
    EXPECT_EQ(messages.Last().buttons, kRetryCancel);

    // Reporting off: the caller only learns that the read failed.
    EXPECT_EQ(ReadSettingString(kOwner, "Dialtick", "Font", buffer, sizeof buffer,
                                IDS_LOAD_CONFIG_FAILED, 0),
              kResultAbsent);
    EXPECT_EQ(messages.Count(), 1u);
}

TEST_F(ReportTest, WriteFailures) {
    // A failed save behind a write-through change shows the system's text.
    files.FailSaves(kErrorDiskFull);
    messages.Queue(kResultRetry);
    EXPECT_EQ(
        WriteSetting(kOwner, "Dialtick", "XPos", "40", IDS_SAVE_CONFIG_FAILED, kRetryCancel, true),
        kResultRetry);
    ExpectSystemError(kErrorDiskFull, kRetryCancel);
    // The caller's retry goes through.
    EXPECT_EQ(
        WriteSetting(kOwner, "Dialtick", "XPos", "40", IDS_SAVE_CONFIG_FAILED, kRetryCancel, true),
        0);
    EXPECT_EQ(files.FileBytes(kPath),
              "[Dialtick]\r\nFont=Arial\r\nXPos=40\r\nBad=1x\r\nBig=13000000000");

    // A value that cannot be stored.
    messages.Queue(kResultCancel);
    EXPECT_EQ(
        WriteSetting(kOwner, "Dialtick", "XPos", "  ", IDS_SAVE_CONFIG_FAILED, kRetryCancel, false),
        kResultCancel);
    ExpectSystemError(kErrorInvalidData, kRetryCancel);

    files.FailSaves(kErrorDiskFull);
    messages.Queue(kResultTryAgain);
    EXPECT_EQ(SaveSettings(kOwner, IDS_SAVE_CONFIG_FAILED, kButtonCancel | kButtonTryAgain),
              kResultTryAgain);
    ExpectSystemError(kErrorDiskFull, kButtonCancel | kButtonTryAgain);
    EXPECT_EQ(SaveSettings(kOwner, IDS_SAVE_CONFIG_FAILED, kRetryCancel), 0);
    EXPECT_EQ(messages.Count(), 3u);
}

TEST_F(ReportTest, MissingSectionIsShownAsTheMessageAlone) {
    messages.Queue(kResultIgnore);
    EXPECT_EQ(DeleteSettingsSection(kOwner, "Run_01", IDS_SAVE_CONFIG_FAILED, kRetryCancel, true),
              kResultIgnore);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Last().textId, IDS_SAVE_CONFIG_FAILED);
    EXPECT_EQ(messages.Last().captionId, IDS_DIALTICK_ERROR);
    EXPECT_EQ(messages.Last().code, 0u);
    EXPECT_EQ(messages.Last().iconType, kIconExclamation);
    EXPECT_EQ(messages.Last().text, "Unable to save configuration information.");

    EXPECT_EQ(DeleteSettingsSection(kOwner, "Run_01", IDS_SAVE_CONFIG_FAILED, 0, true),
              kResultAbsent);
    EXPECT_EQ(DeleteSettingsSection(kOwner, "dialtick", IDS_SAVE_CONFIG_FAILED, kRetryCancel, true),
              0);
    EXPECT_EQ(files.FileBytes(kPath), "");
    EXPECT_EQ(messages.Count(), 1u);
}

TEST_F(ReportTest, SectionExists) {
    bool exists = false;
    EXPECT_EQ(
        SettingsSectionExists(kOwner, "DIALTICK", IDS_LOAD_CONFIG_FAILED, kRetryCancel, &exists),
        0);
    EXPECT_TRUE(exists);
    EXPECT_EQ(
        SettingsSectionExists(kOwner, "Run_01", IDS_LOAD_CONFIG_FAILED, kRetryCancel, &exists), 0);
    EXPECT_FALSE(exists);
    messages.Queue(kResultAbort);
    EXPECT_EQ(SettingsSectionExists(kOwner, "", IDS_LOAD_CONFIG_FAILED, kRetryCancel, &exists),
              kResultAbort);
    EXPECT_EQ(messages.Last().code, kErrorInvalidData);
    EXPECT_EQ(messages.Count(), 1u);
}

TEST_F(ReportTest, NotLoadedIsReported) {
    Settings().Reset();
    int32_t value = 0;
    messages.Queue({kResultCancel, kResultAbort});
    EXPECT_EQ(
        ReadSettingInt(kOwner, "Dialtick", "XPos", &value, IDS_LOAD_CONFIG_FAILED, kRetryCancel),
        kResultCancel);
    EXPECT_EQ(messages.Last().code, kErrorInvalidBlock);
    EXPECT_EQ(SaveSettings(kOwner, IDS_SAVE_CONFIG_FAILED, kRetryCancel), kResultAbort);
    EXPECT_EQ(messages.Last().code, kErrorInvalidBlock);
}

TEST_F(ReportTest, AFailureThatShowsNothingIsNoSuccess) {
    // A message id without text shows nothing (result 0); that must not read as success.
    files.FailSaves(kErrorDiskFull);
    EXPECT_EQ(SaveSettings(kOwner, 1, kRetryCancel), kResultAbsent);
    EXPECT_EQ(DeleteSettingsSection(kOwner, "Run_01", 1, kRetryCancel, false), kResultAbsent);
    EXPECT_EQ(messages.Count(), 0u);
}

}  // namespace
}  // namespace dt

namespace dt {
namespace {

TEST_F(ReportTest, ErrorWithoutSystemTextStillAsksTheUser) {
    // The system has no text for the code: the message alone is shown, and its answer counts.
    files.FailSaves(kErrorDiskFull);
    messages.Queue({kResultNothingShown, kResultTryAgain});
    EXPECT_EQ(SaveSettings(kOwner, IDS_SAVE_CONFIG_FAILED, kButtonCancel | kButtonTryAgain),
              kResultTryAgain);
    ASSERT_EQ(messages.Count(), 2u);
    EXPECT_EQ(messages.Last().code, 0u);
    EXPECT_EQ(messages.Last().textId, IDS_SAVE_CONFIG_FAILED);
    // Nothing at all could be shown: the failure is not taken for success.
    files.FailSaves(kErrorDiskFull);
    messages.Queue({kResultNothingShown, kResultNothingShown});
    EXPECT_EQ(SaveSettings(kOwner, IDS_SAVE_CONFIG_FAILED, kButtonCancel | kButtonTryAgain),
              kResultAbsent);
}

}  // namespace
}  // namespace dt
