// The settings file store: load with normalisation, lookups, in-memory changes, whole-file saves.
#include "settings/settings_store.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace dt {
namespace {

// Spare room kept after the text so that most changes need no new buffer.
constexpr uint32_t kSpareRoom = 8192;
// Opens, reads and writes are tried this often before the system's error is passed on.
constexpr int kAttempts = 4;

// Whitespace inside a line; CR and LF are line structure, not whitespace.
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }
bool IsLineBreak(unsigned char c) { return c == '\r' || c == '\n'; }
unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

using Span = SettingsFile::Piece;

Span Trimmed(const char* text) {
    size_t length = std::strlen(text);
    while (length && IsBlank(static_cast<unsigned char>(*text))) {
        ++text;
        --length;
    }
    while (length && IsBlank(static_cast<unsigned char>(text[length - 1]))) --length;
    // Names and values longer than 4 GiB cannot be stored in a 32-bit text anyway.
    if (length > UINT32_MAX) length = UINT32_MAX;
    return {text, static_cast<uint32_t>(length)};
}

bool Contains(Span span, const char* bytes) {
    for (uint32_t i = 0; i < span.length; ++i) {
        if (std::strchr(bytes, span.data[i]) && span.data[i] != '\0') return true;
    }
    return false;
}

// Index of the first CR LF at or after `from` and before `end`, or `end`.
uint32_t FindLineBreak(const char* text, uint32_t from, uint32_t end) {
    while (from + 1 < end) {
        const void* cr = std::memchr(text + from, '\r', end - from - 1);
        if (!cr) break;
        uint32_t at = static_cast<uint32_t>(static_cast<const char*>(cr) - text);
        if (text[at + 1] == '\n') return at;
        from = at + 1;
    }
    return end;
}

// A search pattern built from pieces, on the stack when short.
class Pattern {
  public:
    Pattern(const char* prefix, Span middle, const char* suffix) {
        size_t prefixLength = std::strlen(prefix);
        size_t suffixLength = std::strlen(suffix);
        uint64_t total = uint64_t{prefixLength} + middle.length + suffixLength;
        if (total > UINT32_MAX) return;
        length_ = static_cast<uint32_t>(total);
        data_ = length_ <= sizeof inline_ ? inline_ : static_cast<char*>(std::malloc(length_));
        if (!data_) return;
        std::memcpy(data_, prefix, prefixLength);
        std::memcpy(data_ + prefixLength, middle.data, middle.length);
        std::memcpy(data_ + prefixLength + middle.length, suffix, suffixLength);
    }
    ~Pattern() {
        if (data_ != inline_) std::free(data_);
    }
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    bool Ok() const { return data_ != nullptr; }
    const char* Data() const { return data_; }
    uint32_t Length() const { return length_; }

  private:
    char inline_[128];
    char* data_ = nullptr;
    uint32_t length_ = 0;
};

struct SectionPlace {
    uint32_t header;  // the header's '['
    uint32_t body;    // just after the header's CR LF
    uint32_t end;     // the next header's '[' or the text's end
};

struct KeyPlace {
    uint32_t line;      // the key's first byte
    uint32_t value;     // just after '='
    uint32_t valueEnd;  // the CR of the line's CR LF, or the section's end
};

// A section name or key that could match across lines, which no stored name can.
bool CrossesLines(Span name) { return Contains(name, "\r\n"); }

// Finds the first header "[name]" CR LF that starts a line. *error is 8 when out of memory.
bool FindSectionIn(const char* text, uint32_t length, Span name, SectionPlace* place,
                   SysError* error) {
    *error = 0;
    if (CrossesLines(name)) return false;
    Pattern pattern("[", name, "]\r\n");
    if (!pattern.Ok()) {
        *error = kErrorNotEnoughMemory;
        return false;
    }
    uint32_t from = 0;
    while (from < length) {
        int64_t at =
            FindNoCase(text + from, length - from, pattern.Data(), pattern.Length(), length - from);
        if (at < 0) return false;
        uint32_t header = from + static_cast<uint32_t>(at);
        if (header == 0 || (header >= 2 && text[header - 2] == '\r' && text[header - 1] == '\n')) {
            place->header = header;
            place->body = header + pattern.Length();
            uint32_t next = place->body >= 2 ? place->body - 2 : 0;
            uint32_t end = length;
            for (;;) {
                next = FindLineBreak(text, next, length);
                if (next >= length) break;
                if (next + 2 < length && text[next + 2] == '[') {
                    end = next + 2;
                    break;
                }
                next += 2;
            }
            place->end = end;
            return true;
        }
        from = header + 1;
    }
    return false;
}

// Finds "\r\n" key "=" inside the section, starting at its header line.
bool FindKeyIn(const char* text, uint32_t length, const SectionPlace& section, Span key,
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

// A hash that names equal but for the case of ASCII letters share: bit 5 of every byte is set
// before mixing, eight bytes at a time.
uint32_t HashName(const char* name, uint32_t length) {
    constexpr uint64_t kFold = 0x2020202020202020ull;
    uint64_t hash = length * 0x9e3779b97f4a7c15ull;
    auto mix = [&hash](uint64_t word) {
        hash = (hash ^ (word | kFold)) * 0xbf58476d1ce4e5b9ull;
        hash ^= hash >> 31;
    };
    uint32_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        std::memcpy(&word, name + i, 8);
        mix(word);
    }
    if (i < length) {
        uint64_t word = 0;
        std::memcpy(&word, name + i, length - i);
        mix(word);
    }
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

bool SameNoCase(const char* a, const char* b, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        if (Upper(static_cast<unsigned char>(a[i])) != Upper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Checks a key given to a lookup; keys that can never be stored are refused with 13.
bool UsableKey(Span key) {
    if (key.length == 0 || key.data[0] == '[') return false;
    return !Contains(key, "\r\n=");
}

template <typename T>
bool ParseSpan(const char* text, uint32_t length, uint32_t maxDigits, const char* maxMagnitude,
               T* value) {
    if (!text || length == 0) return false;
    bool negative = false;
    bool signSeen = false;
    bool afterDigits = false;
    uint32_t firstDigit = 0;
    uint32_t digits = 0;
    for (uint32_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || (c >= '\t' && c <= '\r')) {
            if (digits) afterDigits = true;
        } else if (c == '+' || c == '-') {
            if (signSeen || digits) return false;
            signSeen = true;
            negative = c == '-';
        } else if (c >= '0' && c <= '9') {
            if (afterDigits) return false;
            if (!digits) firstDigit = i;
            ++digits;
            // Leading zeros count towards the limit.
            if (digits > maxDigits) return false;
        } else {
            return false;
        }
    }
    if (!digits) return false;
    // Same width as the largest value: compare digit by digit; the most negative value of the
    // type is out of range on purpose.
    if (digits == maxDigits && std::memcmp(text + firstDigit, maxMagnitude, maxDigits) > 0) {
        return false;
    }
    uint64_t magnitude = 0;
    for (uint32_t i = 0; i < digits; ++i) magnitude = magnitude * 10 + (text[firstDigit + i] - '0');
    T result = static_cast<T>(magnitude);
    *value = negative && result != 0 ? -result : result;
    return true;
}

}  // namespace

// ---- Free helpers ----

int64_t FindNoCase(const char* text, uint32_t textLength, const char* pattern,
                   uint32_t patternLength, uint32_t bound) {
    if (patternLength == 0) return 0;
    if (!text || !pattern || textLength == 0 || textLength < patternLength) return -1;
    uint32_t last = textLength - patternLength;
    if (bound < last) last = bound;
    const unsigned char first = Upper(static_cast<unsigned char>(pattern[0]));
    const bool firstIsLetter = first >= 'A' && first <= 'Z';
    uint32_t i = 0;
    while (i <= last) {
        if (!firstIsLetter) {
            // Jump straight to the next candidate; most patterns here start with '[' or CR.
            const void* hit = std::memchr(text + i, first, last - i + 1);
            if (!hit) return -1;
            i = static_cast<uint32_t>(static_cast<const char*>(hit) - text);
        } else if (Upper(static_cast<unsigned char>(text[i])) != first) {
            ++i;
            continue;
        }
        uint32_t k = 1;
        while (k < patternLength && Upper(static_cast<unsigned char>(text[i + k])) ==
                                        Upper(static_cast<unsigned char>(pattern[k]))) {
            ++k;
        }
        if (k == patternLength) return i;
        ++i;
    }
    return -1;
}

bool ParseInt32(const char* text, int32_t* value) {
    if (!text || !value) return false;
    size_t length = std::strlen(text);
    if (length > UINT32_MAX) return false;
    return ParseSpan<int32_t>(text, static_cast<uint32_t>(length), 10, "2147483647", value);
}

bool ParseInt64(const char* text, int64_t* value) {
    if (!text || !value) return false;
    size_t length = std::strlen(text);
    if (length > UINT32_MAX) return false;
    return ParseSpan<int64_t>(text, static_cast<uint32_t>(length), 19, "9223372036854775807",
                              value);
}

namespace {

// Byte classes of the whole-line shortcut, ordered so that each part of a line is one range.
enum : uint8_t { kOrdinary, kOpen, kClose, kSpace, kEquals, kLineEndByte, kOther };

struct ByteClasses {
    uint8_t of[256] = {};
    constexpr ByteClasses() {
        of[static_cast<unsigned char>('[')] = kOpen;
        of[static_cast<unsigned char>(']')] = kClose;
        of[static_cast<unsigned char>(' ')] = kSpace;
        of[static_cast<unsigned char>('=')] = kEquals;
        of[static_cast<unsigned char>('\r')] = kLineEndByte;
        // Tabs and the like need converting, a LF inside a line drops it, and a NUL may be the
        // end of the text: such lines go byte by byte.
        for (char c : {'\t', '\v', '\f', '\n', '\0'}) of[static_cast<unsigned char>(c)] = kOther;
    }
};
constexpr ByteClasses kClasses;

// Length (CR LF included) of the line at `p` when it is already in normal form and ends with
// CR LF, else 0. The text must end with a NUL.
uint32_t NormalLineLength(const char* line, bool* isHeader) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(line);
    auto cls = [](unsigned char c) { return kClasses.of[c]; };
    if (*p == '[') {
        ++p;
        if (cls(*p) != kOrdinary) return 0;
        while (cls(*p) == kOrdinary || cls(*p) == kSpace) ++p;
        if (*p != ']' || p[-1] == ' ') return 0;
        ++p;
        *isHeader = true;
    } else {
        // A key: no blank first, '=' right after its last byte.
        if (cls(*p) != kOrdinary && cls(*p) != kClose) return 0;
        while (cls(*p) <= kSpace) ++p;
        if (*p != '=' || p[-1] == ' ') return 0;
        ++p;
        // A value: not empty, no blank at either end; '=' and brackets are ordinary here.
        if (cls(*p) == kSpace || cls(*p) > kEquals) return 0;
        while (cls(*p) <= kEquals) ++p;
        if (p[-1] == ' ') return 0;
        *isHeader = false;
    }
    if (p[0] != '\r' || p[1] != '\n') return 0;
    return static_cast<uint32_t>(p + 2 - reinterpret_cast<const unsigned char*>(line));
}

// One pass over the bytes, copying over themselves. A line that breaks the grammar is dropped:
// output goes back to its start and input resumes after the next CR LF. Lines already in normal
// form are taken whole, which is most of any file the program wrote itself.
// `onHeader(at)` hears of every kept header line at offset `at`, and `onHeader(-1)` when the
// last one heard of is taken back.
template <typename OnHeader>
uint32_t Normalise(char* text, uint32_t length, bool wholeLines, OnHeader&& onHeader) {
    enum class State { kLineStart, kHeader, kHeaderClosed, kKey, kValue, kLineEnd };
    State state = State::kLineStart;
    uint32_t in = 0;
    uint32_t out = 0;
    uint32_t lineStart = 0;
    uint32_t nameStart = 0;  // first byte of a header's name, or of a value
    bool lineIsHeader = false;
    bool haveHeader = false;   // a header line has been kept
    uint32_t headerStart = 0;  // the last kept header line
    bool headerHasKeys = false;

    auto dropLine = [&]() {
        out = lineStart;
        state = State::kLineStart;
        uint32_t next = FindLineBreak(text, in, length);
        in = next < length ? next + 2 : length;
    };
    auto trimSpaces = [&](uint32_t floor) {
        while (out > floor && text[out - 1] == ' ') --out;
    };

    // Called with the LF of a kept line written.
    auto endLine = [&](bool isHeader) {
        if (isHeader) {
            if (haveHeader && !headerHasKeys) {
                // The previous header had no key lines: this one takes its place.
                uint32_t lineLength = out - lineStart;
                std::memmove(text + headerStart, text + lineStart, lineLength);
                out = headerStart + lineLength;
            } else {
                headerStart = lineStart;
                onHeader(int64_t{lineStart});
            }
            haveHeader = true;
            headerHasKeys = false;
        } else {
            headerHasKeys = true;
        }
        lineStart = out;
        state = State::kLineStart;
    };

    // The shortcut's scans stop at this NUL; the terminating NUL goes at or before it anyway.
    text[length] = '\0';
    while (in < length) {
        if (wholeLines && state == State::kLineStart) {
            bool isHeader = false;
            uint32_t n = NormalLineLength(text + in, &isHeader);
            if (n != 0 && (isHeader || haveHeader)) {
                if (out != in) std::memmove(text + out, text + in, n);
                in += n;
                out += n;
                endLine(isHeader);
                continue;
            }
        }
        const unsigned char c = static_cast<unsigned char>(text[in]);
        const bool lastByte = in + 1 == length;
        switch (state) {
            case State::kLineStart:
                if (IsBlank(c)) {
                    ++in;
                } else if (c == '[') {
                    if (lastByte) {
                        dropLine();
                    } else {
                        text[out++] = '[';
                        nameStart = out;
                        state = State::kHeader;
                        ++in;
                    }
                } else if (c == '=' || IsLineBreak(c) || !haveHeader) {
                    // A line starting with '=', an empty line, a stray LF, or text before the
                    // first header.
                    dropLine();
                } else {
                    text[out++] = static_cast<char>(c);
                    state = State::kKey;
                    ++in;
                }
                break;

            case State::kHeader:
                if (IsBlank(c)) {
                    if (out > nameStart) text[out++] = ' ';
                    ++in;
                } else if (c == '=') {
                    ++in;
                } else if (c == ']') {
                    trimSpaces(nameStart);
                    if (out == nameStart || lastByte) {
                        dropLine();
                    } else {
                        text[out++] = ']';
                        state = State::kHeaderClosed;
                        ++in;
                    }
                } else if (c == '[' || IsLineBreak(c)) {
                    dropLine();
                } else {
                    text[out++] = static_cast<char>(c);
                    ++in;
                }
                break;

            case State::kHeaderClosed:
                if (IsBlank(c)) {
                    ++in;
                } else if (c == '\r') {
                    text[out++] = '\r';
                    lineIsHeader = true;
                    state = State::kLineEnd;
                    ++in;
                } else {
                    dropLine();
                }
                break;

            case State::kKey:
                if (IsBlank(c)) {
                    text[out++] = ' ';
                    ++in;
                } else if (c == '=') {
                    trimSpaces(lineStart);
                    text[out++] = '=';
                    nameStart = out;
                    state = State::kValue;
                    ++in;
                } else if (IsLineBreak(c)) {
                    dropLine();  // a key without '='
                } else {
                    text[out++] = static_cast<char>(c);
                    ++in;
                }
                break;

            case State::kValue:
                if (IsBlank(c)) {
                    if (out > nameStart) text[out++] = ' ';
                    ++in;
                } else if (c == '\r') {
                    trimSpaces(nameStart);
                    if (out == nameStart) {
                        dropLine();  // an empty value
                    } else {
                        text[out++] = '\r';
                        lineIsHeader = false;
                        state = State::kLineEnd;
                        ++in;
                    }
                } else if (c == '\n') {
                    dropLine();
                } else {
                    text[out++] = static_cast<char>(c);
                    ++in;
                }
                break;

            case State::kLineEnd:
                // A kept CR must be followed by LF; a lone CR does not end a line.
                if (c != '\n') {
                    dropLine();
                    break;
                }
                text[out++] = '\n';
                ++in;
                endLine(lineIsHeader);
                break;
        }
    }

    // The last line, when it has no CR LF.
    switch (state) {
        case State::kValue:
            trimSpaces(nameStart);
            if (out == nameStart) {
                out = lineStart;
            } else {
                headerHasKeys = true;
            }
            break;
        case State::kLineEnd:
            if (lineIsHeader) {
                out = lineStart;
            } else {
                headerHasKeys = true;
            }
            break;
        default:
            out = lineStart;
            break;
    }
    if (haveHeader && !headerHasKeys) {
        out = headerStart;
        onHeader(int64_t{-1});
    }
    while (out > 0 && (IsBlank(static_cast<unsigned char>(text[out - 1])) ||
                       IsLineBreak(static_cast<unsigned char>(text[out - 1])))) {
        --out;
    }
    text[out] = '\0';
    return out;
}

}  // namespace

uint32_t NormaliseSettingsText(char* text, uint32_t length) {
    return Normalise(text, length, true, [](int64_t) {});
}

uint32_t NormaliseSettingsTextByteWise(char* text, uint32_t length) {
    return Normalise(text, length, false, [](int64_t) {});
}

// ---- SettingsFile ----

SettingsFile::~SettingsFile() { Reset(); }

void SettingsFile::Reset() {
    DropIndex();
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
    bool listed = true;
    used_ = Normalise(text_, done < size ? done : size, true,
                      [&](int64_t at) {
                          if (at < 0) {
                              if (headerCount_) --headerCount_;
                          } else if (listed) {
                              listed = PushHeader(static_cast<uint32_t>(at));
                          }
                      }) +
            1;
    headersListed_ = listed;
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

bool SettingsFile::Splice(uint32_t at, uint32_t removed, const Span* pieces, int count,
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
        ShiftIndex(at, static_cast<int64_t>(added) - removed);
    } else {
        headersListed_ = indexed_ = false;
    }
    return true;
}

// ---- The section index ----

// Edits keep the index up to date while it is off, so turning it back on tests the updates too.
void SettingsFile::UseSectionIndex(bool on) { useIndex_ = on; }

void SettingsFile::DropIndex() {
    std::free(headers_);
    std::free(slots_);
    headers_ = nullptr;
    slots_ = nullptr;
    headerCount_ = headerRoom_ = slotCount_ = 0;
    headersListed_ = indexed_ = false;
}

bool SettingsFile::PushHeader(uint32_t at) {
    if (headerCount_ == headerRoom_) {
        uint32_t room = headerRoom_ ? headerRoom_ * 2 : 64;
        void* grown = room > headerRoom_ ? std::realloc(headers_, sizeof(uint32_t) * uint64_t{room})
                                         : nullptr;
        if (!grown) return false;
        headers_ = static_cast<uint32_t*>(grown);
        headerRoom_ = room;
    }
    headers_[headerCount_++] = at;
    return true;
}

bool SettingsFile::BuildIndex() {
    indexed_ = false;
    const uint32_t length = used_ - 1;
    if (!headersListed_) {
        // Every line that starts with '[' is a header: a key never does.
        headerCount_ = 0;
        if (length > 0 && text_[0] == '[' && !PushHeader(0)) return false;
        for (uint32_t from = 1; from < length;) {
            const void* hit = std::memchr(text_ + from, '[', length - from);
            if (!hit) break;
            uint32_t at = static_cast<uint32_t>(static_cast<const char*>(hit) - text_);
            if (text_[at - 1] == '\n' && !PushHeader(at)) return false;
            from = at + 1;
        }
        headersListed_ = true;
    }

    uint32_t slots = 16;
    while (slots < 2 * uint64_t{headerCount_}) slots *= 2;
    if (slots != slotCount_) {
        std::free(slots_);
        slotCount_ = 0;
        slots_ = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * uint64_t{slots}));
        if (!slots_) return false;
        slotCount_ = slots;
    }
    std::memset(slots_, 0, sizeof(uint32_t) * uint64_t{slotCount_});
    const uint32_t mask = slotCount_ - 1;
    for (uint32_t i = 0; i < headerCount_; ++i) {
        const char* name = text_ + headers_[i] + 1;
        const void* close = std::memchr(name, ']', length - headers_[i] - 1);
        if (!close) continue;
        uint32_t nameLength = static_cast<uint32_t>(static_cast<const char*>(close) - name);
        // Only the first of equal names is ever found.
        for (uint32_t slot = HashName(name, nameLength) & mask;; slot = (slot + 1) & mask) {
            if (slots_[slot] == 0) {
                slots_[slot] = i + 1;
                break;
            }
            const char* other = text_ + headers_[slots_[slot] - 1] + 1;
            if (other[nameLength] == ']' && SameNoCase(other, name, nameLength)) break;
        }
    }
    indexed_ = true;
    return true;
}

uint32_t SettingsFile::HeaderOrdinal(uint32_t at) const {
    uint32_t low = 0, high = headerCount_;
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (headers_[middle] < at) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

void SettingsFile::ShiftIndex(uint32_t at, int64_t delta) {
    if (!headersListed_) return;
    for (uint32_t i = HeaderOrdinal(at); i < headerCount_; ++i) {
        headers_[i] = static_cast<uint32_t>(headers_[i] + delta);
    }
}

bool SettingsFile::FindSection(Piece name, uint32_t* header, uint32_t* body, uint32_t* end,
                               SysError* error) {
    *error = 0;
    const uint32_t length = used_ - 1;
    if (CrossesLines(name)) return false;
    if (!useIndex_ || (!indexed_ && !BuildIndex())) {
        SectionPlace place{};
        if (!FindSectionIn(text_, length, name, &place, error)) return false;
        *header = place.header;
        *body = place.body;
        *end = place.end;
        return true;
    }
    const uint32_t mask = slotCount_ - 1;
    for (uint32_t slot = HashName(name.data, name.length) & mask; slots_[slot] != 0;
         slot = (slot + 1) & mask) {
        const uint32_t i = slots_[slot] - 1;
        const uint32_t at = headers_[i];
        // The whole header line "[name]" CR LF, as the search without the index matches it.
        if (uint64_t{at} + name.length + 4 > length) continue;
        const char* line = text_ + at;
        if (line[name.length + 1] != ']' || line[name.length + 2] != '\r' ||
            line[name.length + 3] != '\n' || !SameNoCase(line + 1, name.data, name.length)) {
            continue;
        }
        *header = at;
        *body = at + name.length + 4;
        *end = i + 1 < headerCount_ ? headers_[i + 1] : length;
        return true;
    }
    return false;
}

bool SettingsFile::Locate(const char* section, const char* key, Lookup* found, SysError* error) {
    *found = Lookup();
    if (!text_ || !section) return Fail(kErrorInvalidBlock, error);
    Span name = Trimmed(section);
    if (name.length == 0) return Fail(kErrorInvalidData, error);
    Span keyName{nullptr, 0};
    if (key) {
        keyName = Trimmed(key);
        if (!UsableKey(keyName)) return Fail(kErrorInvalidData, error);
    }
    SysError code = 0;
    SectionPlace section_{};
    found->sectionFound = FindSection(name, &section_.header, &section_.body, &section_.end, &code);
    if (code != 0) return Fail(code, error);
    found->header = section_.header;
    found->body = section_.body;
    found->end = section_.end;
    if (found->sectionFound && key) {
        KeyPlace place{};
        found->keyFound = FindKeyIn(text_, used_ - 1, section_, keyName, &place, &code);
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
                             SysError* error, int digits, const char* largest) {
    if (valid) *valid = true;
    if (!text_ || !value || !valid || !key) return Fail(kErrorInvalidBlock, error);
    Lookup found;
    if (!Locate(section, key, &found, error)) return false;
    if (!found.keyFound) return Fail(0, error);
    if (!ParseSpan<T>(text_ + found.value, found.valueEnd - found.value, digits, largest, value)) {
        *valid = false;
        return Fail(0, error);
    }
    return Succeed(error);
}

bool SettingsFile::GetInt(const char* section, const char* key, int32_t* value, bool* valid,
                          SysError* error) {
    return GetNumber<int32_t>(section, key, value, valid, error, 10, "2147483647");
}

bool SettingsFile::GetInt64(const char* section, const char* key, int64_t* value, bool* valid,
                            SysError* error) {
    return GetNumber<int64_t>(section, key, value, valid, error, 19, "9223372036854775807");
}

bool SettingsFile::SetString(const char* section, const char* key, const char* value,
                             SysError* error, bool writeThrough) {
    if (!text_ || !section || !key || !value) return Fail(kErrorInvalidBlock, error);
    Span keyName = Trimmed(key);
    Span newValue = Trimmed(value);
    Span name = Trimmed(section);
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
            const Span pieces[] = {keyName, {"=", 1}, newValue};
            if (!Splice(found.line, found.valueEnd - found.line, pieces, 3, error, true)) {
                return false;
            }
        }
    } else if (found.sectionFound && found.end < used_ - 1) {
        const Span pieces[] = {keyName, {"=", 1}, newValue, {"\r\n", 2}};
        if (!Splice(found.end, 0, pieces, 4, error, true)) return false;
    } else if (found.sectionFound) {
        // The last section: the text keeps having no final line break.
        const Span pieces[] = {{"\r\n", 2}, keyName, {"=", 1}, newValue};
        if (!Splice(used_ - 1, 0, pieces, 4, error, true)) return false;
    } else {
        const bool empty = used_ <= 1;
        const uint32_t header = used_ - 1 + (empty ? 0u : 2u);
        const Span pieces[] = {
            {"\r\n", empty ? 0u : 2u}, {"[", 1}, name, {"]\r\n", 3}, keyName, {"=", 1}, newValue};
        if (!Splice(used_ - 1, 0, pieces, 7, error, true)) return false;
        // A new last header; its name was not there, so no earlier one hides it, but the table
        // is made anew rather than grown here.
        if (headersListed_ && !PushHeader(header)) headersListed_ = false;
        indexed_ = false;
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
    const uint32_t ordinal = headersListed_ ? HeaderOrdinal(found.header) : 0;
    if (headersListed_ && (ordinal == headerCount_ || headers_[ordinal] != found.header)) {
        headersListed_ = false;  // cannot happen; the list is made anew
    }
    if (!Splice(from, found.end - from, nullptr, 0, error, true)) return false;
    if (headersListed_) {
        // The section's header leaves the list; a later one of the same name may now be found.
        std::memmove(headers_ + ordinal, headers_ + ordinal + 1,
                     sizeof(uint32_t) * uint64_t{headerCount_ - ordinal - 1});
        --headerCount_;
    }
    indexed_ = false;
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
