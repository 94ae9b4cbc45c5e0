// Generated settings files and the operations timed on them, shared by the native and Windows
// benchmarks.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace dt::corpus {

// The sizes every comparison runs on.
constexpr size_t kSizes[] = {10 * 1024, 100 * 1024, 1024 * 1024};

inline const char* SizeName(size_t bytes) {
    return bytes <= 10 * 1024 ? "10KiB" : bytes <= 100 * 1024 ? "100KiB" : "1MiB";
}

struct Read {
    const char* section;
    const char* key;
    bool text;  // read as a string, otherwise as an integer
};

// What start-up reads, in its order: 28 program settings plus the last connection and the run
// count. WaveFile is absent (File is there), so one read is a miss, as in a real start-up.
constexpr Read kStartupReads[] = {
    {"Colours", "OKText", false},
    {"Colours", "OKBack", false},
    {"Colours", "WarnText", false},
    {"Colours", "WarnBack", false},
    {"Colours", "OffText", false},
    {"Colours", "OffBack", false},
    {"Colours", "TitleText", false},
    {"Colours", "TitleBack", false},
    {"Font", "Face", true},
    {"Font", "Size", false},
    {"Font", "Bold", false},
    {"Font", "Italic", false},
    {"Opacity", "Value", false},
    {"Opacity", "CatchClicks", false},
    {"Dialtick", "Icon", false},
    {"Dialtick", "Constrain", false},
    {"Sound", "Play", false},
    {"Sound", "File", true},
    {"Sound", "WaveFile", true},
    {"Sound", "BeepFreq", false},
    {"Sound", "BeepCount", false},
    {"WarnSound", "Play", false},
    {"WarnSound", "File", true},
    {"WarnSound", "BeepFreq", false},
    {"WarnSound", "BeepCount", false},
    {"Dialtick", "XPos", false},
    {"Dialtick", "YPos", false},
    {"Dialtick", "Last", true},
    {"Dialtick", "RunCount", false},
    {"Dialtick", "Set", false},
};
constexpr int kStartupReadCount = sizeof kStartupReads / sizeof kStartupReads[0];

// The key read in the file's last section.
constexpr Read kLastSectionRead = {"WarnSound", "BeepCount", false};

struct File {
    std::string text;
    std::vector<std::string> accounts;
    // The account whose Timer is rewritten and the one whose section is deleted.
    const std::string& Middle() const { return accounts[accounts.size() / 2]; }
};

// A settings file as it looks after long use: the program's own section, the run list, as many
// dial-up accounts as it takes to reach `target` bytes, and the display and sound settings
// written last, when the user changed them. The text is already normalised (CR LF, no final
// line break), so every reader sees the same entries.
inline File Generate(size_t target) {
    File file;
    std::string& text = file.text;
    text =
        "[Dialtick]\r\nLast=Provider 1 Dial-Up\r\nEdit=Provider 1 Dial-Up\r\nRunCount=20\r\n"
        "Set=2\r\nIcon=1\r\nConstrain=1\r\nXPos=1042\r\nYPos=12\r\n";
    char line[512];
    for (int i = 1; i <= 20; ++i) {
        std::snprintf(line, sizeof line,
                      "[Run_%02d]\r\nTitle=Program %d\r\nEnable=%d\r\n"
                      "Connect=C:\\Program Files\\Tools %d\\tool.exe\r\nConnectParams=/start "
                      "/quiet\r\nConnectDir=C:\\Program Files\\Tools %d\r\n"
                      "Disconnect=C:\\Program Files\\Tools %d\\stop.exe\r\n",
                      i, i, i % 2, i, i, i);
        text += line;
    }
    static const char kTail[] =
        "[Colours]\r\nOKText=65280\r\nOKBack=0\r\nWarnText=255\r\nWarnBack=0\r\n"
        "OffText=65535\r\nOffBack=0\r\nTitleText=0\r\nTitleBack=12632256\r\n"
        "[Font]\r\nFace=Tahoma\r\nSize=10\r\nBold=1\r\nItalic=0\r\n"
        "[Opacity]\r\nValue=90\r\nCatchClicks=0\r\n"
        "[Sound]\r\nPlay=1\r\nFile=C:\\WINDOWS\\Media\\chord.wav\r\nBeepFreq=880\r\n"
        "BeepCount=3\r\n"
        "[WarnSound]\r\nPlay=2\r\nFile=C:\\WINDOWS\\Media\\ding.wav\r\nBeepFreq=1200\r\n"
        "BeepCount=5";
    const size_t tail = sizeof kTail - 1;
    for (int n = 1; text.size() + tail < target; ++n) {
        std::string name = "Provider " + std::to_string(n) + " Dial-Up";
        std::snprintf(line, sizeof line,
                      "[%s]\r\nTimer=%d\r\nWarning=3300\r\nEnableWarning=1\r\nCountDirection=0\r\n"
                      "ResetOption=2\r\nResetTime=0\r\nResetPeriod=3\r\nResetCount=1\r\n"
                      "ResetNext=%lld\r\n",
                      name.c_str(), 1000 + n * 37, 13364236800000LL + n * 8640000LL);
        text += line;
        file.accounts.push_back(name);
    }
    text += kTail;
    return file;
}

// Reads through the store as start-up does; returns how many entries were found.
inline int StoreReads(dt::SettingsFile& store, const Read* reads, int count) {
    int found = 0;
    char text[260];
    for (int i = 0; i < count; ++i) {
        dt::SysError error = 0;
        if (reads[i].text) {
            uint32_t size = sizeof text;
            found += store.GetString(reads[i].section, reads[i].key, text, &size, &error);
        } else {
            int32_t value = 0;
            bool valid = false;
            found += store.GetInt(reads[i].section, reads[i].key, &value, &valid, &error);
        }
    }
    return found;
}

}  // namespace dt::corpus
