// Fuzzes the settings file's number parsers against a reference parse written another way.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/settings_text.h"

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Whitespace, an optional sign, whitespace, 1 to `maxDigits` digits, whitespace; magnitude at
// most `max`.
bool Reference(const std::string& text, int maxDigits, __int128 max, __int128* value) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
        while (i < text.size() && IsSpace(text[i])) ++i;
    }
    size_t digitsStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    size_t digits = i - digitsStart;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i != text.size() || digits == 0 || digits > static_cast<size_t>(maxDigits)) return false;
    __int128 magnitude = 0;
    for (size_t k = digitsStart; k < digitsStart + digits; ++k) {
        magnitude = magnitude * 10 + (text[k] - '0');
    }
    if (magnitude > max) return false;
    *value = negative ? -magnitude : magnitude;
    return true;
}

[[noreturn]] void Mismatch(const char* which, const std::string& text) {
    std::fprintf(stderr, "%s disagrees with the reference on \"%s\"\n", which, text.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The parsers take C strings: the text ends at the first NUL.
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));

    __int128 expected = 0;
    int32_t value32 = 0;
    bool ok32 = dt::ParseInt32(text.c_str(), &value32);
    bool ref32 = Reference(text, 10, INT32_MAX, &expected);
    if (ok32 != ref32 || (ok32 && value32 != expected)) Mismatch("ParseInt32", text);

    int64_t value64 = 0;
    bool ok64 = dt::ParseInt64(text.c_str(), &value64);
    bool ref64 = Reference(text, 19, INT64_MAX, &expected);
    if (ok64 != ref64 || (ok64 && value64 != expected)) Mismatch("ParseInt64", text);
    return 0;
}
