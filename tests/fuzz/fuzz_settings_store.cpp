// Fuzzes the settings store's changes: after any sequence of sets, deletes, reads, saves and
// reloads the text keeps its normal form, reloads unchanged, and reads back what was stored.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "settings/settings_text.h"
#include "fuzz_support.h"

namespace {

// One file in memory, enough for the store.
class MemoryFiles : public dt::FileSystem {
  public:
    std::string disk;
    std::string temp;
    bool held = false;

    dt::SysError OpenAlways(const char*, dt::FileHandle* file) override {
        if (held) return dt::kErrorSharingViolation;
        held = true;
        *file = 1;
        position_[1] = 0;
        return 0;
    }
    dt::SysError CreateNew(const char*, dt::FileHandle* file) override {
        temp.clear();
        *file = 2;
        position_[2] = 0;
        return 0;
    }
    dt::SysError GetSize(dt::FileHandle file, uint32_t* size) override {
        *size = static_cast<uint32_t>(Bytes(file).size());
        return 0;
    }
    dt::SysError SeekStart(dt::FileHandle file) override {
        position_[file] = 0;
        return 0;
    }
    dt::SysError Read(dt::FileHandle file, void* buffer, uint32_t count, uint32_t* done) override {
        const std::string& bytes = Bytes(file);
        size_t at = position_[file];
        size_t n = at < bytes.size() ? std::min<size_t>(count, bytes.size() - at) : 0;
        std::memcpy(buffer, bytes.data() + at, n);
        position_[file] += n;
        *done = static_cast<uint32_t>(n);
        return 0;
    }
    dt::SysError Write(dt::FileHandle file, const void* buffer, uint32_t count,
                       uint32_t* done) override {
        std::string& bytes = Bytes(file);
        size_t at = position_[file];
        if (bytes.size() < at + count) bytes.resize(at + count);
        std::memcpy(&bytes[at], buffer, count);
        position_[file] += count;
        *done = count;
        return 0;
    }
    dt::SysError Truncate(dt::FileHandle file) override {
        Bytes(file).resize(position_[file]);
        return 0;
    }
    dt::SysError Flush(dt::FileHandle) override { return 0; }
    void Close(dt::FileHandle file) override {
        if (file == 1) held = false;
    }
    dt::SysError Replace(const char*, const char*) override {
        if (held) return dt::kErrorAccessDenied;
        disk = temp;
        return 0;
    }
    dt::SysError Rename(const char*, const char*) override { return dt::kErrorAccessDenied; }
    dt::SysError Remove(const char*) override { return 0; }
    bool Exists(const char*) override { return true; }
    dt::SysError FullPath(const char* path, char* buffer, uint32_t size,
                          uint32_t* needed) override {
        return fuzz::PathAsGiven(path, buffer, size, needed);
    }

  private:
    std::string& Bytes(dt::FileHandle file) { return file == 1 ? disk : temp; }
    size_t position_[3] = {0, 0, 0};
};

using fuzz::Broken;

std::string Normalise(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    uint32_t length = dt::NormaliseSettingsText(buffer.data(), static_cast<uint32_t>(text.size()));
    return std::string(buffer.data(), length);
}

std::string Trim(const std::string& text) {
    const char* blanks = " \t\v\f";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Names from a small pool, so that operations meet each other, or made-up ones. Tabs and the like
// are left out: the loader turns them into spaces, so they alone would not reload unchanged.
std::string PickName(FuzzedDataProvider& input, size_t maxLength) {
    static const char* const kPool[] = {"A",  "a",   " A ", "Dialtick", "Run_01", "x]y",
                                        "[k", "k=v", "B C", "",         "Timer",  "timer"};
    if (input.ConsumeBool()) {
        return kPool[input.ConsumeIntegralInRange<size_t>(0, sizeof kPool / sizeof *kPool - 1)];
    }
    std::string name = input.ConsumeRandomLengthString(maxLength);
    std::string kept;
    for (char c : name) {
        if (c != '\0' && c != '\t' && c != '\v' && c != '\f') kept += c;
    }
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    MemoryFiles files;
    dt::SetFiles(&files);
    files.disk = input.ConsumeRandomLengthString(1024);

    dt::SettingsFile store;
    dt::SysError error = 0;
    if (!store.Load("settings.ini", &error)) Broken("load failed", files.disk);
    auto text = [&] { return std::string(store.Text(), store.TextLength()); };
    bool saved = false;

    for (int step = 0; step < 48 && input.remaining_bytes() > 0; ++step) {
        const std::string before = text();
        const std::string section = PickName(input, 12);
        const std::string key = PickName(input, 12);
        switch (input.ConsumeIntegralInRange(0, 4)) {
            case 0: {
                const std::string value = PickName(input, 24);
                bool through = input.ConsumeBool();
                if (store.SetString(section.c_str(), key.c_str(), value.c_str(), &error, through)) {
                    char buffer[64];
                    uint32_t room = sizeof buffer;
                    if (!store.GetString(section.c_str(), key.c_str(), buffer, &room, &error) ||
                        buffer != Trim(value)) {
                        Broken("a stored value does not read back", text());
                    }
                    saved = through;
                } else if (text() != before) {
                    Broken("a refused change altered the text", text());
                }
                break;
            }
            case 1: {
                bool existed = false;
                store.SectionExists(section.c_str(), &error, &existed);
                bool deleted = store.DeleteSection(section.c_str(), &error, false);
                if (deleted != existed) Broken("delete disagrees with exists", text());
                if (deleted && text().size() >= before.size()) Broken("delete kept bytes", text());
                if (!deleted && text() != before) Broken("failed delete changed text", text());
                if (deleted) saved = false;
                break;
            }
            case 2: {
                char buffer[8];
                uint32_t room = input.ConsumeIntegralInRange<uint32_t>(1, sizeof buffer);
                uint32_t given = room;
                if (store.GetString(section.c_str(), key.c_str(), buffer, &room, &error)) {
                    if (room != given || std::strlen(buffer) >= given) {
                        Broken("read overran or changed the size", text());
                    }
                } else if (error == dt::kErrorInsufficientBuffer && room <= given) {
                    Broken("size needed not larger than the buffer", text());
                }
                break;
            }
            case 3:
                if (!store.Save(&error)) Broken("save failed", text());
                saved = true;
                break;
            case 4:
                if (saved) {
                    if (!store.Load("settings.ini", &error)) Broken("reload failed", text());
                    if (text() != before) Broken("reload changed the saved text", text());
                }
                break;
        }
        if (saved && files.disk != text()) Broken("disk differs from the saved text", text());
        if (Normalise(text()) != text()) Broken("text would not reload unchanged", text());
    }
    store.Reset();
    dt::SetFiles(nullptr);
    return 0;
}
