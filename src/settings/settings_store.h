// The settings file: one normalised INI-style text kept in memory and written back whole.
#pragma once

#include <cstdint>

#include "app/platform.h"

namespace dt {

class SettingsFile {
public:
    SettingsFile() = default;
    ~SettingsFile();
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    // Every operation returns true on success; on failure *error holds the system error code,
    // 0 when an entry was simply absent or not a number.
    bool Load(const char* path, SysError* error);
    bool Save(SysError* error);
    // *size: in, the buffer's size; out, on error 122, the size needed.
    bool GetString(const char* section, const char* key, char* buffer, uint32_t* size,
                   SysError* error);
    bool GetInt(const char* section, const char* key, int32_t* value, bool* valid,
                SysError* error);
    bool GetInt64(const char* section, const char* key, int64_t* value, bool* valid,
                  SysError* error);
    bool SetString(const char* section, const char* key, const char* value, SysError* error,
                   bool writeThrough);
    bool DeleteSection(const char* section, SysError* error, bool writeThrough);
    bool SectionExists(const char* section, SysError* error, bool* exists);

    // The normalised text (without the NUL) and its length; for tests and benchmarks.
    const char* Text() const { return text_ ? text_ : ""; }
    uint32_t TextLength() const { return used_ ? used_ - 1 : 0; }
    bool IsLoaded() const { return text_ != nullptr; }
    // Closes the file and frees the text, as at program end.
    void Reset();

private:
    FileHandle file_ = kNoFile;
    uint32_t fileSize_ = 0;
    uint32_t capacity_ = 0;
    uint32_t used_ = 0;
    uint32_t charSize_ = 1;
    char* text_ = nullptr;
    char path_[260] = {};
};

// Normalises `length` bytes in place; returns the new length (the text is NUL-terminated).
uint32_t NormaliseSettingsText(char* text, uint32_t length);

// Strict decimal parsers of the settings file; false for anything that is not a number in range.
bool ParseInt32(const char* text, int32_t* value);
bool ParseInt64(const char* text, int64_t* value);

// Index of the first case-insensitive (ASCII) match of `pattern` in `text` that begins at or
// before `bound`, or -1.
int64_t FindNoCase(const char* text, uint32_t textLength, const char* pattern,
                   uint32_t patternLength, uint32_t bound);

// The one settings file of the program.
SettingsFile& Settings();

// Reporting operations: 0 on success, -1 for an absent entry, a value that is not a number, or
// when reporting is off (buttons 0), otherwise the button that the user pressed in the error box.
int ReadSettingString(WindowRef owner, const char* section, const char* key, char* buffer,
                      uint32_t size, int messageId, uint32_t buttons);
int ReadSettingInt(WindowRef owner, const char* section, const char* key, int32_t* value,
                   int messageId, uint32_t buttons);
int ReadSettingInt64(WindowRef owner, const char* section, const char* key, int64_t* value,
                     int messageId, uint32_t buttons);
int WriteSetting(WindowRef owner, const char* section, const char* key, const char* value,
                 int messageId, uint32_t buttons, bool writeThrough);
int DeleteSettingsSection(WindowRef owner, const char* section, int messageId, uint32_t buttons,
                          bool writeThrough);
int SettingsSectionExists(WindowRef owner, const char* section, int messageId, uint32_t buttons,
                          bool* exists);
int SaveSettings(WindowRef owner, int messageId, uint32_t buttons);

// Failures are shown through app/messages.h: error 0 as the message alone
// (ShowStringMessageIds, caption "Dialtick - Error"), any other code as the message, a blank line
// and the system's text (ShowStringSystemError), both with the exclamation icon.

}  // namespace dt
