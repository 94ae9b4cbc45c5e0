// Fuzzes the settings-file normaliser: no crash, its output is its own normal form and keeps the
// line grammar that every lookup relies on.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings_text.h"
#include "fuzz_support.h"

namespace {

bool IsOtherWhitespace(char c) { return c == '\t' || c == '\v' || c == '\f'; }

[[noreturn]] void Broken(const char* rule, const std::string& text) {
    std::fprintf(stderr, "normal form broken: ");
    fuzz::Broken(rule, text);
}

// Checks the normal form from scratch: lines split at CR LF, each a header or a key line.
void CheckNormalForm(const std::string& text) {
    if (text.empty()) return;
    if (text.back() == '\n' || text.back() == '\r') Broken("text ends with a line break", text);
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        start = end + 2;
    }
    bool lastWasHeader = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) Broken("blank line", text);
        if (line.find_first_of("\r\n") != std::string::npos) Broken("lone CR or LF", text);
        for (char c : line) {
            if (IsOtherWhitespace(c)) Broken("whitespace other than a space", text);
        }
        if (line.front() == ' ' || line.back() == ' ') Broken("padded line", text);
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) Broken("bad header", text);
            std::string name = line.substr(1, line.size() - 2);
            if (name.find_first_of("[]=") != std::string::npos) Broken("bad header name", text);
            if (name.front() == ' ' || name.back() == ' ') Broken("padded header name", text);
            if (lastWasHeader) Broken("section without keys", text);
            lastWasHeader = true;
        } else {
            if (i == 0) Broken("first line is no header", text);
            size_t equals = line.find('=');
            if (equals == std::string::npos || equals == 0) Broken("bad key line", text);
            if (line[equals - 1] == ' ') Broken("space before =", text);
            if (equals + 1 == line.size()) Broken("empty value", text);
            if (line[equals + 1] == ' ') Broken("space after =", text);
            lastWasHeader = false;
        }
    }
    if (lastWasHeader) Broken("last section without keys", text);
}

std::string Normalise(const std::string& input) {
    std::vector<char> buffer(input.begin(), input.end());
    buffer.push_back('\x55');
    uint32_t length = dt::NormaliseSettingsText(buffer.data(), static_cast<uint32_t>(input.size()));
    if (length > input.size()) Broken("text grew", input);
    if (buffer[length] != '\0') Broken("no terminating NUL", input);
    return std::string(buffer.data(), length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string once = Normalise(input);
    CheckNormalForm(once);
    if (Normalise(once) != once) Broken("normalising again changes the text", once);
    return 0;
}
