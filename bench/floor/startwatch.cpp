// Times a program's start until its first top-level window of a given class exists.
//
// From CreateProcess until a window of that class belongs to the new process; the same watch
// serves the program and the floor.
//
//   startwatch.exe --class NAME [--timeout MS] [--cwd DIR] --hex HEXCOMMANDLINE
//
// Prints {"ms": ..., "pid": ...} and leaves the process running.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Search {
    DWORD pid;
    const char* className;
    bool found;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid) return TRUE;
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, search->className) != 0) return TRUE;
    search->found = true;
    return FALSE;
}

bool DecodeHex(const char* hex, std::string* out) {
    size_t n = std::strlen(hex);
    if (n % 2) return false;
    for (size_t i = 0; i < n; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        char* end = nullptr;
        long value = std::strtol(pair, &end, 16);
        if (*end) return false;
        *out += static_cast<char>(value);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* className = nullptr;
    const char* cwd = nullptr;
    DWORD timeout = 30000;
    std::string line;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--class")) {
            className = argv[i + 1];
        } else if (!std::strcmp(argv[i], "--timeout")) {
            timeout = std::strtoul(argv[i + 1], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--cwd")) {
            cwd = argv[i + 1];
        } else if (!std::strcmp(argv[i], "--hex")) {
            if (!DecodeHex(argv[i + 1], &line)) return 2;
        }
    }
    if (!className || line.empty()) {
        std::fprintf(stderr,
                     "usage: startwatch --class NAME [--timeout MS] [--cwd DIR] --hex HEX\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, cwd, &startup,
                        &process)) {
        std::fprintf(stderr, "startwatch: CreateProcess failed (%lu)\n", GetLastError());
        return 1;
    }
    Search search = {process.dwProcessId, className, false};
    for (;;) {
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        QueryPerformanceCounter(&now);
        double ms = static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
                    static_cast<double>(frequency.QuadPart);
        if (search.found) {
            std::printf("{\"ms\":%.2f,\"pid\":%lu}\n", ms, process.dwProcessId);
            return 0;
        }
        if (ms > timeout || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            std::printf("{\"ms\":null,\"pid\":%lu}\n", process.dwProcessId);
            return 1;
        }
        Sleep(1);
    }
}
