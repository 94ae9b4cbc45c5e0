// ASCII-only case folding: names and keys ignore the case of A-Z, whatever the code page.
#pragma once

#include <cstddef>

namespace dt {

inline unsigned char AsciiUpper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Equal but for the case of ASCII letters.
inline bool EqualNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = AsciiUpper(static_cast<unsigned char>(*a));
        unsigned char y = AsciiUpper(static_cast<unsigned char>(*b));
        if (x != y) return false;
        if (x == 0) return true;
    }
}

// The same over `length` bytes that need not end with a NUL.
inline bool EqualNoCase(const char* a, const char* b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (AsciiUpper(static_cast<unsigned char>(a[i])) !=
            AsciiUpper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace dt
