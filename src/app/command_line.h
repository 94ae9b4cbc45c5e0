// Command-line options, the settings file's name and the operating-system classes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dt {

constexpr size_t kPathSize = 260;
constexpr const char* kProductName = "Dialtick";

struct CommandLineOptions {
    bool examined = false;      // the line was 1 to 777 characters long
    bool openSettings = false;  // "/set" stood alone
    bool iniGiven = false;      // " /ini:" was present
    bool iniValid = false;      // ...and named a usable file
    char iniPath[kPathSize] = {};
};

// Reads "/set" and "/ini:" from the command line (without the program name).
CommandLineOptions ParseCommandLine(const char* commandLine);

// The default settings file: the directory, a backslash unless it ends in one, "Dialtick.ini".
// False when it does not fit a path buffer.
bool DefaultSettingsPath(const char* currentDirectory, char* path, size_t size);

// Operating-system classes by platform id (0 Win32s, 1 Windows 9x, 2 NT) and version.
enum OsClass : int {
    kOsUnknown = 0,
    kOsNtOld = 1,
    kOsNt4 = 2,
    kOsNt5 = 3,  // NT 5.0, and every NT above 5
    kOsWin98 = 4,
    kOsWin95 = 5,
    kOsWin32s = 6,
    kOsWin9xOther = 7,
    kOsNt51 = 8,  // NT 5.1 and later 5.x
};
OsClass ClassifyOs(bool queried, uint32_t platformId, uint32_t major, uint32_t minor);
// Classes 2, 3, 4, 5, 7 and 8 may run.
bool OsCanRun(OsClass osClass);
// Windows 2000 and later get Cancel / Try Again / Continue boxes.
bool OsHasNewButtons(OsClass osClass);

struct ButtonSets {
    uint32_t readError;
    uint32_t writeError;
    uint32_t retry;
};
ButtonSets ChooseButtonSets(OsClass osClass);

// A library version that meets a minimum of major.minor.
bool VersionAtLeast(uint32_t major, uint32_t minor, uint32_t needMajor, uint32_t needMinor);

}  // namespace dt
