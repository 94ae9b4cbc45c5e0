// The program's private window messages: registered by name, with fixed numbers as fallback.
#pragma once

#include <cstdint>

namespace dt {

// In registration order.
enum RegisteredMessage : int {
    kMsgRunPageUpdate,
    kMsgRefreshName,
    kMsgAccountEdited,
    kMsgTrayCallback,
    kMsgTimeTick,
    kMsgConnectionChanged,
    kMsgToggleTimer,
    kMsgShowFontTexts,
    kMsgSoundStarted,
    kMsgSoundEnded,
    kMsgLinkInit,
    kMsgHoverInit,
    kMsgPageChanged,
    kMsgSavePage,
    kMsgOpenSettings,
    kMsgActivateInstance,
    kMsgQueryCloseSettings,
    kMsgResetOccurred,
    kRegisteredMessageCount
};

struct RegisteredMessageInfo {
    const char* name;
    uint32_t fallback;
};
extern const RegisteredMessageInfo kRegisteredMessages[kRegisteredMessageCount];

// The numbers in use, filled at start-up (the fallbacks until then).
extern uint32_t g_messageIds[kRegisteredMessageCount];

// Registers every message in table order through `registerName` (0 means failure).
void RegisterAllMessages(uint32_t (*registerName)(const char* name));

// The single-instance mutex's name.
constexpr const char* kInstanceMutexName = "2C30EC4A-9A2C-46ba-AC6F-FEDC484BC117";

}  // namespace dt
