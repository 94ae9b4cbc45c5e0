// Native stand-in for the message boxes: texts are formed as the program would show them and
// handed to a handler that answers in the user's place.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/messages.h"
#include "app/string_table.h"
#include "resources/resource_ids.h"

namespace dt {
namespace {

MessageHandler* g_handler = nullptr;

int Answer(const MessageRecord& record) {
    return g_handler ? g_handler->Answer(record) : kResultNothingShown;
}

}  // namespace

void SetMessageHandler(MessageHandler* handler) { g_handler = handler; }

bool LoadText(int id, char* buffer, int size) {
    if (!buffer || size <= 0) return false;
    for (int i = 0; i < kStringTableSize; ++i) {
        if (kStringTable[i].id == id) {
            std::snprintf(buffer, static_cast<size_t>(size), "%s", kStringTable[i].text);
            return true;
        }
    }
    buffer[0] = '\0';
    return false;
}

int ShowAppMessage(WindowRef owner, const char* text, const char* caption, int iconType,
                   uint32_t buttons) {
    (void)caption;
    if (!text) return kResultNothingShown;
    return Answer({owner, 0, 0, 0, iconType, buttons, text});
}

int ShowStringMessage(WindowRef owner, int textId, const char* caption, int iconType,
                      uint32_t buttons) {
    char text[260];
    if (!LoadText(textId, text, sizeof text)) return kResultNothingShown;
    (void)caption;
    return Answer({owner, textId, 0, 0, iconType, buttons, text});
}

int ShowStringMessageWithCaptionId(WindowRef owner, const char* text, int captionId, int iconType,
                                   uint32_t buttons) {
    if (!text) return kResultNothingShown;
    return Answer({owner, 0, captionId, 0, iconType, buttons, text});
}

int ShowStringMessageIds(WindowRef owner, int textId, int captionId, int iconType,
                         uint32_t buttons) {
    char text[260];
    if (!LoadText(textId, text, sizeof text)) return kResultNothingShown;
    return Answer({owner, textId, captionId, 0, iconType, buttons, text});
}

int ShowSystemError(WindowRef owner, SysError code, const char* text, int iconType,
                    uint32_t buttons) {
    std::string shown = text ? text : "";
    if (!shown.empty()) shown += "\r\n\r\n";
    shown += "System error " + std::to_string(code) + ".";
    return Answer({owner, 0, IDS_DIALTICK_ERROR, code, iconType, buttons, shown.c_str()});
}

int ShowStringSystemError(WindowRef owner, SysError code, int textId, int iconType,
                          uint32_t buttons) {
    char text[260];
    if (!LoadText(textId, text, sizeof text)) return kResultNothingShown;
    std::string shown = std::string(text) + "\r\n\r\nSystem error " + std::to_string(code) + ".";
    return Answer({owner, textId, IDS_DIALTICK_ERROR, code, iconType, buttons, shown.c_str()});
}

int ShowSimpleError(WindowRef owner, int textId) {
    char text[780];
    if (!LoadText(textId, text, sizeof text)) return kResultNothingShown;
    return Answer({owner, textId, IDS_DIALTICK_ERROR, 0, kIconStop, kButtonOk, text});
}

void* AllocBuffer(WindowRef owner, size_t size, bool zeroFill, bool report) {
    void* block = zeroFill ? std::calloc(1, size ? size : 1) : std::malloc(size ? size : 1);
    if (!block && report) ShowSimpleError(owner, IDS_OUT_OF_MEMORY);
    return block;
}

void ShowSettingsOpenNotice() {
    ShowStringMessageIds(nullptr, IDS_CLOSE_SETTINGS_FIRST, -1, kIconExclamation, kButtonOk);
}

}  // namespace dt
