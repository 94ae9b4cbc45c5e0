// The settings file store: the file (load, save) and the text's edits and lookups.
#include "settings/settings_store.h"

#include <cstdlib>
#include <cstring>

namespace dt {
namespace {

// Spare room kept after the text so that most changes need no new buffer.
constexpr uint32_t kSpareRoom = 8192;
// Opens, reads and writes are tried this often before the system's error is passed on.
constexpr int kAttempts = 4;

struct KeyPlace {
    uint32_t line;      // the key's first byte
    uint32_t value;     // just after '='
    uint32_t valueEnd;  // the CR of the line's CR LF, or the section's end
};

// Finds "\r\n" key "=" inside the section, starting at its header line.
bool FindKeyIn(const char* text, uint32_t length, const SectionPlace& section, TextSpan key,
               KeyPlace* place, SysError* error) {
    *error = 0;
    if (section.end < section.header + 2) return false;
    Pattern pattern("\r\n", key, "=");
    if (!pattern.Ok()) {
        *error = kErrorNotEnoughMemory;
        return false;
    }
    // The match may run on past the section's end; only where it begins is bounded.
    uint32_t bound = section.end - 2 - section.header;
    int64_t at = FindNoCase(text + section.header, length - section.header, pattern.Data(),
                            pattern.Length(), bound);
    if (at < 0) return false;
    uint32_t match = section.header + static_cast<uint32_t>(at);
    place->line = match + 2;
    place->value = match + pattern.Length();
    place->valueEnd = FindLineBreak(text, place->value, section.end);
    return true;
}

// Checks a key given to a lookup; keys that can never be stored are refused with 13.
bool UsableKey(TextSpan key) {
    if (key.length == 0 || key.data[0] == '[') return false;
    return !Contains(key, "\r\n=");
}

}  // namespace

SettingsFile::~SettingsFile() { Reset(); }

void SettingsFile::Reset() {
    index_.Drop();
    if (file_ != kNoFile) Files().Close(file_);
    file_ = kNoFile;
    std::free(text_);
    text_ = nullptr;
    std::free(path_);
    path_ = nullptr;
    fileSize_ = 0;
    capacity_ = 0;
    used_ = 0;
}

bool SettingsFile::Fail(SysError code, SysError* error) {
    if (error) *error = code;
    return false;
}

bool SettingsFile::Succeed(SysError* error) {
    if (error) *error = 0;
    return true;
}

// A heap copy of `path` made absolute; as given when the system cannot do that. Null without
// memory.
char* SettingsFile::AbsolutePath(const char* path) {
    uint32_t size = 260;
    for (int attempt = 0; attempt < 2; ++attempt) {
        char* full = static_cast<char*>(std::malloc(size));
        if (!full) return nullptr;
        uint32_t needed = 0;
        const SysError code = Files().FullPath(path, full, size, &needed);
        if (code == 0) return full;
        std::free(full);
        if (code != kErrorInsufficientBuffer || needed <= size) break;
        size = needed;
    }
    const size_t length = std::strlen(path);
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy) std::memcpy(copy, path, length + 1);
    return copy;
}

SysError SettingsFile::OpenHeld() {
    SysError code = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        code = Files().OpenAlways(path_, &file_);
        if (code == 0) return 0;
        file_ = kNoFile;
    }
    return code;
}

bool SettingsFile::Load(const char* path, SysError* error) {
    if (!path || !*path) return Fail(kErrorPathNotFound, error);
    // The held handle would keep the file from being opened again, so let go of it first.
    Reset();
    // Held as an absolute name: the file dialogs change the current folder, and saves must not
    // follow them to another file.
    path_ = AbsolutePath(path);
    if (!path_) return Fail(kErrorNotEnoughMemory, error);

    SysError code = OpenHeld();
    if (code != 0) {
        Reset();
        return Fail(code, error);
    }
    uint32_t size = 0;
    code = Files().GetSize(file_, &size);
    if (code == 0 && uint64_t{size} + 1 + kSpareRoom > UINT32_MAX) code = kErrorNotEnoughMemory;
    if (code == 0) {
        capacity_ = size + 1 + kSpareRoom;
        text_ = static_cast<char*>(std::calloc(capacity_, 1));
        if (!text_) code = kErrorNotEnoughMemory;
    }
    uint32_t done = 0;
    if (code == 0) code = Files().SeekStart(file_);
    if (code == 0) {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            if (attempt > 0 && (code = Files().SeekStart(file_)) != 0) break;
            code = Files().Read(file_, text_, size, &done);
            if (code == 0) break;
        }
    }
    if (code != 0) {
        Reset();
        return Fail(code, error);
    }
    fileSize_ = size;
    // The header lines are listed on the way, for the section index.
    index_.BeginListing();
    used_ = NormaliseSettingsText(text_, done < size ? done : size, &index_) + 1;
    index_.EndListing();
    return Succeed(error);
}

// Seeks, writes and only then cuts the file to the text's length, so that a write that fails
// part-way leaves the file no shorter than it was.
SysError SettingsFile::WriteWhole(FileHandle file) {
    const uint32_t count = used_ - 1;
    SysError code = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if ((code = Files().SeekStart(file)) != 0) return code;
        uint32_t written = 0;
        code = 0;
        while (code == 0 && written < count) {
            uint32_t done = 0;
            code = Files().Write(file, text_ + written, count - written, &done);
            if (code == 0 && done == 0) code = kErrorWriteFault;
            written += done;
        }
        if (code == 0) return Files().Truncate(file);
    }
    return code;
}

SysError SettingsFile::WriteInPlace() {
    SysError code = 0;
    if (file_ == kNoFile && (code = OpenHeld()) != 0) return code;
    if ((code = WriteWhole(file_)) != 0) return code;
    Files().Flush(file_);
    return 0;
}

char* SettingsFile::SiblingPath(const char* suffix) const {
    const size_t pathLength = std::strlen(path_), suffixLength = std::strlen(suffix);
    char* sibling = static_cast<char*>(std::malloc(pathLength + suffixLength + 1));
    if (!sibling) return nullptr;
    std::memcpy(sibling, path_, pathLength);
    std::memcpy(sibling + pathLength, suffix, suffixLength + 1);
    return sibling;
}

// Without a replacing move (Windows 95) the old file steps aside first and comes back when the
// new one cannot take its name, so that neither text is lost.
SysError SettingsFile::ReplaceByRenames(const char* tempPath) {
    char* oldPath = SiblingPath(".old");
    if (!oldPath) return kErrorNotEnoughMemory;
    Files().Remove(oldPath);
    SysError code = Files().Rename(path_, oldPath);
    const bool movedAside = code == 0;
    if (code == kErrorFileNotFound) code = 0;
    if (code == 0) code = Files().Rename(tempPath, path_);
    if (movedAside) {
        if (code == 0) {
            Files().Remove(oldPath);
        } else {
            Files().Rename(oldPath, path_);
        }
    }
    std::free(oldPath);
    return code;
}

SysError SettingsFile::MoveOver(const char* tempPath) {
    // Windows cannot replace a file that is held open.
    if (file_ != kNoFile) Files().Close(file_);
    file_ = kNoFile;
    SysError code = Files().Replace(tempPath, path_);
    if (code == kErrorCallNotImplemented) code = ReplaceByRenames(tempPath);
    // Hold the file again, the new one or, after a refusal, the old one. A failed reopen is no
    // failure of the save: the next save finds the file by its path.
    OpenHeld();
    return code;
}

bool SettingsFile::Save(SysError* error) {
    if (!text_ || !path_) return Fail(kErrorInvalidBlock, error);

    // The new text goes to a file beside the settings file, which then replaces it, so that a
    // failed write leaves the old settings intact. Where that cannot be done (no file can be made
    // there, or another program holds the settings file open) the file is rewritten in place
    // through the held handle.
    char* tempPath = SiblingPath(".tmp");
    if (!tempPath) return Fail(kErrorNotEnoughMemory, error);
    FileHandle temp = kNoFile;
    SysError code = Files().CreateNew(tempPath, &temp);
    if (code != 0) {
        code = WriteInPlace();
    } else {
        code = WriteWhole(temp);
        if (code == 0) code = Files().Flush(temp);
        Files().Close(temp);
        if (code != 0) {
            // A partial copy is worth nothing; the settings file itself is still whole.
            Files().Remove(tempPath);
            code = WriteInPlace();
        } else if (MoveOver(tempPath) != 0) {
            // The temporary file stays until the text is in place: till then it is the only
            // whole copy of the new settings on the disk.
            code = WriteInPlace();
            if (code == 0) Files().Remove(tempPath);
        }
    }
    std::free(tempPath);
    if (code != 0) return Fail(code, error);
    fileSize_ = used_ - 1;
    return Succeed(error);
}

bool SettingsFile::Splice(uint32_t at, uint32_t removed, const TextSpan* pieces, int count,
                          SysError* error, bool keepsHeaders) {
    uint64_t added = 0;
    for (int i = 0; i < count; ++i) added += pieces[i].length;
    uint64_t newUsed = uint64_t{used_} - removed + added;
    if (newUsed + kSpareRoom > UINT32_MAX) return Fail(kErrorNotEnoughMemory, error);
    const uint32_t tail = used_ - at - removed;  // includes the NUL
    if (newUsed > capacity_) {
        uint32_t newCapacity = static_cast<uint32_t>(newUsed) + kSpareRoom;
        char* grown = static_cast<char*>(std::calloc(newCapacity, 1));
        if (!grown) return Fail(kErrorNotEnoughMemory, error);
        std::memcpy(grown, text_, at);
        std::memcpy(grown + newUsed - tail, text_ + at + removed, tail);
        std::free(text_);
        text_ = grown;
        capacity_ = newCapacity;
    } else {
        std::memmove(text_ + newUsed - tail, text_ + at + removed, tail);
        if (newUsed < used_) std::memset(text_ + newUsed, 0, used_ - newUsed);
    }
    uint32_t to = at;
    for (int i = 0; i < count; ++i) {
        std::memcpy(text_ + to, pieces[i].data, pieces[i].length);
        to += pieces[i].length;
    }
    used_ = static_cast<uint32_t>(newUsed);
    if (keepsHeaders) {
        index_.Shifted(at, static_cast<int64_t>(added) - removed);
    } else {
        index_.Forget();
    }
    return true;
}

void SettingsFile::UseSectionIndex(bool on) { index_.Use(on); }

bool SettingsFile::Locate(const char* section, const char* key, Lookup* found, SysError* error) {
    *found = Lookup();
    if (!text_ || !section) return Fail(kErrorInvalidBlock, error);
    TextSpan name = Trimmed(section);
    if (name.length == 0) return Fail(kErrorInvalidData, error);
    TextSpan keyName{nullptr, 0};
    if (key) {
        keyName = Trimmed(key);
        if (!UsableKey(keyName)) return Fail(kErrorInvalidData, error);
    }
    SysError code = 0;
    SectionPlace where{};
    found->sectionFound = index_.Find(text_, used_ - 1, name, &where, &code);
    if (code != 0) return Fail(code, error);
    found->header = where.header;
    found->body = where.body;
    found->end = where.end;
    if (found->sectionFound && key) {
        KeyPlace place{};
        found->keyFound = FindKeyIn(text_, used_ - 1, where, keyName, &place, &code);
        if (code != 0) return Fail(code, error);
        found->line = place.line;
        found->value = place.value;
        found->valueEnd = place.valueEnd;
    }
    return Succeed(error);
}

bool SettingsFile::GetString(const char* section, const char* key, char* buffer, uint32_t* size,
                             SysError* error) {
    if (!text_ || !buffer || !size || !key) return Fail(kErrorInvalidBlock, error);
    Lookup found;
    if (!Locate(section, key, &found, error)) return false;
    if (!found.keyFound) return Fail(0, error);
    uint32_t length = found.valueEnd - found.value;
    if (*size < uint64_t{length} + 1) {
        *size = length + 1;
        return Fail(kErrorInsufficientBuffer, error);
    }
    std::memcpy(buffer, text_ + found.value, length);
    buffer[length] = '\0';
    return Succeed(error);
}

template <typename T>
bool SettingsFile::GetNumber(const char* section, const char* key, T* value, bool* valid,
                             SysError* error, bool (*parse)(TextSpan, T*)) {
    if (valid) *valid = true;
    if (!text_ || !value || !valid || !key) return Fail(kErrorInvalidBlock, error);
    Lookup found;
    if (!Locate(section, key, &found, error)) return false;
    if (!found.keyFound) return Fail(0, error);
    if (!parse(TextSpan{text_ + found.value, found.valueEnd - found.value}, value)) {
        *valid = false;
        return Fail(0, error);
    }
    return Succeed(error);
}

bool SettingsFile::GetInt(const char* section, const char* key, int32_t* value, bool* valid,
                          SysError* error) {
    return GetNumber<int32_t>(section, key, value, valid, error, ParseInt32);
}

bool SettingsFile::GetInt64(const char* section, const char* key, int64_t* value, bool* valid,
                            SysError* error) {
    return GetNumber<int64_t>(section, key, value, valid, error, ParseInt64);
}

bool SettingsFile::SetString(const char* section, const char* key, const char* value,
                             SysError* error, bool writeThrough) {
    if (!text_ || !section || !key || !value) return Fail(kErrorInvalidBlock, error);
    TextSpan keyName = Trimmed(key);
    TextSpan newValue = Trimmed(value);
    TextSpan name = Trimmed(section);
    // Anything that would not read back as the same section, key and value after a reload is
    // refused: a line break would start a new line, and brackets or '=' in a section name, or
    // '=' in a key, change how the line is split.
    if (newValue.length == 0 || Contains(newValue, "\r\n")) {
        return Fail(kErrorInvalidData, error);
    }
    if (name.length == 0 || Contains(name, "\r\n[]=")) return Fail(kErrorInvalidData, error);
    Lookup found;
    if (!Locate(section, key, &found, error)) return false;

    if (found.keyFound) {
        uint32_t oldLength = found.valueEnd - found.value;
        bool same = oldLength == newValue.length &&
                    std::memcmp(text_ + found.value, newValue.data, oldLength) == 0;
        if (!same) {
            // The caller's spelling of the key replaces the stored one.
            const TextSpan pieces[] = {keyName, {"=", 1}, newValue};
            if (!Splice(found.line, found.valueEnd - found.line, pieces, 3, error, true)) {
                return false;
            }
        }
    } else if (found.sectionFound && found.end < used_ - 1) {
        const TextSpan pieces[] = {keyName, {"=", 1}, newValue, {"\r\n", 2}};
        if (!Splice(found.end, 0, pieces, 4, error, true)) return false;
    } else if (found.sectionFound) {
        // The last section: the text keeps having no final line break.
        const TextSpan pieces[] = {{"\r\n", 2}, keyName, {"=", 1}, newValue};
        if (!Splice(used_ - 1, 0, pieces, 4, error, true)) return false;
    } else {
        const bool empty = used_ <= 1;
        const uint32_t header = used_ - 1 + (empty ? 0u : 2u);
        const TextSpan pieces[] = {
            {"\r\n", empty ? 0u : 2u}, {"[", 1}, name, {"]\r\n", 3}, keyName, {"=", 1}, newValue};
        if (!Splice(used_ - 1, 0, pieces, 7, error, true)) return false;
        index_.Appended(header);
    }
    if (writeThrough) return Save(error);
    return Succeed(error);
}

bool SettingsFile::DeleteSection(const char* section, SysError* error, bool writeThrough) {
    Lookup found;
    if (!Locate(section, nullptr, &found, error)) return false;
    if (!found.sectionFound) return Fail(0, error);
    uint32_t from = found.header;
    if (found.end == used_ - 1 && from >= 2) from -= 2;  // the CR LF before the last section
    // The section's header leaves the index first, while it can still be found there.
    index_.Removed(found.header);
    if (!Splice(from, found.end - from, nullptr, 0, error, true)) return false;
    if (writeThrough) return Save(error);
    return Succeed(error);
}

bool SettingsFile::SectionExists(const char* section, SysError* error, bool* exists) {
    if (exists) *exists = false;
    if (!exists) return Fail(kErrorInvalidBlock, error);
    Lookup found;
    if (!Locate(section, nullptr, &found, error)) return false;
    *exists = found.sectionFound;
    return Succeed(error);
}

SettingsFile& Settings() {
    static SettingsFile settings;
    return settings;
}

}  // namespace dt
