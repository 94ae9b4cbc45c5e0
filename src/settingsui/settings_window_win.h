// The Settings window.
#pragma once

namespace dt {

// Runs the Settings window on its own (the program was started with /set) until it closes.
void RunSettingsWindowModal();

}  // namespace dt
