// Reads of single settings that ask the user on an error and repeat while asked to.
#include "settings/retrying_read.h"

#include "app/message_codes.h"
#include "settings/settings_store.h"

namespace dt {
namespace {

template <typename Read>
ReadOutcome Retrying(Read read) {
    for (;;) {
        int result = read();
        if (result == 0) return ReadOutcome::kValue;
        switch (ClassifyAnswer(result)) {
            case ErrorAnswer::kRepeat:
                continue;
            case ErrorAnswer::kGiveUp:
                return ReadOutcome::kStop;
            case ErrorAnswer::kGoOn:
                return ReadOutcome::kDefault;
        }
    }
}

}  // namespace

ReadOutcome ReadIntRetrying(WindowRef owner, const char* section, const char* key, int32_t* value,
                            int messageId, uint32_t buttons) {
    return Retrying([&] { return ReadSettingInt(owner, section, key, value, messageId, buttons); });
}

ReadOutcome ReadInt64Retrying(WindowRef owner, const char* section, const char* key, int64_t* value,
                              int messageId, uint32_t buttons) {
    return Retrying(
        [&] { return ReadSettingInt64(owner, section, key, value, messageId, buttons); });
}

ReadOutcome ReadStringRetrying(WindowRef owner, const char* section, const char* key, char* buffer,
                               uint32_t size, int messageId, uint32_t buttons) {
    return Retrying(
        [&] { return ReadSettingString(owner, section, key, buffer, size, messageId, buttons); });
}

}  // namespace dt
