// Starts a program with an exact command line, for the rig.
//
//   launch.exe --wait|--nowait [--cwd DIR] [--timeout MS] (-- COMMAND LINE | --hex HEX)
//
// Wine re-quotes the arguments it is given, so the text after " -- " is only exact when the
// caller is itself a Windows program; the rig hands the command line over hex-encoded.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Skips one argument of the raw command line (quotes as the runtime reads them).
const char* SkipArgument(const char* p, std::string* value) {
    bool quoted = false;
    while (*p != '\0' && (quoted || (*p != ' ' && *p != '\t'))) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (value != nullptr) {
            *value += *p;
        }
        ++p;
    }
    return p;
}

const char* SkipBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

bool DecodeHex(const std::string& hex, std::string& out) {
    if (hex.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        if (std::sscanf(hex.c_str() + i, "%2x", &value) != 1) return false;
        out += static_cast<char>(value);
    }
    return true;
}

int Fail(const char* what) {
    std::fprintf(stderr, "launch: %s (error %lu)\n", what, GetLastError());
    return 120;
}

}  // namespace

int main() {
    const char* p = SkipBlanks(SkipArgument(GetCommandLineA(), nullptr));
    bool wait = false, haveMode = false, haveLine = false;
    std::string cwd, line;
    DWORD timeout = INFINITE;
    while (*p != '\0') {
        std::string arg;
        const char* next = SkipArgument(p, &arg);
        if (arg == "--") {
            // Everything after the one separating blank, byte for byte.
            line = *next == '\0' ? std::string() : std::string(next + 1);
            haveLine = true;
            break;
        }
        p = SkipBlanks(next);
        if (arg == "--wait" || arg == "--nowait") {
            wait = arg == "--wait";
            haveMode = true;
            continue;
        }
        std::string value;
        if (*p == '\0') return Fail("option without value");
        p = SkipBlanks(SkipArgument(p, &value));
        if (arg == "--cwd") {
            cwd = value;
        } else if (arg == "--timeout") {
            timeout = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
        } else if (arg == "--hex") {
            if (!DecodeHex(value, line)) return Fail("bad --hex");
            haveLine = true;
        } else {
            return Fail("unknown option");
        }
    }
    if (!haveMode || !haveLine) {
        std::fprintf(stderr,
                     "usage: launch.exe --wait|--nowait [--cwd DIR] [--timeout MS] "
                     "(-- COMMAND LINE | --hex HEX)\n");
        return 121;
    }
    std::string mutableLine = line;  // CreateProcessA may write into it
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof(si));
    si.cb = sizeof(si);
    if (!wait) {
        // A child left running must not hold the caller's output pipe open.
        si.dwFlags = STARTF_USESTDHANDLES;
    }
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
        return Fail("CreateProcessA failed");
    }
    std::printf("pid=%lu\n", pi.dwProcessId);
    std::fflush(stdout);
    CloseHandle(pi.hThread);
    if (!wait) {
        CloseHandle(pi.hProcess);
        return 0;
    }
    if (WaitForSingleObject(pi.hProcess, timeout) != WAIT_OBJECT_0) {
        CloseHandle(pi.hProcess);
        std::fprintf(stderr, "launch: timed out waiting for the child\n");
        return 122;
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    std::printf("exit=%lu\n", code);
    std::fflush(stdout);
    return static_cast<int>(code);
}
