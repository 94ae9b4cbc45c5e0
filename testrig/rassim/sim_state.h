// The simulator's state file and hang-up log, parsed into plain records (no Windows types).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rassim {

enum class ConnState { Dialling, Connected, Disconnected, Raw };

struct Connection {
    std::uint64_t handle = 0;
    ConnState state = ConnState::Connected;
    std::uint32_t rawState = 0;  // used when state is Raw
    std::uint32_t error = 0;     // dwError reported with the status
    bool hungUp = false;         // hung up and still lingering
    std::string name;
};

struct State {
    std::vector<std::string> entries;
    std::vector<Connection> connections;
    std::map<std::string, std::uint32_t> injected;  // function name -> error code
    std::map<std::uint32_t, std::string> errorTexts;
    bool hangUpIgnored = false;  // log hang-ups but keep the connection as it is
    std::int64_t lingerMs = 0;   // a hung-up connection reads as disconnected this long
    bool trace = false;
};

// One line of the hang-up log.
struct HangUp {
    std::uint64_t handle = 0;
    std::int64_t whenMs = 0;    // Unix time in ms
    std::int64_t lingerMs = 0;  // -1: the hang-up was ignored
};

// Never fails: lines it does not understand are skipped.
State ParseState(const std::string& text);
std::vector<HangUp> ParseHangUps(const std::string& text);

// Applies the hang-ups to the connection list as seen at nowMs: removed ones vanish,
// lingering ones read as disconnected.
void ApplyHangUps(State& state, const std::vector<HangUp>& hangUps, std::int64_t nowMs);

// Decodes \r \n \t \\ in a value of the state file.
std::string Unescape(const std::string& text);

bool ParseUnsigned(const std::string& text, std::uint64_t& out);
bool ParseSigned(const std::string& text, std::int64_t& out);

}  // namespace rassim
