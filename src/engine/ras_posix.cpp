// Remote Access Service on systems that have none: an empty phonebook and no connections.
#include <cstdio>

#include "engine/ras_api.h"

namespace dt {
namespace {

class NoRas : public RasApi {
  public:
    uint32_t EnumEntries(RasEntry*, uint32_t, uint32_t* count) override {
        *count = 0;
        return 0;
    }
    uint32_t EnumConnections(RasConnection*, uint32_t, uint32_t* count) override {
        *count = 0;
        return 0;
    }
    uint32_t GetConnectStatus(RasConnectionHandle, RasState*) override {
        return kRasErrorInvalidHandle;
    }
    uint32_t HangUp(RasConnectionHandle) override { return kRasErrorInvalidHandle; }
    bool GetErrorString(uint32_t code, char* buffer, uint32_t size) override {
        if (!buffer || size == 0) return false;
        std::snprintf(buffer, size, "Remote access error %u.", code);
        return true;
    }
};

}  // namespace

RasApi& DefaultRas() {
    static NoRas ras;
    return ras;
}

}  // namespace dt
