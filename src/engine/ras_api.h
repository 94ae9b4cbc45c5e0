// The Remote Access Service as the engine sees it: phonebook entries, connections, hang-up.
#pragma once

#include <cstdint>

namespace dt {

// RAS and system error codes the engine acts on.
constexpr uint32_t kRasErrorNotEnoughMemory = 8;
constexpr uint32_t kRasErrorInvalidHandle = 6;
constexpr uint32_t kRasErrorBufferTooSmall = 603;
constexpr uint32_t kRasErrorInvalidSize = 632;

constexpr int kRasNameSize = 257;  // RAS_MaxEntryName + 1

struct RasEntry {
    char name[kRasNameSize];
};

using RasConnectionHandle = intptr_t;

struct RasConnection {
    RasConnectionHandle handle;
    char entryName[kRasNameSize];
};

enum class RasState { kConnected, kDisconnected, kOther };

class RasApi {
  public:
    virtual ~RasApi() = default;
    // Lists the phonebook into room for `capacity` entries. Returns 0 with *count entries, 603
    // when the room is too small (then *count is the number needed, when known), or another RAS
    // or system error code.
    virtual uint32_t EnumEntries(RasEntry* entries, uint32_t capacity, uint32_t* count) = 0;
    // Lists the active connections the same way.
    virtual uint32_t EnumConnections(RasConnection* connections, uint32_t capacity,
                                     uint32_t* count) = 0;
    virtual uint32_t GetConnectStatus(RasConnectionHandle handle, RasState* state) = 0;
    virtual uint32_t HangUp(RasConnectionHandle handle) = 0;
    // The system's text for a RAS error code; false when it has none.
    virtual bool GetErrorString(uint32_t code, char* buffer, uint32_t size) = 0;
};

// The process-wide RAS: the system's in the Windows build, an empty phonebook natively. Tests
// install fakes.
RasApi& Ras();
void SetRas(RasApi* ras);

}  // namespace dt
