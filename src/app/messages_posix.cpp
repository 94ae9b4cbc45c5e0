// The native build's message platform: the string table as data, and a handler installed by the
// tests that answers the boxes and stands in for the system's error texts.
#include <cstdio>

#include "app/messages.h"
#include "app/string_table.h"

namespace dt {
namespace {

MessageHandler* g_handler = nullptr;

int Answer(const MessageRecord& record) {
    return g_handler ? g_handler->Answer(record) : kResultNothingShown;
}

}  // namespace

bool MessageHandler::SystemText(SysError code, char* buffer, int size) {
    std::snprintf(buffer, static_cast<size_t>(size), "System error %u.\r\n", code);
    return true;
}

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

bool SystemErrorText(SysError code, char* buffer, int size) {
    return g_handler && size > 0 && g_handler->SystemText(code, buffer, size);
}

int ShowAppMessage(WindowRef owner, const char* text, const char* caption, int iconType,
                   uint32_t buttons) {
    if (!text) return kResultNothingShown;
    return Answer({owner, text, caption, iconType, buttons, false});
}

int ShowPlainMessage(WindowRef owner, const char* text, const char* caption, int iconType,
                     uint32_t buttons) {
    return Answer({owner, text, caption, iconType, buttons, true});
}

}  // namespace dt
