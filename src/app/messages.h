// The program's messages to the user: its own message box, string-table texts, system error texts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/message_codes.h"
#include "app/platform.h"

namespace dt {

// Results: 0 when nothing was shown, 3 when a buffer could not be allocated, otherwise the
// pressed button's result id.
int ShowAppMessage(WindowRef owner, const char* text, const char* caption, int iconType,
                   uint32_t buttons);
int ShowStringMessage(WindowRef owner, int textId, const char* caption, int iconType,
                      uint32_t buttons);
int ShowStringMessageWithCaptionId(WindowRef owner, const char* text, int captionId, int iconType,
                                   uint32_t buttons);
// A caption id of -1 gives the caption "Dialtick".
int ShowStringMessageIds(WindowRef owner, int textId, int captionId, int iconType,
                         uint32_t buttons);
// The caller's text, a blank line and the system's text for the code, under "Dialtick - Error".
int ShowSystemError(WindowRef owner, SysError code, const char* text, int iconType,
                    uint32_t buttons);
int ShowStringSystemError(WindowRef owner, SysError code, int textId, int iconType,
                          uint32_t buttons);
// The platform's plain box with the stop icon; sets modalBoxOpen while it is up.
int ShowSimpleError(WindowRef owner, int textId);
// Reports message 2047 on failure when `report` is set. Free with std::free.
void* AllocBuffer(WindowRef owner, size_t size, bool zeroFill, bool report);
void ShowSettingsOpenNotice();

// Copies a string-table text; false when there is none.
bool LoadText(int id, char* buffer, int size);

// Native builds have no message box: tests install a handler that answers in the user's place.
struct MessageRecord {
    WindowRef owner;
    int textId;     // 0 when the text was given directly
    int captionId;  // 0 when the caption was given directly
    SysError code;  // for the system-error variants
    int iconType;
    uint32_t buttons;
    const char* text;  // the text as it would be shown (may be null)
};
class MessageHandler {
  public:
    virtual ~MessageHandler() = default;
    virtual int Answer(const MessageRecord& message) = 0;
};
void SetMessageHandler(MessageHandler* handler);

}  // namespace dt
