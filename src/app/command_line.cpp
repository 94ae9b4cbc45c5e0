// Command-line options, the settings file's name and the operating-system classes.
#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "app/ascii.h"
#include "app/message_codes.h"

namespace dt {
namespace {

constexpr size_t kMaxCommandLine = 777;

// Position of `pattern` in `text` ignoring ASCII case, or -1.
long FindNoCaseIn(const char* text, size_t textLength, const char* pattern) {
    size_t n = std::strlen(pattern);
    if (n > textLength) return -1;
    for (size_t i = 0; i + n <= textLength; ++i) {
        size_t k = 0;
        while (k < n && AsciiUpper(static_cast<unsigned char>(text[i + k])) ==
                            AsciiUpper(static_cast<unsigned char>(pattern[k])))
            ++k;
        if (k == n) return static_cast<long>(i);
    }
    return -1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

CommandLineOptions ParseCommandLine(const char* commandLine) {
    CommandLineOptions options;
    size_t length = commandLine ? std::strlen(commandLine) : 0;
    if (length < 1 || length > kMaxCommandLine) return options;
    options.examined = true;

    char padded[kMaxCommandLine + 3];
    std::snprintf(padded, sizeof padded, " %s ", commandLine);
    size_t paddedLength = length + 2;
    options.openSettings = FindNoCaseIn(padded, paddedLength, " /set ") >= 0;

    long at = FindNoCaseIn(padded, paddedLength, " /ini:");
    if (at < 0) return options;
    options.iniGiven = true;
    const char* p = padded + at + 6;
    if (*p != '"') return options;
    const char* start = p + 1;
    const char* end = std::strchr(start, '"');
    if (!end) return options;
    while (start < end && IsBlank(*start)) ++start;
    while (end > start && IsBlank(end[-1])) --end;
    size_t nameLength = static_cast<size_t>(end - start);
    if (nameLength == 0 || nameLength >= kPathSize) return options;
    std::memcpy(options.iniPath, start, nameLength);
    options.iniPath[nameLength] = '\0';
    options.iniValid = true;
    return options;
}

bool DefaultSettingsPath(const char* currentDirectory, char* path, size_t size) {
    if (!currentDirectory || !path || size == 0) return false;
    size_t n = std::strlen(currentDirectory);
    const char* separator = (n > 0 && currentDirectory[n - 1] == '\\') ? "" : "\\";
    int written =
        std::snprintf(path, size, "%s%s%s.ini", currentDirectory, separator, kProductName);
    if (written < 0 || static_cast<size_t>(written) >= size || n == 0) {
        path[0] = '\0';
        return false;
    }
    return true;
}

OsClass ClassifyOs(bool queried, uint32_t platformId, uint32_t major, uint32_t minor) {
    if (!queried) return kOsUnknown;
    switch (platformId) {
        case 0:
            return kOsWin32s;
        case 1:
            if (major < 4) return kOsUnknown;
            if (major == 4 && minor == 0) return kOsWin95;
            if (major == 4 && minor == 10) return kOsWin98;
            return kOsWin9xOther;
        case 2:
            if (major < 4) return kOsNtOld;
            if (major == 4) return kOsNt4;
            if (major == 5 && minor >= 1) return kOsNt51;
            return kOsNt5;
        default:
            return kOsUnknown;
    }
}

bool OsCanRun(OsClass c) {
    return c == kOsNt4 || c == kOsNt5 || c == kOsWin98 || c == kOsWin95 || c == kOsWin9xOther ||
           c == kOsNt51;
}

bool OsHasNewButtons(OsClass c) { return c == kOsNt5 || c == kOsNt51; }

ButtonSets ChooseButtonSets(OsClass c) {
    if (OsHasNewButtons(c)) {
        return {kButtonCancel | kButtonTryAgain | kButtonContinue, kButtonCancel | kButtonTryAgain,
                kButtonTryAgain | kButtonContinue};
    }
    return {kButtonAbort | kButtonRetry | kButtonIgnore, kButtonAbort | kButtonRetry,
            kButtonRetry | kButtonIgnore};
}

bool VersionAtLeast(uint32_t major, uint32_t minor, uint32_t needMajor, uint32_t needMinor) {
    return major > needMajor || (major == needMajor && minor >= needMinor);
}

}  // namespace dt
