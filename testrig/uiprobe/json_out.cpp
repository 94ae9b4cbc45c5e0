// A tiny JSON writer for the rig tools.
#include "json_out.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace rig {

void Json::Separate() {
    if (needComma_) out_ += ',';
    needComma_ = false;
}

Json& Json::BeginObject() {
    Separate();
    out_ += '{';
    return *this;
}

Json& Json::EndObject() {
    out_ += '}';
    needComma_ = true;
    return *this;
}

Json& Json::BeginArray(const char* key) {
    if (key != nullptr) Key(key);
    Separate();
    out_ += '[';
    return *this;
}

Json& Json::EndArray() {
    out_ += ']';
    needComma_ = true;
    return *this;
}

Json& Json::Key(const char* key) {
    Str(key);
    out_ += ':';
    needComma_ = false;
    return *this;
}

Json& Json::Str(const std::string& ansi) {
    Separate();
    // Through UTF-16 so that non-ASCII ANSI text arrives as the character it shows.
    std::vector<wchar_t> wide(ansi.size() + 1);
    int n = ansi.empty()
                ? 0
                : MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                      wide.data(), static_cast<int>(wide.size()));
    out_ += '"';
    for (int i = 0; i < n; ++i) {
        wchar_t c = wide[i];
        if (c == '"' || c == '\\') {
            out_ += '\\';
            out_ += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out_ += static_cast<char>(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof(esc), "\\u%04x", static_cast<unsigned>(c));
            out_ += esc;
        }
    }
    out_ += '"';
    needComma_ = true;
    return *this;
}

Json& Json::Int(long long value) {
    Separate();
    out_ += std::to_string(value);
    needComma_ = true;
    return *this;
}

Json& Json::Uint(unsigned long long value) {
    Separate();
    out_ += std::to_string(value);
    needComma_ = true;
    return *this;
}

Json& Json::Bool(bool value) {
    Separate();
    out_ += value ? "true" : "false";
    needComma_ = true;
    return *this;
}

Json& Json::Null() {
    Separate();
    out_ += "null";
    needComma_ = true;
    return *this;
}

void Json::Print() const {
    std::fwrite(out_.data(), 1, out_.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string HexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

}  // namespace rig
