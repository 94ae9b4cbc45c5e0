// Start-up steps that the Windows entry routine and the tests share.
#pragma once

#include <cstdint>

#include "app/command_line.h"
#include "app/platform.h"

namespace dt {

// How the settings file was chosen; on kBadParameter message 2035 is shown and the program ends.
enum class SettingsPathChoice { kDefault, kFromCommandLine, kBadParameter, kTooLong };
SettingsPathChoice ChooseSettingsPath(const CommandLineOptions& options,
                                      const char* currentDirectory, char* path, size_t size);

// The outcome of loading the settings file and proving it writable.
enum class StartupResult { kContinue, kEnd, kEndWithGeneralMessage };

// Loads the settings file, asking Retry/Cancel on failure (message 2011 with `path`).
StartupResult LoadSettingsWithRetry(const char* path);
// Stores and removes the [Test] section; write failures ask with the write-error buttons.
StartupResult ProveSettingsWritable(uint32_t writeErrorButtons);

}  // namespace dt
