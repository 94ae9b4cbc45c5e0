// A stand-in for the Remote Access Service in unit tests: a phonebook and connections in memory.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/ras_api.h"

namespace dt::test {

// Answers like the system: a list that does not fit the room given is refused with 603 and the
// number of items needed. Installs itself as Ras() while it lives.
class FakeRas : public RasApi {
  public:
    FakeRas();
    ~FakeRas() override;
    FakeRas(const FakeRas&) = delete;
    FakeRas& operator=(const FakeRas&) = delete;

    void SetEntries(const std::vector<std::string>& names) { entries_ = names; }
    // Phonebook entries named "Entry 01", "Entry 02", ...
    void SetNumberedEntries(int count);
    // Returns the connection's handle.
    RasConnectionHandle AddConnection(const std::string& entryName,
                                      RasState state = RasState::kConnected);
    void SetState(RasConnectionHandle handle, RasState state);
    void RemoveConnection(RasConnectionHandle handle);
    // The next `times` phonebook listings fail with `code`.
    void FailEnumEntries(uint32_t code, int times = 1);
    void FailEnumConnections(uint32_t code, int times = 1);
    void SetErrorText(uint32_t code, const std::string& text) { errorTexts_[code] = text; }
    // Whether a hang-up also ends the connection at once (true unless changed).
    void SetHangUpEnds(bool ends) { hangUpEnds_ = ends; }

    // What was asked.
    const std::vector<uint32_t>& EntryCapacities() const { return entryCapacities_; }
    const std::vector<RasConnectionHandle>& HungUp() const { return hungUp_; }

    uint32_t EnumEntries(RasEntry* entries, uint32_t capacity, uint32_t* count) override;
    uint32_t EnumConnections(RasConnection* connections, uint32_t capacity,
                             uint32_t* count) override;
    uint32_t GetConnectStatus(RasConnectionHandle handle, RasState* state) override;
    uint32_t HangUp(RasConnectionHandle handle) override;
    bool GetErrorString(uint32_t code, char* buffer, uint32_t size) override;

  private:
    struct Connection {
        RasConnectionHandle handle;
        std::string entryName;
        RasState state;
    };
    struct Failure {
        uint32_t code;
        int times;
    };
    static bool TakeFailure(Failure* failure, uint32_t* code);

    std::vector<std::string> entries_;
    std::vector<Connection> connections_;
    std::map<uint32_t, std::string> errorTexts_;
    Failure entriesFailure_{0, 0};
    Failure connectionsFailure_{0, 0};
    std::vector<uint32_t> entryCapacities_;
    std::vector<RasConnectionHandle> hungUp_;
    RasConnectionHandle nextHandle_ = 0x1000;
    bool hangUpEnds_ = true;
};

}  // namespace dt::test
