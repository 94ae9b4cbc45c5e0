// Argument handling of the UI probe.
#include <cerrno>
#include <cstdlib>

#include "probe.h"

namespace probe {

std::string Args::Get(const std::string& name, const std::string& def) const {
    auto it = opt.find(name);
    return it == opt.end() || it->second.empty() ? def : it->second.back();
}

long long Args::Int(const std::string& name, long long def) const {
    long long value = 0;
    return Has(name) && ParseInt(Get(name), value) ? value : def;
}

double Args::Real(const std::string& name, double def) const {
    if (!Has(name)) return def;
    char* end = nullptr;
    std::string text = Get(name);
    double value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' ? value : def;
}

const std::vector<std::string>& Args::All(const std::string& name) const {
    static const std::vector<std::string> none;
    auto it = opt.find(name);
    return it == opt.end() ? none : it->second;
}

Args ParseArgs(const std::vector<std::string>& argv, std::size_t first,
               const std::set<std::string>& flags) {
    Args a;
    for (std::size_t i = first; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        // Negative numbers are values, not options.
        bool option = arg.size() > 2 && arg[0] == '-' && arg[1] == '-';
        if (!option) {
            a.pos.push_back(arg);
        } else if (flags.count(arg)) {
            a.opt[arg].push_back("1");
        } else if (i + 1 < argv.size()) {
            a.opt[arg].push_back(argv[++i]);
        } else {
            a.ok = false;
            a.error = "option " + arg + " needs a value";
        }
    }
    return a;
}

bool ParseInt(const std::string& text, long long& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const char* s = text.c_str();
    bool negative = *s == '-';
    unsigned long long magnitude = std::strtoull(negative ? s + 1 : s, &end, 0);
    if (errno != 0 || end == s + (negative ? 1 : 0) || *end != '\0') return false;
    out = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

HWND ParseHwnd(const std::string& text) {
    long long value = 0;
    if (!ParseInt(text, value)) return nullptr;
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
}

}  // namespace probe
