// Parsing of the simulator's state file and hang-up log.
#include "rassim/sim_state.h"

#include <cerrno>
#include <cstdlib>

namespace rassim {

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Splits off the first space-separated word; the rest keeps its spaces.
std::string TakeWord(std::string& rest) {
    std::size_t end = rest.find(' ');
    std::string word = rest.substr(0, end);
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
    return word;
}

bool ParseConnState(const std::string& word, Connection& conn) {
    std::string state = word;
    std::size_t colon = word.find(':');
    if (colon != std::string::npos) {
        std::uint64_t error = 0;
        if (!ParseUnsigned(word.substr(colon + 1), error) || error > 0xFFFFFFFFu) return false;
        conn.error = static_cast<std::uint32_t>(error);
        state = word.substr(0, colon);
    }
    if (state == "dialling" || state == "dialing") {
        conn.state = ConnState::Dialling;
    } else if (state == "connected") {
        conn.state = ConnState::Connected;
    } else if (state == "disconnected") {
        conn.state = ConnState::Disconnected;
    } else {
        std::uint64_t raw = 0;
        if (!ParseUnsigned(state, raw) || raw > 0xFFFFFFFFu) return false;
        conn.state = ConnState::Raw;
        conn.rawState = static_cast<std::uint32_t>(raw);
    }
    return true;
}

}  // namespace

bool ParseUnsigned(const std::string& text, std::uint64_t& out) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') return false;
    out = value;
    return true;
}

bool ParseSigned(const std::string& text, std::int64_t& out) {
    if (text.empty() || text[0] == ' ') return false;
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0') return false;
    out = value;
    return true;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        switch (next) {
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\';
                out += next;
        }
    }
    return out;
}

State ParseState(const std::string& text) {
    State state;
    for (const std::string& line : SplitLines(text)) {
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (key == "entry") {
            // Names are kept byte for byte: leading or trailing blanks are part of them.
            state.entries.push_back(value);
        } else if (key == "conn") {
            Connection conn;
            std::string rest = value;
            std::uint64_t handle = 0;
            if (!ParseUnsigned(TakeWord(rest), handle) || handle == 0) continue;
            if (!ParseConnState(TakeWord(rest), conn)) continue;
            conn.handle = handle;
            conn.name = rest;
            state.connections.push_back(conn);
        } else if (key.compare(0, 6, "error.") == 0) {
            std::uint64_t code = 0;
            if (ParseUnsigned(value, code) && code <= 0xFFFFFFFFu && code != 0) {
                state.injected[key.substr(6)] = static_cast<std::uint32_t>(code);
            }
        } else if (key.compare(0, 8, "errtext.") == 0) {
            std::uint64_t code = 0;
            if (ParseUnsigned(key.substr(8), code) && code <= 0xFFFFFFFFu) {
                state.errorTexts[static_cast<std::uint32_t>(code)] = Unescape(value);
            }
        } else if (key == "hangup") {
            state.hangUpIgnored = value == "ignore";
        } else if (key == "hangup_linger_ms") {
            std::int64_t ms = 0;
            if (ParseSigned(value, ms) && ms >= 0) state.lingerMs = ms;
        } else if (key == "trace") {
            state.trace = value == "1";
        }
    }
    return state;
}

std::vector<HangUp> ParseHangUps(const std::string& text) {
    std::vector<HangUp> hangUps;
    for (const std::string& line : SplitLines(text)) {
        // handle TAB unix-ms TAB linger-ms TAB entry name
        std::size_t t1 = line.find('\t');
        std::size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        std::size_t t3 = t2 == std::string::npos ? t2 : line.find('\t', t2 + 1);
        if (t3 == std::string::npos) continue;
        HangUp h;
        if (!ParseUnsigned(line.substr(0, t1), h.handle)) continue;
        if (!ParseSigned(line.substr(t1 + 1, t2 - t1 - 1), h.whenMs)) continue;
        if (!ParseSigned(line.substr(t2 + 1, t3 - t2 - 1), h.lingerMs)) continue;
        hangUps.push_back(h);
    }
    return hangUps;
}

void ApplyHangUps(State& state, const std::vector<HangUp>& hangUps, std::int64_t nowMs) {
    std::vector<Connection> kept;
    for (Connection conn : state.connections) {
        bool gone = false;
        for (const HangUp& h : hangUps) {
            if (h.handle != conn.handle || h.lingerMs < 0) continue;
            if (nowMs < h.whenMs + h.lingerMs) {
                conn.state = ConnState::Disconnected;
                conn.hungUp = true;
            } else {
                gone = true;
            }
        }
        if (!gone) kept.push_back(conn);
    }
    state.connections = kept;
}

}  // namespace rassim
