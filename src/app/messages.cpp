// The wording of the program's messages: texts and captions from the string table, the system's
// text joined to error messages. The platform shows the boxes.
#include "app/messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/command_line.h"
#include "resources/resource_ids.h"

namespace dt {
namespace {

constexpr int kTextSize = 260;
constexpr int kCaptionSize = 64;

void Caption(int id, char* buffer, int size, const char* fallback) {
    if (!LoadText(id, buffer, size))
        std::snprintf(buffer, static_cast<size_t>(size), "%s", fallback);
}

}  // namespace

int ShowStringMessage(WindowRef owner, int textId, const char* caption, int iconType,
                      uint32_t buttons) {
    char* text = static_cast<char*>(std::malloc(kTextSize));
    if (!text) return kResultAbort;
    int result = kResultNothingShown;
    if (LoadText(textId, text, kTextSize))
        result = ShowAppMessage(owner, text, caption, iconType, buttons);
    std::free(text);
    return result;
}

int ShowStringMessageWithCaptionId(WindowRef owner, const char* text, int captionId, int iconType,
                                   uint32_t buttons) {
    char caption[kTextSize];
    Caption(captionId, caption, sizeof caption, kProductName);
    return ShowAppMessage(owner, text, caption, iconType, buttons);
}

int ShowStringMessageIds(WindowRef owner, int textId, int captionId, int iconType,
                         uint32_t buttons) {
    char text[kTextSize];
    if (!LoadText(textId, text, sizeof text)) return kResultNothingShown;
    char caption[kTextSize];
    if (captionId == -1 || !LoadText(captionId, caption, sizeof caption)) {
        std::snprintf(caption, sizeof caption, "%s", kProductName);
    }
    return ShowAppMessage(owner, text, caption, iconType, buttons);
}

int ShowSystemError(WindowRef owner, SysError code, const char* text, int iconType,
                    uint32_t buttons) {
    char system[kTextSize];
    if (!SystemErrorText(code, system, sizeof system)) return kResultNothingShown;
    size_t n = std::strlen(system);
    while (n > 0 && (system[n - 1] == '\r' || system[n - 1] == '\n')) system[--n] = '\0';
    const char* lead = text ? text : "";
    size_t size = std::strlen(lead) + 4 + n + 1;
    char* shown = static_cast<char*>(std::malloc(size));
    if (!shown) return kResultAbort;
    std::snprintf(shown, size, "%s%s%s", lead, *lead ? "\r\n\r\n" : "", system);
    char caption[kCaptionSize];
    Caption(IDS_DIALTICK_ERROR, caption, sizeof caption, "Dialtick - Error");
    int result = ShowAppMessage(owner, shown, caption, iconType, buttons);
    std::free(shown);
    return result;
}

int ShowStringSystemError(WindowRef owner, SysError code, int textId, int iconType,
                          uint32_t buttons) {
    char text[kScratchSize];
    if (!LoadText(textId, text, sizeof text)) return kResultNothingShown;
    return ShowSystemError(owner, code, text, iconType, buttons);
}

int ShowSimpleError(WindowRef owner, int textId) {
    char* text = g_app.scratch[0];
    char local[kScratchSize];
    if (!text) text = local;
    if (!LoadText(textId, text, kScratchSize)) return kResultNothingShown;
    char caption[kCaptionSize];
    Caption(IDS_DIALTICK_ERROR, caption, sizeof caption, "Dialtick - Error");
    bool wasOpen = g_app.modalBoxOpen;
    g_app.modalBoxOpen = true;
    int result = ShowPlainMessage(owner, text, caption, kIconStop, kButtonOk);
    g_app.modalBoxOpen = wasOpen;
    return result;
}

void* AllocBuffer(WindowRef owner, size_t size, bool zeroFill, bool report) {
    void* block = zeroFill ? std::calloc(1, size ? size : 1) : std::malloc(size ? size : 1);
    if (!block && report) ShowSimpleError(owner, IDS_OUT_OF_MEMORY);
    return block;
}

}  // namespace dt
