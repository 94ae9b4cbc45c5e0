// Shared pieces of the UI probe: argument handling and the command table.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "json_out.h"

namespace probe {

// What a command produced; printed directly or wrapped by the serve loop.
struct Out {
    std::string out;
    std::string err;
    void Json(const rig::Json& j) { out += j.Text() + "\n"; }
    int Fail(int code, const std::string& message) {
        err += message + "\n";
        return code;
    }
};

// Positional arguments and --options; options named in `flags` take no value.
struct Args {
    std::vector<std::string> pos;
    std::map<std::string, std::vector<std::string>> opt;
    bool ok = true;
    std::string error;

    bool Has(const std::string& name) const { return opt.count(name) != 0; }
    std::string Get(const std::string& name, const std::string& def = std::string()) const;
    long long Int(const std::string& name, long long def) const;
    double Real(const std::string& name, double def) const;
    const std::vector<std::string>& All(const std::string& name) const;
};

Args ParseArgs(const std::vector<std::string>& argv, std::size_t first,
               const std::set<std::string>& flags);
bool ParseInt(const std::string& text, long long& out);
HWND ParseHwnd(const std::string& text);

// Decodes \r \n \t \\ in command-line texts of the demo commands.
std::string Unescape(const std::string& text);

// Demo windows that the rig's own tests drive (demo.cpp).
int DemoWindow(const Args& a, Out& o);
int DemoMsgBox(const Args& a, Out& o);
int DemoAppBox(const Args& a, Out& o);
int DemoSound(const Args& a, Out& o);

}  // namespace probe
