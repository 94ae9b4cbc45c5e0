// The settings file's text: normalisation at load, number parsing, and the searches lookups use.
#include "settings/settings_text.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "app/ascii.h"

namespace dt {
namespace {

// The grammar of ParseInt32 and ParseInt64, over `length` bytes.
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

// ---- Normalisation ----

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
class Normaliser {
  public:
    Normaliser(char* text, uint32_t length, bool wholeLines, HeaderListener* listener)
        : text_(text), length_(length), wholeLines_(wholeLines), listener_(listener) {}

    // Folded into each caller, so that each way of normalising is a copy of its own with the
    // state in registers.
    __attribute__((always_inline)) uint32_t Run() {
        // The shortcut's scans stop at this NUL; the terminating NUL goes at or before it anyway.
        text_[length_] = '\0';
        while (in_ < length_) {
            if (wholeLines_ && state_ == State::kLineStart && TakeWholeLine()) continue;
            const unsigned char c = static_cast<unsigned char>(text_[in_]);
            const bool lastByte = in_ + 1 == length_;
            switch (state_) {
                case State::kLineStart:
                    AtLineStart(c, lastByte);
                    break;
                case State::kHeader:
                    InHeader(c, lastByte);
                    break;
                case State::kHeaderClosed:
                    AfterHeader(c);
                    break;
                case State::kKey:
                    InKey(c);
                    break;
                case State::kValue:
                    InValue(c);
                    break;
                case State::kLineEnd:
                    AtLineEnd(c);
                    break;
            }
        }
        EndLastLine();
        return EndText();
    }

  private:
    enum class State { kLineStart, kHeader, kHeaderClosed, kKey, kValue, kLineEnd };

    // A line already in normal form, copied whole; false when the line needs the byte-wise way.
    bool TakeWholeLine() {
        bool isHeader = false;
        const uint32_t n = NormalLineLength(text_ + in_, &isHeader);
        if (n == 0 || (!isHeader && !haveHeader_)) return false;
        if (out_ != in_) std::memmove(text_ + out_, text_ + in_, n);
        in_ += n;
        out_ += n;
        EndLine(isHeader);
        return true;
    }

    void AtLineStart(unsigned char c, bool lastByte) {
        if (IsBlank(c)) {
            ++in_;
        } else if (c == '[') {
            if (lastByte) {
                DropLine();
            } else {
                Copy(c);
                nameStart_ = out_;
                state_ = State::kHeader;
            }
        } else if (c == '=' || IsLineBreak(c) || !haveHeader_) {
            // A line starting with '=', an empty line, a stray LF, or text before the first
            // header.
            DropLine();
        } else {
            Copy(c);
            state_ = State::kKey;
        }
    }

    // Whitespace runs inside a header's name become spaces; '=' is left out.
    void InHeader(unsigned char c, bool lastByte) {
        if (IsBlank(c)) {
            if (out_ > nameStart_) text_[out_++] = ' ';
            ++in_;
        } else if (c == '=') {
            ++in_;
        } else if (c == ']') {
            TrimSpaces(nameStart_);
            if (out_ == nameStart_ || lastByte) {
                DropLine();
            } else {
                Copy(c);
                state_ = State::kHeaderClosed;
            }
        } else if (c == '[' || IsLineBreak(c)) {
            DropLine();
        } else {
            Copy(c);
        }
    }

    // Only whitespace may follow a header's ']'.
    void AfterHeader(unsigned char c) {
        if (IsBlank(c)) {
            ++in_;
        } else if (c == '\r') {
            Copy(c);
            lineIsHeader_ = true;
            state_ = State::kLineEnd;
        } else {
            DropLine();
        }
    }

    void InKey(unsigned char c) {
        if (IsBlank(c)) {
            text_[out_++] = ' ';
            ++in_;
        } else if (c == '=') {
            TrimSpaces(lineStart_);
            Copy(c);
            nameStart_ = out_;
            state_ = State::kValue;
        } else if (IsLineBreak(c)) {
            DropLine();  // a key without '='
        } else {
            Copy(c);
        }
    }

    void InValue(unsigned char c) {
        if (IsBlank(c)) {
            if (out_ > nameStart_) text_[out_++] = ' ';
            ++in_;
        } else if (c == '\r') {
            TrimSpaces(nameStart_);
            if (out_ == nameStart_) {
                DropLine();  // an empty value
            } else {
                Copy(c);
                lineIsHeader_ = false;
                state_ = State::kLineEnd;
            }
        } else if (c == '\n') {
            DropLine();
        } else {
            Copy(c);
        }
    }

    // A kept CR must be followed by LF; a lone CR does not end a line.
    void AtLineEnd(unsigned char c) {
        if (c != '\n') {
            DropLine();
            return;
        }
        Copy(c);
        EndLine(lineIsHeader_);
    }

    void Copy(unsigned char c) {
        text_[out_++] = static_cast<char>(c);
        ++in_;
    }

    void DropLine() {
        out_ = lineStart_;
        state_ = State::kLineStart;
        const uint32_t next = FindLineBreak(text_, in_, length_);
        in_ = next < length_ ? next + 2 : length_;
    }

    void TrimSpaces(uint32_t floor) {
        while (out_ > floor && text_[out_ - 1] == ' ') --out_;
    }

    // Called with the LF of a kept line written.
    void EndLine(bool isHeader) {
        if (isHeader) {
            if (haveHeader_ && !headerHasKeys_) {
                // The previous header had no key lines: this one takes its place.
                const uint32_t lineLength = out_ - lineStart_;
                std::memmove(text_ + headerStart_, text_ + lineStart_, lineLength);
                out_ = headerStart_ + lineLength;
            } else {
                headerStart_ = lineStart_;
                if (listener_) listener_->Kept(lineStart_);
            }
            haveHeader_ = true;
            headerHasKeys_ = false;
        } else {
            headerHasKeys_ = true;
        }
        lineStart_ = out_;
        state_ = State::kLineStart;
    }

    // The last line, when it has no CR LF, is kept as far as it was copied if it is a key line.
    void EndLastLine() {
        switch (state_) {
            case State::kValue:
                TrimSpaces(nameStart_);
                if (out_ == nameStart_) {
                    out_ = lineStart_;
                } else {
                    headerHasKeys_ = true;
                }
                break;
            case State::kLineEnd:
                if (lineIsHeader_) {
                    out_ = lineStart_;
                } else {
                    headerHasKeys_ = true;
                }
                break;
            default:
                out_ = lineStart_;
                break;
        }
    }

    // A last header without key lines goes, then whitespace at the end; the NUL follows.
    uint32_t EndText() {
        if (haveHeader_ && !headerHasKeys_) {
            out_ = headerStart_;
            if (listener_) listener_->TakenBack();
        }
        while (out_ > 0 && (IsBlank(static_cast<unsigned char>(text_[out_ - 1])) ||
                            IsLineBreak(static_cast<unsigned char>(text_[out_ - 1])))) {
            --out_;
        }
        text_[out_] = '\0';
        return out_;
    }

    char* const text_;
    const uint32_t length_;
    const bool wholeLines_;
    HeaderListener* const listener_;
    State state_ = State::kLineStart;
    uint32_t in_ = 0;
    uint32_t out_ = 0;
    uint32_t lineStart_ = 0;
    uint32_t nameStart_ = 0;  // first byte of a header's name, or of a value
    bool lineIsHeader_ = false;
    bool haveHeader_ = false;   // a header line has been kept
    uint32_t headerStart_ = 0;  // the last kept header line
    bool headerHasKeys_ = false;
};

}  // namespace

uint32_t NormaliseSettingsText(char* text, uint32_t length) {
    return Normaliser(text, length, true, nullptr).Run();
}

uint32_t NormaliseSettingsTextByteWise(char* text, uint32_t length) {
    return Normaliser(text, length, false, nullptr).Run();
}

uint32_t NormaliseSettingsText(char* text, uint32_t length, HeaderListener* listener) {
    return Normaliser(text, length, true, listener).Run();
}

// ---- Numbers ----

bool ParseInt32(TextSpan text, int32_t* value) {
    return ParseSpan<int32_t>(text.data, text.length, 10, "2147483647", value);
}

bool ParseInt64(TextSpan text, int64_t* value) {
    return ParseSpan<int64_t>(text.data, text.length, 19, "9223372036854775807", value);
}

bool ParseInt32(const char* text, int32_t* value) {
    if (!text || !value) return false;
    size_t length = std::strlen(text);
    if (length > UINT32_MAX) return false;
    return ParseInt32(TextSpan{text, static_cast<uint32_t>(length)}, value);
}

bool ParseInt64(const char* text, int64_t* value) {
    if (!text || !value) return false;
    size_t length = std::strlen(text);
    if (length > UINT32_MAX) return false;
    return ParseInt64(TextSpan{text, static_cast<uint32_t>(length)}, value);
}

// ---- Searching ----

int64_t FindNoCase(const char* text, uint32_t textLength, const char* pattern,
                   uint32_t patternLength, uint32_t bound) {
    if (patternLength == 0) return 0;
    if (!text || !pattern || textLength == 0 || textLength < patternLength) return -1;
    uint32_t last = textLength - patternLength;
    if (bound < last) last = bound;
    const unsigned char first = AsciiUpper(static_cast<unsigned char>(pattern[0]));
    const bool firstIsLetter = first >= 'A' && first <= 'Z';
    uint32_t i = 0;
    while (i <= last) {
        if (!firstIsLetter) {
            // Jump straight to the next candidate; most patterns here start with '[' or CR.
            const void* hit = std::memchr(text + i, first, last - i + 1);
            if (!hit) return -1;
            i = static_cast<uint32_t>(static_cast<const char*>(hit) - text);
        } else if (AsciiUpper(static_cast<unsigned char>(text[i])) != first) {
            ++i;
            continue;
        }
        uint32_t k = 1;
        while (k < patternLength && AsciiUpper(static_cast<unsigned char>(text[i + k])) ==
                                        AsciiUpper(static_cast<unsigned char>(pattern[k]))) {
            ++k;
        }
        if (k == patternLength) return i;
        ++i;
    }
    return -1;
}

}  // namespace dt
