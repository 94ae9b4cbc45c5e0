// The dial-up simulator: rasapi32 entry points answered from rassim.ini beside this DLL.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "rassim/sim_state.h"

namespace {

// The structures as each system version defined them; the real calls accept any of these
// sizes, so callers built for older systems keep working. The platform header packs them to
// 4 bytes, also on 64-bit.
#include <pshpack4.h>
struct EntryNameV400 {
    DWORD dwSize;
    CHAR szEntryName[RAS_MaxEntryName + 1];
};
struct EntryNameV500 {
    DWORD dwSize;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    DWORD dwFlags;
    CHAR szPhonebookPath[MAX_PATH + 1];
};
struct ConnV400 {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
struct ConnV401 {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
    CHAR szPhonebook[MAX_PATH];
    DWORD dwSubEntry;
};
struct ConnV500 {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
    CHAR szPhonebook[MAX_PATH];
    DWORD dwSubEntry;
    GUID guidEntry;
};
struct ConnV501 {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
    CHAR szPhonebook[MAX_PATH];
    DWORD dwSubEntry;
    GUID guidEntry;
    DWORD dwFlags;
    LUID luid;
};
struct ConnV600 {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
    CHAR szPhonebook[MAX_PATH];
    DWORD dwSubEntry;
    GUID guidEntry;
    DWORD dwFlags;
    LUID luid;
    GUID guidCorrelationId;
};
struct StatusV400 {
    DWORD dwSize;
    RASCONNSTATE rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
struct StatusV501 {
    DWORD dwSize;
    RASCONNSTATE rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
    CHAR szPhoneNumber[RAS_MaxPhoneNumber + 1];
};
struct TunnelEndPoint {
    DWORD dwType;
    BYTE address[16];
};
struct StatusV601 {
    DWORD dwSize;
    RASCONNSTATE rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
    CHAR szPhoneNumber[RAS_MaxPhoneNumber + 1];
    TunnelEndPoint localEndPoint;
    TunnelEndPoint remoteEndPoint;
    DWORD rasconnsubstate;
};
#include <poppack.h>

// The mirrors above must agree with the platform header where it has the same version.
static_assert(sizeof(EntryNameV500) == sizeof(RASENTRYNAMEA), "RASENTRYNAMEA layout");
static_assert(sizeof(ConnV501) == sizeof(RASCONNA), "RASCONNA layout");
static_assert(sizeof(StatusV501) == sizeof(RASCONNSTATUSA), "RASCONNSTATUSA layout");

const char kDeviceType[] = "modem";
const char kDeviceName[] = "Bench Simulated Modem";

bool IsEntrySize(DWORD size) {
    return size == sizeof(EntryNameV400) || size == sizeof(EntryNameV500);
}
bool IsConnSize(DWORD size) {
    return size == sizeof(ConnV400) || size == sizeof(ConnV401) || size == sizeof(ConnV500) ||
           size == sizeof(ConnV501) || size == sizeof(ConnV600);
}
bool IsStatusSize(DWORD size) {
    return size == sizeof(StatusV400) || size == sizeof(StatusV501) || size == sizeof(StatusV601);
}

std::string ModuleDir() {
    static std::string dir = [] {
        HMODULE module = nullptr;
        char path[MAX_PATH * 2] = {};
        if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCSTR>(&ModuleDir), &module)) {
            GetModuleFileNameA(module, path, sizeof(path) - 1);
        }
        std::string p = path;
        std::size_t slash = p.find_last_of("\\/");
        return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
    }();
    return dir;
}

std::string ReadWholeFile(const std::string& path) {
    // Shared for delete too: the rig replaces the file by renaming over it at any moment.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (text.size() < (1u << 20) && ReadFile(file, buffer, sizeof(buffer), &got, nullptr) &&
           got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(file);
    return text;
}

void AppendLine(const std::string& path, const std::string& line) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

std::int64_t UnixMs() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    return static_cast<std::int64_t>(t.QuadPart / 10000ULL) - 11644473600000LL;
}

std::string StatePath() { return ModuleDir() + "\\rassim.ini"; }
std::string HangUpLogPath() { return ModuleDir() + "\\rassim_hangups.log"; }

rassim::State LoadState() {
    rassim::State state = rassim::ParseState(ReadWholeFile(StatePath()));
    rassim::ApplyHangUps(state, rassim::ParseHangUps(ReadWholeFile(HangUpLogPath())), UnixMs());
    return state;
}

DWORD Finish(const rassim::State& state, const char* function, DWORD result) {
    if (state.trace) {
        char line[128];
        std::snprintf(line, sizeof(line), "%lld\t%s\t%lu\n", static_cast<long long>(UnixMs()),
                      function, static_cast<unsigned long>(result));
        AppendLine(ModuleDir() + "\\rassim_calls.log", line);
    }
    return result;
}

bool Injected(const rassim::State& state, const char* function, DWORD& code) {
    auto it = state.injected.find(function);
    if (it == state.injected.end()) return false;
    code = it->second;
    return true;
}

void CopyText(char* dest, std::size_t size, const std::string& text) {
    std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

// Writes the fields of one connection that fit into a record of the caller's version.
void FillConn(BYTE* record, DWORD size, const rassim::Connection& conn, const std::string& pbk) {
    std::memset(record, 0, size);
    auto* c = reinterpret_cast<ConnV501*>(record);
    c->dwSize = size;
    c->hrasconn = reinterpret_cast<HRASCONN>(static_cast<ULONG_PTR>(conn.handle));
    CopyText(c->szEntryName, sizeof(c->szEntryName), conn.name);
    CopyText(c->szDeviceType, sizeof(c->szDeviceType), kDeviceType);
    CopyText(c->szDeviceName, sizeof(c->szDeviceName), kDeviceName);
    if (size >= sizeof(ConnV401)) {
        CopyText(c->szPhonebook, sizeof(c->szPhonebook), pbk);
        c->dwSubEntry = 1;
    }
    if (size >= sizeof(ConnV501)) {
        c->luid.LowPart = static_cast<DWORD>(conn.handle);
    }
}

void FillEntry(BYTE* record, DWORD size, const std::string& name, const std::string& pbk) {
    std::memset(record, 0, size);
    auto* e = reinterpret_cast<EntryNameV500*>(record);
    e->dwSize = size;
    CopyText(e->szEntryName, sizeof(e->szEntryName), name);
    if (size >= sizeof(EntryNameV500)) {
        e->dwFlags = REN_User;
        CopyText(e->szPhonebookPath, sizeof(e->szPhonebookPath), pbk);
    }
}

// The enumeration rules shared by entries and connections: the first record's dwSize
// chooses the record size; a null buffer only asks for the size needed.
template <typename Fill>
DWORD Enumerate(void* buffer, LPDWORD lpcb, LPDWORD lpcCount, std::size_t count,
                bool (*validSize)(DWORD), DWORD defaultSize, Fill fill) {
    if (lpcb == nullptr || lpcCount == nullptr) return ERROR_INVALID_PARAMETER;
    if (buffer == nullptr && *lpcb != 0) return ERROR_INVALID_PARAMETER;
    // A buffer too small for even the size field only asks for the size needed.
    if (*lpcb < sizeof(DWORD)) buffer = nullptr;
    DWORD recordSize = defaultSize;
    if (buffer != nullptr) {
        recordSize = *static_cast<DWORD*>(buffer);
        if (!validSize(recordSize)) return ERROR_INVALID_SIZE;
    }
    DWORD needed = static_cast<DWORD>(count * recordSize);
    std::size_t room = buffer == nullptr ? 0 : *lpcb / recordSize;
    std::size_t written = count < room ? count : room;
    for (std::size_t i = 0; i < written; ++i) {
        fill(static_cast<BYTE*>(buffer) + i * recordSize, recordSize, i);
    }
    *lpcb = needed;
    *lpcCount = static_cast<DWORD>(count);
    return written < count ? ERROR_BUFFER_TOO_SMALL : 0;
}

const rassim::Connection* FindConn(const rassim::State& state, HRASCONN handle) {
    auto value = static_cast<std::uint64_t>(reinterpret_cast<ULONG_PTR>(handle));
    for (const rassim::Connection& conn : state.connections) {
        if (conn.handle == value) return &conn;
    }
    return nullptr;
}

RASCONNSTATE StatusOf(const rassim::Connection& conn) {
    switch (conn.state) {
        case rassim::ConnState::Dialling:
            return RASCS_ConnectDevice;
        case rassim::ConnState::Connected:
            return RASCS_Connected;
        case rassim::ConnState::Disconnected:
            return RASCS_Disconnected;
        case rassim::ConnState::Raw:
            break;
    }
    return static_cast<RASCONNSTATE>(conn.rawState);
}

}  // namespace

extern "C" {

DWORD WINAPI RasEnumEntriesA(LPCSTR, LPCSTR, LPRASENTRYNAMEA buffer, LPDWORD lpcb,
                             LPDWORD lpcEntries) {
    rassim::State state = LoadState();
    DWORD code = 0;
    if (Injected(state, "RasEnumEntriesA", code)) return Finish(state, "RasEnumEntriesA", code);
    std::string pbk = ModuleDir() + "\\rassim.pbk";
    DWORD result = Enumerate(buffer, lpcb, lpcEntries, state.entries.size(), IsEntrySize,
                             sizeof(RASENTRYNAMEA), [&](BYTE* record, DWORD size, std::size_t i) {
                                 FillEntry(record, size, state.entries[i], pbk);
                             });
    return Finish(state, "RasEnumEntriesA", result);
}

DWORD WINAPI RasEnumConnectionsA(LPRASCONNA buffer, LPDWORD lpcb, LPDWORD lpcConnections) {
    rassim::State state = LoadState();
    DWORD code = 0;
    if (Injected(state, "RasEnumConnectionsA", code)) {
        return Finish(state, "RasEnumConnectionsA", code);
    }
    std::string pbk = ModuleDir() + "\\rassim.pbk";
    DWORD result = Enumerate(buffer, lpcb, lpcConnections, state.connections.size(), IsConnSize,
                             sizeof(RASCONNA), [&](BYTE* record, DWORD size, std::size_t i) {
                                 FillConn(record, size, state.connections[i], pbk);
                             });
    return Finish(state, "RasEnumConnectionsA", result);
}

DWORD WINAPI RasGetConnectStatusA(HRASCONN handle, LPRASCONNSTATUSA status) {
    rassim::State state = LoadState();
    DWORD code = 0;
    if (Injected(state, "RasGetConnectStatusA", code)) {
        return Finish(state, "RasGetConnectStatusA", code);
    }
    if (status == nullptr) return Finish(state, "RasGetConnectStatusA", ERROR_INVALID_PARAMETER);
    DWORD size = status->dwSize;
    if (!IsStatusSize(size)) return Finish(state, "RasGetConnectStatusA", ERROR_INVALID_SIZE);
    const rassim::Connection* conn = FindConn(state, handle);
    if (conn == nullptr) return Finish(state, "RasGetConnectStatusA", ERROR_INVALID_HANDLE);
    std::memset(status, 0, size);
    auto* s = reinterpret_cast<StatusV501*>(status);
    s->dwSize = size;
    s->rasconnstate = StatusOf(*conn);
    s->dwError = conn->error;
    CopyText(s->szDeviceType, sizeof(s->szDeviceType), kDeviceType);
    CopyText(s->szDeviceName, sizeof(s->szDeviceName), kDeviceName);
    if (size >= sizeof(StatusV501)) CopyText(s->szPhoneNumber, sizeof(s->szPhoneNumber), "555");
    return Finish(state, "RasGetConnectStatusA", 0);
}

DWORD WINAPI RasHangUpA(HRASCONN handle) {
    rassim::State state = LoadState();
    DWORD code = 0;
    if (Injected(state, "RasHangUpA", code)) return Finish(state, "RasHangUpA", code);
    const rassim::Connection* conn = FindConn(state, handle);
    if (conn == nullptr) return Finish(state, "RasHangUpA", ERROR_INVALID_HANDLE);
    // A second hang-up of a connection that is still going away changes nothing.
    if (conn->hungUp) return Finish(state, "RasHangUpA", 0);
    char head[96];
    std::snprintf(head, sizeof(head), "%llu\t%lld\t%lld\t",
                  static_cast<unsigned long long>(conn->handle), static_cast<long long>(UnixMs()),
                  static_cast<long long>(state.hangUpIgnored ? -1 : state.lingerMs));
    AppendLine(HangUpLogPath(), head + conn->name + "\n");
    return Finish(state, "RasHangUpA", 0);
}

DWORD WINAPI RasGetErrorStringA(UINT error, LPSTR buffer, DWORD size) {
    rassim::State state = LoadState();
    DWORD code = 0;
    if (Injected(state, "RasGetErrorStringA", code)) {
        return Finish(state, "RasGetErrorStringA", code);
    }
    if (buffer == nullptr) return Finish(state, "RasGetErrorStringA", ERROR_INVALID_PARAMETER);
    std::string text;
    auto it = state.errorTexts.find(error);
    if (it != state.errorTexts.end()) {
        text = it->second;
    } else {
        char fallback[64];
        std::snprintf(fallback, sizeof(fallback), "RAS error %u", error);
        text = fallback;
    }
    if (text.size() + 1 > size)
        return Finish(state, "RasGetErrorStringA", ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return Finish(state, "RasGetErrorStringA", 0);
}

}  // extern "C"
