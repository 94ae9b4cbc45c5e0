// The settings file: one normalised INI-style text kept in memory and written back whole.
#pragma once

#include <cstdint>

#include "app/platform.h"
#include "settings/settings_index.h"
#include "settings/settings_text.h"

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
    // Writes the text to "<path>.tmp" and moves that over the file, so that a failed write never
    // leaves a half-written settings file. Where no file can be made beside it, or the move is
    // refused (another program holds the file open), the file is rewritten in place; a failed
    // in-place write keeps "<path>.tmp" when that holds the new text.
    bool Save(SysError* error);
    // *size: in, the buffer's size; out, on error 122, the size needed.
    bool GetString(const char* section, const char* key, char* buffer, uint32_t* size,
                   SysError* error);
    bool GetInt(const char* section, const char* key, int32_t* value, bool* valid, SysError* error);
    bool GetInt64(const char* section, const char* key, int64_t* value, bool* valid,
                  SysError* error);
    // Section names and keys are looked up without surrounding whitespace. Refuses with 13 what
    // would not read back the same after a reload: line breaks anywhere, '[', ']' or '=' in the
    // section name, '=' in the key.
    bool SetString(const char* section, const char* key, const char* value, SysError* error,
                   bool writeThrough);
    bool DeleteSection(const char* section, SysError* error, bool writeThrough);
    bool SectionExists(const char* section, SysError* error, bool* exists);

    // The normalised text (without the NUL) and its length; for tests and benchmarks.
    const char* Text() const { return text_ ? text_ : ""; }
    uint32_t TextLength() const { return used_ ? used_ - 1 : 0; }
    bool IsLoaded() const { return text_ != nullptr; }
    uint32_t Capacity() const { return capacity_; }
    // Closes the file and frees the text, as at program end.
    void Reset();
    // Off, every section lookup searches the text from its start; the fuzzers check that both
    // ways find the same.
    void UseSectionIndex(bool on);

  private:
    // Where a section (and a key in it) was found; offsets into the text.
    struct Lookup {
        bool sectionFound = false;
        bool keyFound = false;
        uint32_t header = 0, body = 0, end = 0;
        uint32_t line = 0, value = 0, valueEnd = 0;
    };
    // Checks the state and the names, then finds the section and, when `key` is given, the key.
    bool Locate(const char* section, const char* key, Lookup* found, SysError* error);
    // GetInt and GetInt64, each with its parser.
    template <typename T>
    bool GetNumber(const char* section, const char* key, T* value, bool* valid, SysError* error,
                   bool (*parse)(TextSpan, T*));
    // Replaces `removed` bytes at `at` by the pieces, growing the buffer when needed.
    // `keepsHeaders`: the caller keeps the list of header lines right (an edit inside a section
    // needs nothing more); otherwise the list is made anew on the next lookup.
    bool Splice(uint32_t at, uint32_t removed, const TextSpan* pieces, int count, SysError* error,
                bool keepsHeaders = false);
    static char* AbsolutePath(const char* path);
    char* SiblingPath(const char* suffix) const;
    SysError OpenHeld();
    SysError WriteWhole(FileHandle file);
    SysError WriteInPlace();
    // Puts the written temporary file in the settings file's place.
    SysError MoveOver(const char* tempPath);
    SysError ReplaceByRenames(const char* tempPath);
    static bool Fail(SysError code, SysError* error);
    static bool Succeed(SysError* error);

    FileHandle file_ = kNoFile;
    uint32_t fileSize_ = 0;
    uint32_t capacity_ = 0;
    uint32_t used_ = 0;
    char* text_ = nullptr;
    char* path_ = nullptr;

    SectionIndex index_;
};

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
