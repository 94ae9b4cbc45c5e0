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

// A control's class name and its text (read through WM_GETTEXT, which crosses processes).
std::string ClassOf(HWND hwnd);
std::string TextOf(HWND hwnd);

// A block of memory inside another process, for messages whose data the system does not carry
// across processes.
class RemoteBlock {
  public:
    RemoteBlock(DWORD pid, SIZE_T size) : size_(size) {
        process_ =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_ != nullptr) {
            base_ = static_cast<BYTE*>(
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
        }
    }
    ~RemoteBlock() {
        if (base_ != nullptr) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_ != nullptr) CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool Ok() const { return base_ != nullptr; }
    BYTE* At(SIZE_T offset) const { return base_ + offset; }
    bool Write(SIZE_T offset, const void* data, SIZE_T n) const {
        SIZE_T done = 0;
        return offset + n <= size_ && WriteProcessMemory(process_, base_ + offset, data, n, &done);
    }
    bool Read(SIZE_T offset, void* data, SIZE_T n) const {
        SIZE_T done = 0;
        return offset + n <= size_ && ReadProcessMemory(process_, base_ + offset, data, n, &done);
    }

  private:
    HANDLE process_ = nullptr;
    BYTE* base_ = nullptr;
    SIZE_T size_;
};

// Driving dialog controls (controls.cpp).
int CmdFocus(const Args& a, Out& o);
int CmdFocusControl(const Args& a, Out& o);
int CmdType(const Args& a, Out& o);
int CmdPressControl(const Args& a, Out& o);
int CmdSelect(const Args& a, Out& o);
int CmdCombo(const Args& a, Out& o);
int CmdTabs(const Args& a, Out& o);
int CmdClipboard(const Args& a, Out& o);
int CmdPaste(const Args& a, Out& o);

}  // namespace probe
