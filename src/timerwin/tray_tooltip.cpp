// The notification icon's tooltip: connection state in one or two lines, cut to the shell's 63.
#include "timerwin/tray_tooltip.h"

#include <cstdio>
#include <cstring>

#include "app/command_line.h"
#include "app/messages.h"
#include "resources/resource_ids.h"

namespace dt {
namespace {

// How much of each format the string table gives: 64 characters, or 54 for the short forms.
constexpr int kConnectedFormatSize = 65;
constexpr int kIdleFormatSize = 55;

}  // namespace

void FormatTrayTooltip(char (&tip)[kTrayTipSize], bool connected, const char* connectionName,
                       uint32_t shellMajor) {
    bool twoLines = shellMajor >= 5;
    if (!connected) {
        char format[kIdleFormatSize];
        int id = twoLines ? IDS_TIP_NOT_CONNECTED_TWO_LINES : IDS_TIP_NOT_CONNECTED_ONE_LINE;
        if (!LoadText(id, format, sizeof format)) {
            std::snprintf(tip, sizeof tip, "%s", kProductName);
            return;
        }
        std::snprintf(tip, sizeof tip, format, kProductName);
        return;
    }
    char format[kConnectedFormatSize];
    int id = twoLines ? IDS_TIP_CONNECTED_TWO_LINES : IDS_TIP_CONNECTED_ONE_LINE;
    if (!LoadText(id, format, sizeof format)) {
        std::snprintf(tip, sizeof tip, "%s", kProductName);
        return;
    }
    // Room for a 256-character entry name and the whole format.
    char full[kConnectedFormatSize + 2 * 260];
    int length = std::snprintf(full, sizeof full, format, kProductName,
                               connectionName ? connectionName : "");
    if (length < 0) length = 0;
    if (length > kTrayTipSize - 1 || static_cast<size_t>(length) >= sizeof full) {
        std::memcpy(full + kTrayTipSize - 4, "...", 3);
        full[kTrayTipSize - 1] = '\0';
    }
    std::snprintf(tip, sizeof tip, "%s", full);
}

}  // namespace dt
