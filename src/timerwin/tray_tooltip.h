// The notification icon's tooltip: connection state in one or two lines, cut to the shell's 63.
#pragma once

#include <cstdint>

namespace dt {

// The first version of the notification data holds 63 characters and the terminating zero.
constexpr int kTrayTipSize = 64;

// Two-line forms only where the shell shows multi-line tooltips (shell32 5 and later). A
// connected tooltip longer than 63 characters ends in "..." at characters 61 to 63.
void FormatTrayTooltip(char (&tip)[kTrayTipSize], bool connected, const char* connectionName,
                       uint32_t shellMajor);

}  // namespace dt
