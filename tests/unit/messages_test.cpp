// The wording of the program's messages: captions, the system's text joined to an error, and
// what happens when a text or the system's text is missing.
#include "app/messages.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "resources/resource_ids.h"
#include "support/fake_platform.h"

namespace dt {
namespace {

using test::ScriptedMessages;

WindowRef const kOwner = reinterpret_cast<WindowRef>(0x10);
constexpr int kNoSuchText = 1;

TEST(Messages, AnErrorIsItsTextABlankLineAndTheSystemTextWithoutItsLineBreak) {
    ScriptedMessages messages;
    messages.Queue(kResultRetry);
    EXPECT_EQ(ShowStringSystemError(kOwner, kErrorAccessDenied, IDS_SAVE_CONFIG_FAILED,
                                    kIconExclamation, kButtonCancel | kButtonRetry),
              kResultRetry);
    const auto& shown = messages.Last();
    EXPECT_EQ(shown.text, "Unable to save configuration information.\r\n\r\nSystem error 5.");
    EXPECT_EQ(shown.caption, "Dialtick - Error");
    EXPECT_EQ(shown.owner, kOwner);
    EXPECT_EQ(shown.iconType, kIconExclamation);
    EXPECT_EQ(shown.buttons, kButtonCancel | kButtonRetry);
    EXPECT_FALSE(shown.plainBox);

    // Without a text of its own the box holds the system's text alone.
    ShowSystemError(nullptr, kErrorDiskFull, "", kIconStop, kButtonOk);
    EXPECT_EQ(messages.Last().text, "System error 112.");
    ShowSystemError(nullptr, kErrorDiskFull, nullptr, kIconStop, kButtonOk);
    EXPECT_EQ(messages.Last().text, "System error 112.");
}

TEST(Messages, NothingIsShownWithoutTheSystemTextOrTheMessageText) {
    ScriptedMessages messages;
    messages.SetNoSystemText(kErrorGenFailure);
    EXPECT_EQ(ShowSystemError(kOwner, kErrorGenFailure, "Text", kIconStop, kButtonOk),
              kResultNothingShown);
    EXPECT_EQ(ShowStringSystemError(kOwner, kErrorAccessDenied, kNoSuchText, kIconStop, kButtonOk),
              kResultNothingShown);
    EXPECT_EQ(ShowStringMessageIds(kOwner, kNoSuchText, IDS_DIALTICK, kIconStop, kButtonOk),
              kResultNothingShown);
    EXPECT_EQ(ShowStringMessage(kOwner, kNoSuchText, "Caption", kIconStop, kButtonOk),
              kResultNothingShown);
    EXPECT_EQ(ShowSimpleError(kOwner, kNoSuchText), kResultNothingShown);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST(Messages, CaptionsComeFromTheTableOrFallBackToTheProductName) {
    ScriptedMessages messages;
    ShowStringMessageIds(kOwner, IDS_OUT_OF_MEMORY, IDS_RAS_ERROR, kIconStop, kButtonOk);
    EXPECT_EQ(messages.Last().text, "Unable to allocate required memory.");
    EXPECT_EQ(messages.Last().caption, "RAS Error");
    ShowStringMessageIds(kOwner, IDS_OUT_OF_MEMORY, -1, kIconStop, kButtonOk);
    EXPECT_EQ(messages.Last().caption, "Dialtick");
    ShowStringMessageIds(kOwner, IDS_OUT_OF_MEMORY, kNoSuchText, kIconStop, kButtonOk);
    EXPECT_EQ(messages.Last().caption, "Dialtick");
    ShowStringMessageWithCaptionId(kOwner, "Own text", kNoSuchText, kIconStop, kButtonOk);
    EXPECT_EQ(messages.Last().text, "Own text");
    EXPECT_EQ(messages.Last().caption, "Dialtick");
    ShowStringMessage(kOwner, IDS_OUT_OF_MEMORY, "Given", kIconStop, kButtonOk);
    EXPECT_EQ(messages.Last().caption, "Given");
    EXPECT_EQ(messages.Count(), 5u);
}

// Notes whether a modal box was marked open while the user was asked.
class ModalWatch : public ScriptedMessages {
  public:
    int Answer(const MessageRecord& message) override {
        markedOpen = g_app.modalBoxOpen;
        return ScriptedMessages::Answer(message);
    }
    bool markedOpen = false;
};

TEST(Messages, ASimpleErrorIsThePlainBoxAndMarksAModalBoxWhileUp) {
    ModalWatch messages;
    messages.Queue(kResultOk);
    EXPECT_EQ(ShowSimpleError(kOwner, IDS_OUT_OF_MEMORY), kResultOk);
    const auto& shown = messages.Last();
    EXPECT_TRUE(shown.plainBox);
    EXPECT_EQ(shown.text, "Unable to allocate required memory.");
    EXPECT_EQ(shown.caption, "Dialtick - Error");
    EXPECT_EQ(shown.iconType, kIconStop);
    EXPECT_EQ(shown.buttons, kButtonOk);
    EXPECT_TRUE(messages.markedOpen);
    EXPECT_FALSE(g_app.modalBoxOpen);
}

}  // namespace
}  // namespace dt
