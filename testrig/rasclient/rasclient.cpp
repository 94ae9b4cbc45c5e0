// Console client of the dial-up simulator: calls it as a program would, prints JSON answers.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "json_out.h"

namespace {

struct Options {
    long long size = -1;  // record size put into dwSize; -1 = the header's
    DWORD slots = 1;      // records of room
    long long cb = -1;    // overrides the byte count handed in
    bool nullBuffer = false;
    DWORD max = 64;
};

bool ParseNumber(const char* text, unsigned long long& out) {
    char* end = nullptr;
    out = std::strtoull(text, &end, 0);
    return end != text && *end == '\0';
}

bool ParseOptions(int argc, char** argv, int first, Options& o) {
    for (int i = first; i < argc; ++i) {
        std::string a = argv[i];
        unsigned long long v = 0;
        if (a == "--null") {
            o.nullBuffer = true;
            continue;
        }
        if (i + 1 >= argc || !ParseNumber(argv[i + 1], v)) {
            std::fprintf(stderr, "rasclient: bad option %s\n", a.c_str());
            return false;
        }
        ++i;
        if (a == "--size") {
            o.size = static_cast<long long>(v);
        } else if (a == "--slots") {
            o.slots = static_cast<DWORD>(v);
        } else if (a == "--cb") {
            o.cb = static_cast<long long>(v);
        } else if (a == "--max") {
            o.max = static_cast<DWORD>(v);
        } else {
            std::fprintf(stderr, "rasclient: unknown option %s\n", a.c_str());
            return false;
        }
    }
    return true;
}

std::string Field(const char* text, std::size_t size) {
    return std::string(text, strnlen(text, size));
}

// One RasEnumEntriesA call with the given room; prints what came back.
int Entries(const Options& o) {
    DWORD size = o.size >= 0 ? static_cast<DWORD>(o.size) : sizeof(RASENTRYNAMEA);
    std::vector<BYTE> buffer(static_cast<std::size_t>(size) * o.slots + 16, 0);
    auto* first = reinterpret_cast<RASENTRYNAMEA*>(buffer.data());
    first->dwSize = size;
    DWORD cb = o.cb >= 0 ? static_cast<DWORD>(o.cb) : size * o.slots;
    DWORD count = 0xDEAD;
    DWORD rc = RasEnumEntriesA(nullptr, nullptr, o.nullBuffer ? nullptr : first, &cb, &count);
    rig::Json j;
    j.BeginObject().Field("rc", rc).Field("cb", cb).Field("count", count);
    j.BeginArray("entries");
    if ((rc == 0 || rc == ERROR_BUFFER_TOO_SMALL) && !o.nullBuffer) {
        for (DWORD i = 0; i < count && i < o.slots; ++i) {
            auto* e = reinterpret_cast<RASENTRYNAMEA*>(buffer.data() + i * size);
            j.BeginObject()
                .Field("size", e->dwSize)
                .Field("name", Field(e->szEntryName, sizeof(e->szEntryName)));
            if (size >= sizeof(RASENTRYNAMEA)) {
                j.Field("flags", e->dwFlags)
                    .Field("phonebook", Field(e->szPhonebookPath, sizeof(e->szPhonebookPath)));
            }
            j.EndObject();
        }
    }
    j.EndArray().EndObject().Print();
    return 0;
}

// The usual way to list the phonebook: room for one entry, one more after each 603.
int EntriesGrow(const Options& o) {
    DWORD size = o.size >= 0 ? static_cast<DWORD>(o.size) : sizeof(RASENTRYNAMEA);
    rig::Json j;
    j.BeginObject().BeginArray("calls");
    std::vector<BYTE> buffer;
    DWORD rc = 0, cb = 0, count = 0;
    DWORD slots = 1;
    for (; slots <= o.max; ++slots) {
        buffer.assign(static_cast<std::size_t>(size) * slots, 0);
        reinterpret_cast<RASENTRYNAMEA*>(buffer.data())->dwSize = size;
        cb = size * slots;
        count = 0;
        rc = RasEnumEntriesA(nullptr, nullptr, reinterpret_cast<RASENTRYNAMEA*>(buffer.data()), &cb,
                             &count);
        j.BeginObject()
            .Field("slots", slots)
            .Field("rc", rc)
            .Field("cb", cb)
            .Field("count", count)
            .EndObject();
        if (rc != ERROR_BUFFER_TOO_SMALL) break;
    }
    j.EndArray().Field("rc", rc).BeginArray("entries");
    if (rc == 0) {
        for (DWORD i = 0; i < count; ++i) {
            auto* e = reinterpret_cast<RASENTRYNAMEA*>(buffer.data() + i * size);
            j.Str(Field(e->szEntryName, sizeof(e->szEntryName)));
        }
    }
    j.EndArray().EndObject().Print();
    return 0;
}

int Connections(const Options& o) {
    DWORD size = o.size >= 0 ? static_cast<DWORD>(o.size) : sizeof(RASCONNA);
    std::vector<BYTE> buffer(static_cast<std::size_t>(size) * o.slots + 16, 0);
    auto* first = reinterpret_cast<RASCONNA*>(buffer.data());
    first->dwSize = size;
    DWORD cb = o.cb >= 0 ? static_cast<DWORD>(o.cb) : size * o.slots;
    DWORD count = 0xDEAD;
    DWORD rc = RasEnumConnectionsA(o.nullBuffer ? nullptr : first, &cb, &count);
    rig::Json j;
    j.BeginObject().Field("rc", rc).Field("cb", cb).Field("count", count);
    j.BeginArray("connections");
    if ((rc == 0 || rc == ERROR_BUFFER_TOO_SMALL) && !o.nullBuffer) {
        for (DWORD i = 0; i < count && i < o.slots; ++i) {
            auto* c = reinterpret_cast<RASCONNA*>(buffer.data() + i * size);
            j.BeginObject()
                .Field("size", c->dwSize)
                .Field("handle",
                       static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(c->hrasconn)))
                .Field("name", Field(c->szEntryName, sizeof(c->szEntryName)))
                .Field("device_type", Field(c->szDeviceType, sizeof(c->szDeviceType)))
                .Field("device_name", Field(c->szDeviceName, sizeof(c->szDeviceName)))
                .EndObject();
        }
    }
    j.EndArray().EndObject().Print();
    return 0;
}

HRASCONN HandleArg(const char* text) {
    unsigned long long v = 0;
    ParseNumber(text, v);
    return reinterpret_cast<HRASCONN>(static_cast<ULONG_PTR>(v));
}

int Status(const char* handle, const Options& o) {
    RASCONNSTATUSA status[2];
    std::memset(status, 0, sizeof(status));
    status[0].dwSize = o.size >= 0 ? static_cast<DWORD>(o.size) : sizeof(RASCONNSTATUSA);
    status[0].rasconnstate = static_cast<RASCONNSTATE>(0xBAD);
    DWORD rc = RasGetConnectStatusA(HandleArg(handle), status);
    rig::Json j;
    j.BeginObject().Field("rc", rc);
    if (rc == 0) {
        j.Field("state", static_cast<unsigned long>(status[0].rasconnstate))
            .Field("error", status[0].dwError)
            .Field("device_type", Field(status[0].szDeviceType, sizeof(status[0].szDeviceType)));
    }
    j.EndObject().Print();
    return 0;
}

int HangUp(const char* handle) {
    DWORD rc = RasHangUpA(HandleArg(handle));
    rig::Json j;
    j.BeginObject().Field("rc", rc).EndObject().Print();
    return 0;
}

int ErrorString(const char* code, int argc, char** argv) {
    unsigned long long value = 0;
    ParseNumber(code, value);
    unsigned long long size = 512;
    if (argc >= 5 && std::strcmp(argv[3], "--bufsize") == 0) ParseNumber(argv[4], size);
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\x7f');
    DWORD rc =
        RasGetErrorStringA(static_cast<UINT>(value), buffer.data(), static_cast<DWORD>(size));
    rig::Json j;
    j.BeginObject().Field("rc", rc);
    if (rc == 0) j.Field("text", std::string(buffer.data(), strnlen(buffer.data(), size)));
    j.EndObject().Print();
    return 0;
}

int CommandLine() {
    std::string line = GetCommandLineA();
    char cwd[MAX_PATH * 2] = {};
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    rig::Json j;
    j.BeginObject().Field("cmdline", line).Field("hex", rig::HexOf(line)).Field("cwd", cwd);
    j.EndObject().Print();
    return 0;
}

void Usage() {
    std::fprintf(stderr,
                 "usage: rasclient entries|entries-grow|conns [--size N] [--slots N] [--cb N] "
                 "[--null] [--max N]\n"
                 "       rasclient status HANDLE [--size N] | hangup HANDLE\n"
                 "       rasclient errstr CODE [--bufsize N] | cmdline [ANY...] | exit CODE\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage();
        return 2;
    }
    std::string cmd = argv[1];
    Options o;
    if (cmd == "cmdline") return CommandLine();
    if (cmd == "exit" && argc >= 3) return std::atoi(argv[2]);
    if (cmd == "hangup" && argc >= 3) return HangUp(argv[2]);
    if (cmd == "errstr" && argc >= 3) return ErrorString(argv[2], argc, argv);
    if (cmd == "status" && argc >= 3)
        return ParseOptions(argc, argv, 3, o) ? Status(argv[2], o) : 2;
    if (cmd == "entries") return ParseOptions(argc, argv, 2, o) ? Entries(o) : 2;
    if (cmd == "entries-grow") return ParseOptions(argc, argv, 2, o) ? EntriesGrow(o) : 2;
    if (cmd == "conns") return ParseOptions(argc, argv, 2, o) ? Connections(o) : 2;
    Usage();
    return 2;
}
