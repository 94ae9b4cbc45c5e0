// The settings file's text: normalisation at load, number parsing, and the searches lookups use.
// The small helpers are inline: lookups call them with constant bytes, which they fold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace dt {

// A run of bytes within a text.
struct TextSpan {
    const char* data;
    uint32_t length;
};

// Normalises `length` bytes in place; returns the new length. The buffer must have room for one
// byte more, where the terminating NUL goes.
uint32_t NormaliseSettingsText(char* text, uint32_t length);
// The same without the whole-line shortcut for lines already in normal form; the fuzzers check
// that both give the same text.
uint32_t NormaliseSettingsTextByteWise(char* text, uint32_t length);

// Hears of the header lines that normalisation keeps, each by its offset, and of the last one
// heard of being taken back again (a section without key lines at the end of the text).
class HeaderListener {
  public:
    virtual ~HeaderListener() = default;
    virtual void Kept(uint32_t at) = 0;
    virtual void TakenBack() = 0;
};
uint32_t NormaliseSettingsText(char* text, uint32_t length, HeaderListener* listener);

// Strict decimal parsers of the settings file; false for anything that is not a number in range.
// Whitespace (space, tab, CR, LF, VT, FF) may come before the sign, between sign and digits, and
// after the digits; leading zeros count towards the 10 (19) digits allowed.
bool ParseInt32(const char* text, int32_t* value);
bool ParseInt64(const char* text, int64_t* value);
// The same over `length` bytes that need not end with a NUL.
bool ParseInt32(TextSpan text, int32_t* value);
bool ParseInt64(TextSpan text, int64_t* value);

// Index of the first case-insensitive (ASCII) match of `pattern` in `text` that begins at or
// before `bound`, or -1.
int64_t FindNoCase(const char* text, uint32_t textLength, const char* pattern,
                   uint32_t patternLength, uint32_t bound);

// Whitespace inside a line; CR and LF are line structure, not whitespace.
inline bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }
inline bool IsLineBreak(unsigned char c) { return c == '\r' || c == '\n'; }

// The text without the whitespace at either end.
inline TextSpan Trimmed(const char* text) {
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

// Whether the span holds any of `bytes` (a NUL in the span never counts).
inline bool Contains(TextSpan span, const char* bytes) {
    for (uint32_t i = 0; i < span.length; ++i) {
        if (std::strchr(bytes, span.data[i]) && span.data[i] != '\0') return true;
    }
    return false;
}

// Index of the first CR LF at or after `from` and before `end`, or `end`.
inline uint32_t FindLineBreak(const char* text, uint32_t from, uint32_t end) {
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
    Pattern(const char* prefix, TextSpan middle, const char* suffix) {
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

}  // namespace dt
