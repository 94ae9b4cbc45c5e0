// Start-up steps that need only the settings store and the message functions.
#include "app/startup.h"

#include <cstdio>
#include <cstring>

#include "app/messages.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

namespace dt {

SettingsPathChoice ChooseSettingsPath(const CommandLineOptions& options,
                                      const char* currentDirectory, char* path, size_t size) {
    if (options.examined && options.iniGiven) {
        if (!options.iniValid) return SettingsPathChoice::kBadParameter;
        std::snprintf(path, size, "%s", options.iniPath);
        return SettingsPathChoice::kFromCommandLine;
    }
    return DefaultSettingsPath(currentDirectory, path, size) ? SettingsPathChoice::kDefault
                                                             : SettingsPathChoice::kTooLong;
}

StartupResult LoadSettingsWithRetry(const char* path) {
    for (;;) {
        SysError error = 0;
        if (Settings().Load(path, &error)) return StartupResult::kContinue;
        char format[260], text[kPathSize + 300];
        if (!LoadText(IDS_CANNOT_OPEN_SETTINGS, format, sizeof format)) {
            return StartupResult::kEndWithGeneralMessage;
        }
        std::snprintf(text, sizeof text, format, kProductName, path);
        int answer = ShowSystemError(nullptr, error, text, kIconStop, kButtonCancel | kButtonRetry);
        if (answer == kResultNothingShown) {
            // No system text for this error: the question must still be asked.
            char caption[64];
            if (!LoadText(IDS_DIALTICK_ERROR, caption, sizeof caption)) caption[0] = '\0';
            answer =
                ShowAppMessage(nullptr, text, caption, kIconStop, kButtonCancel | kButtonRetry);
        }
        if (answer != kResultRetry) return StartupResult::kEndWithGeneralMessage;
    }
}

StartupResult ProveSettingsWritable(uint32_t writeErrorButtons) {
    for (;;) {
        int answer = WriteSetting(nullptr, "Test", kProductName, kProductName,
                                  IDS_SAVE_CONFIG_FAILED, writeErrorButtons, true);
        ErrorAnswer kind = ClassifyAnswer(answer);
        if (answer == 0 || kind == ErrorAnswer::kGoOn) break;
        if (kind == ErrorAnswer::kGiveUp) return StartupResult::kEndWithGeneralMessage;
    }
    DeleteSettingsSection(nullptr, "Test", IDS_SAVE_CONFIG_FAILED, 0, true);
    return StartupResult::kContinue;
}

}  // namespace dt
