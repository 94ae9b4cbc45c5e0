// The program's messages to the user: its own message box, string-table texts, system error texts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/message_codes.h"
#include "app/platform.h"

namespace dt {

// Results: 0 when nothing was shown, 3 when a buffer could not be allocated, otherwise the
// pressed button's result id.
int ShowStringMessage(WindowRef owner, int textId, const char* caption, int iconType,
                      uint32_t buttons);
// A caption that cannot be loaded gives the caption "Dialtick".
int ShowStringMessageWithCaptionId(WindowRef owner, const char* text, int captionId, int iconType,
                                   uint32_t buttons);
// A caption id of -1 gives the caption "Dialtick".
int ShowStringMessageIds(WindowRef owner, int textId, int captionId, int iconType,
                         uint32_t buttons);
// The caller's text, a blank line and the system's text for the code, under "Dialtick - Error".
// Nothing is shown when the system has no text for the code.
int ShowSystemError(WindowRef owner, SysError code, const char* text, int iconType,
                    uint32_t buttons);
int ShowStringSystemError(WindowRef owner, SysError code, int textId, int iconType,
                          uint32_t buttons);
// The platform's plain box with the stop icon; sets modalBoxOpen while it is up.
int ShowSimpleError(WindowRef owner, int textId);
// Reports message 2047 on failure when `report` is set. Free with std::free.
void* AllocBuffer(WindowRef owner, size_t size, bool zeroFill, bool report);
// Message 2173, owned by the window that leads the user interface (Windows shell only).
void ShowSettingsOpenNotice();

// Supplied by each platform.
// The program's own message box (dialog 1123); the platform's plain box when it cannot be made.
int ShowAppMessage(WindowRef owner, const char* text, const char* caption, int iconType,
                   uint32_t buttons);
// The platform's plain message box. Button sets it has no box for show OK and Cancel and answer 3.
int ShowPlainMessage(WindowRef owner, const char* text, const char* caption, int iconType,
                     uint32_t buttons);
// The system's text for an error code, as the system words it; false when it has none.
bool SystemErrorText(SysError code, char* buffer, int size);
// Copies a string-table text; false when there is none.
bool LoadText(int id, char* buffer, int size);

// Native builds have neither message boxes nor the system's texts: tests install a handler that
// answers in the user's place and stands in for the system.
struct MessageRecord {
    WindowRef owner;
    const char* text;
    const char* caption;  // may be null
    int iconType;
    uint32_t buttons;
    bool plainBox;  // the platform's box rather than the program's own
};
class MessageHandler {
  public:
    virtual ~MessageHandler() = default;
    virtual int Answer(const MessageRecord& message) = 0;
    // The system's text for an error code; false when it has none. By default every code has
    // one: "System error N." and a line break, as the system ends its texts.
    virtual bool SystemText(SysError code, char* buffer, int size);
};
void SetMessageHandler(MessageHandler* handler);

}  // namespace dt
