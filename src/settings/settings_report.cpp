// The settings store as the rest of the program uses it: each failure is shown to the user.
#include "app/messages.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

namespace dt {
namespace {

// How a failure with error 0 is treated: the reads stay silent about an absent entry; the writes
// show their message alone.
enum class ZeroError { kSilent, kShowMessage };

int Report(WindowRef owner, SysError error, int messageId, uint32_t buttons, ZeroError zero) {
    if (buttons == 0) return kResultAbsent;
    int result;
    if (error == 0) {
        if (zero == ZeroError::kSilent) return kResultAbsent;
        result =
            ShowStringMessageIds(owner, messageId, IDS_DIALTICK_ERROR, kIconExclamation, buttons);
    } else {
        result = ShowStringSystemError(owner, error, messageId, kIconExclamation, buttons);
        // The system may have no text for the code; the user is still asked.
        if (result == kResultNothingShown) {
            result = ShowStringMessageIds(owner, messageId, IDS_DIALTICK_ERROR, kIconExclamation,
                                          buttons);
        }
    }
    // Nothing could be shown: the caller must still learn that the operation failed, so it goes
    // on as it would after an unanswered error rather than taking 0 for success.
    return result == kResultNothingShown ? kResultAbsent : result;
}

}  // namespace

int ReadSettingString(WindowRef owner, const char* section, const char* key, char* buffer,
                      uint32_t size, int messageId, uint32_t buttons) {
    SysError error = 0;
    if (Settings().GetString(section, key, buffer, &size, &error)) return 0;
    return Report(owner, error, messageId, buttons, ZeroError::kSilent);
}

int ReadSettingInt(WindowRef owner, const char* section, const char* key, int32_t* value,
                   int messageId, uint32_t buttons) {
    SysError error = 0;
    bool valid = true;
    if (Settings().GetInt(section, key, value, &valid, &error)) return 0;
    return Report(owner, error, messageId, buttons, ZeroError::kSilent);
}

int ReadSettingInt64(WindowRef owner, const char* section, const char* key, int64_t* value,
                     int messageId, uint32_t buttons) {
    SysError error = 0;
    bool valid = true;
    if (Settings().GetInt64(section, key, value, &valid, &error)) return 0;
    return Report(owner, error, messageId, buttons, ZeroError::kSilent);
}

int WriteSetting(WindowRef owner, const char* section, const char* key, const char* value,
                 int messageId, uint32_t buttons, bool writeThrough) {
    SysError error = 0;
    if (Settings().SetString(section, key, value, &error, writeThrough)) return 0;
    return Report(owner, error, messageId, buttons, ZeroError::kShowMessage);
}

int DeleteSettingsSection(WindowRef owner, const char* section, int messageId, uint32_t buttons,
                          bool writeThrough) {
    SysError error = 0;
    if (Settings().DeleteSection(section, &error, writeThrough)) return 0;
    return Report(owner, error, messageId, buttons, ZeroError::kShowMessage);
}

int SettingsSectionExists(WindowRef owner, const char* section, int messageId, uint32_t buttons,
                          bool* exists) {
    SysError error = 0;
    if (Settings().SectionExists(section, &error, exists)) return 0;
    return Report(owner, error, messageId, buttons, ZeroError::kShowMessage);
}

int SaveSettings(WindowRef owner, int messageId, uint32_t buttons) {
    SysError error = 0;
    if (Settings().Save(&error)) return 0;
    return Report(owner, error, messageId, buttons, ZeroError::kShowMessage);
}

}  // namespace dt
