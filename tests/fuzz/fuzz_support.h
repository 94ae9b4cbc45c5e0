// What the fuzz targets share: stopping with the offending text shown readably.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

[[noreturn]] inline void Broken(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s\n", what);
    for (unsigned char c : text) {
        if (c >= 32 && c < 127) {
            std::fputc(c, stderr);
        } else {
            std::fprintf(stderr, "\\x%02x", c);
        }
    }
    std::fputc('\n', stderr);
    std::abort();
}

}  // namespace fuzz
