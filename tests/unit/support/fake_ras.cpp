// A stand-in for the Remote Access Service in unit tests.
#include "support/fake_ras.h"

#include <algorithm>
#include <cstdio>

namespace dt::test {

FakeRas::FakeRas() { SetRas(this); }

FakeRas::~FakeRas() {
    if (&Ras() == this) SetRas(nullptr);
}

void FakeRas::SetNumberedEntries(int count) {
    entries_.clear();
    char name[32];
    for (int i = 1; i <= count; ++i) {
        std::snprintf(name, sizeof name, "Entry %02d", i);
        entries_.push_back(name);
    }
}

RasConnectionHandle FakeRas::AddConnection(const std::string& entryName, RasState state) {
    RasConnectionHandle handle = nextHandle_++;
    connections_.push_back({handle, entryName, state});
    return handle;
}

void FakeRas::SetState(RasConnectionHandle handle, RasState state) {
    for (Connection& connection : connections_) {
        if (connection.handle == handle) connection.state = state;
    }
}

void FakeRas::RemoveConnection(RasConnectionHandle handle) {
    connections_.erase(std::remove_if(connections_.begin(), connections_.end(),
                                      [&](const Connection& c) { return c.handle == handle; }),
                       connections_.end());
}

void FakeRas::FailEnumEntries(uint32_t code, int times) { entriesFailure_ = {code, times}; }

void FakeRas::FailEnumConnections(uint32_t code, int times) { connectionsFailure_ = {code, times}; }

bool FakeRas::TakeFailure(Failure* failure, uint32_t* code) {
    if (failure->times <= 0) return false;
    --failure->times;
    *code = failure->code;
    return true;
}

uint32_t FakeRas::EnumEntries(RasEntry* entries, uint32_t capacity, uint32_t* count) {
    entryCapacities_.push_back(capacity);
    uint32_t code = 0;
    if (TakeFailure(&entriesFailure_, &code)) return code;
    *count = static_cast<uint32_t>(entries_.size());
    if (entries_.size() > capacity) return kRasErrorBufferTooSmall;
    for (size_t i = 0; i < entries_.size(); ++i) {
        std::snprintf(entries[i].name, sizeof entries[i].name, "%s", entries_[i].c_str());
    }
    return 0;
}

uint32_t FakeRas::EnumConnections(RasConnection* connections, uint32_t capacity, uint32_t* count) {
    uint32_t code = 0;
    if (TakeFailure(&connectionsFailure_, &code)) return code;
    *count = static_cast<uint32_t>(connections_.size());
    if (connections_.size() > capacity) return kRasErrorBufferTooSmall;
    for (size_t i = 0; i < connections_.size(); ++i) {
        connections[i].handle = connections_[i].handle;
        std::snprintf(connections[i].entryName, sizeof connections[i].entryName, "%s",
                      connections_[i].entryName.c_str());
    }
    return 0;
}

uint32_t FakeRas::GetConnectStatus(RasConnectionHandle handle, RasState* state) {
    for (const Connection& connection : connections_) {
        if (connection.handle == handle) {
            *state = connection.state;
            return 0;
        }
    }
    return kRasErrorInvalidHandle;
}

uint32_t FakeRas::HangUp(RasConnectionHandle handle) {
    hungUp_.push_back(handle);
    if (hangUpEnds_) RemoveConnection(handle);
    return 0;
}

bool FakeRas::GetErrorString(uint32_t code, char* buffer, uint32_t size) {
    auto it = errorTexts_.find(code);
    if (it == errorTexts_.end() || size == 0) return false;
    std::snprintf(buffer, size, "%s", it->second.c_str());
    return true;
}

}  // namespace dt::test
