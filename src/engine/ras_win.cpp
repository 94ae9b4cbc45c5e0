// The Remote Access Service of Windows (rasapi32), with the oldest structure versions.
#include <windows.h>
#include <ras.h>

#include <cstdio>
#include <cstdlib>

#include "engine/ras_api.h"

namespace dt {
namespace {

// The Windows 95 / NT 4 layouts: every RAS version accepts them, and the sizes the program was
// built around (264 and 412 bytes on 32-bit systems) come from them. RAS packs its records
// to four bytes, as <ras.h> does.
#include <pshpack4.h>
struct RasEntryNameV400 {
    DWORD dwSize;
    CHAR szEntryName[RAS_MaxEntryName + 1];
};
struct RasConnV400 {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
struct RasConnStatusV400 {
    DWORD dwSize;
    RASCONNSTATE rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
#include <poppack.h>
#if defined(_WIN64)
static_assert(sizeof(RasConnV400) == 416, "RASCONN of the first 64-bit RAS");
#else
static_assert(sizeof(RasEntryNameV400) == 264, "RASENTRYNAME of Windows 95 and NT 4");
static_assert(sizeof(RasConnV400) == 412, "RASCONN of Windows 95 and NT 4");
static_assert(sizeof(RasConnStatusV400) == 160, "RASCONNSTATUS of Windows 95 and NT 4");
#endif
static_assert(sizeof(RasEntry::name) == sizeof(RasEntryNameV400::szEntryName), "entry names");

void CopyName(char* to, const CHAR* from) {
    std::snprintf(to, kRasNameSize, "%.*s", RAS_MaxEntryName, from);
}

HRASCONN ToHandle(RasConnectionHandle handle) { return reinterpret_cast<HRASCONN>(handle); }

class WindowsRas : public RasApi {
  public:
    uint32_t EnumEntries(RasEntry* entries, uint32_t capacity, uint32_t* count) override {
        *count = 0;
        if (capacity == 0) return kRasErrorBufferTooSmall;
        auto* buffer =
            static_cast<RasEntryNameV400*>(std::calloc(capacity, sizeof(RasEntryNameV400)));
        if (!buffer) return kRasErrorNotEnoughMemory;
        for (uint32_t i = 0; i < capacity; ++i) buffer[i].dwSize = sizeof(RasEntryNameV400);
        DWORD bytes = static_cast<DWORD>(capacity * sizeof(RasEntryNameV400));
        DWORD listed = 0;
        DWORD code = RasEnumEntriesA(nullptr, nullptr, reinterpret_cast<LPRASENTRYNAMEA>(buffer),
                                     &bytes, &listed);
        if (code == 0) {
            if (listed > capacity) listed = capacity;
            for (DWORD i = 0; i < listed; ++i) CopyName(entries[i].name, buffer[i].szEntryName);
        }
        *count = listed;
        std::free(buffer);
        return code;
    }

    uint32_t EnumConnections(RasConnection* connections, uint32_t capacity,
                             uint32_t* count) override {
        *count = 0;
        if (capacity == 0) return kRasErrorBufferTooSmall;
        auto* buffer = static_cast<RasConnV400*>(std::calloc(capacity, sizeof(RasConnV400)));
        if (!buffer) return kRasErrorNotEnoughMemory;
        for (uint32_t i = 0; i < capacity; ++i) buffer[i].dwSize = sizeof(RasConnV400);
        DWORD bytes = static_cast<DWORD>(capacity * sizeof(RasConnV400));
        DWORD listed = 0;
        DWORD code = RasEnumConnectionsA(reinterpret_cast<LPRASCONNA>(buffer), &bytes, &listed);
        if (code == 0) {
            if (listed > capacity) listed = capacity;
            for (DWORD i = 0; i < listed; ++i) {
                connections[i].handle = reinterpret_cast<RasConnectionHandle>(buffer[i].hrasconn);
                CopyName(connections[i].entryName, buffer[i].szEntryName);
            }
        }
        *count = listed;
        std::free(buffer);
        return code;
    }

    uint32_t GetConnectStatus(RasConnectionHandle handle, RasState* state) override {
        RasConnStatusV400 status{};
        status.dwSize = sizeof status;
        DWORD code =
            RasGetConnectStatusA(ToHandle(handle), reinterpret_cast<LPRASCONNSTATUSA>(&status));
        if (code != 0) return code;
        switch (status.rasconnstate) {
            case RASCS_Connected:
                *state = RasState::kConnected;
                break;
            case RASCS_Disconnected:
                *state = RasState::kDisconnected;
                break;
            default:
                *state = RasState::kOther;
                break;
        }
        return 0;
    }

    uint32_t HangUp(RasConnectionHandle handle) override { return RasHangUpA(ToHandle(handle)); }

    bool GetErrorString(uint32_t code, char* buffer, uint32_t size) override {
        if (!buffer || size == 0) return false;
        buffer[0] = '\0';
        if (RasGetErrorStringA(code, buffer, size) != 0) return false;
        buffer[size - 1] = '\0';
        return buffer[0] != '\0';
    }
};

}  // namespace

RasApi& DefaultRas() {
    static WindowsRas ras;
    return ras;
}

}  // namespace dt
