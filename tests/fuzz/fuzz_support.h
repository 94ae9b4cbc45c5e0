// What the fuzz targets share: stopping with the offending text shown readably, and the path
// handling of their in-memory file systems.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/platform.h"

namespace fuzz {

// A one-file system has no folders: every path is already whole.
inline dt::SysError PathAsGiven(const char* path, char* buffer, uint32_t size, uint32_t* needed) {
    const size_t length = std::strlen(path) + 1;
    if (length > size) {
        *needed = static_cast<uint32_t>(length);
        return dt::kErrorInsufficientBuffer;
    }
    std::memcpy(buffer, path, length);
    return 0;
}

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
