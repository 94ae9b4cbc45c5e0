// Fuzzes the settings store's shortcuts against the plain ways of normalising and finding sections.
//
// Whole-line normalising must give the bytes of byte-by-byte normalising, and section lookups
// through the index (kept up to date across edits) must answer as searching the text does.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
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

// Just enough of a file system for Load; nothing is saved.
class OneFile : public dt::FileSystem {
  public:
    std::string bytes;
    dt::SysError OpenAlways(const char*, dt::FileHandle* file) override {
        *file = 1;
        return 0;
    }
    dt::SysError CreateNew(const char*, dt::FileHandle*) override { return 5; }
    dt::SysError GetSize(dt::FileHandle, uint32_t* size) override {
        *size = static_cast<uint32_t>(bytes.size());
        return 0;
    }
    dt::SysError SeekStart(dt::FileHandle) override { return 0; }
    dt::SysError Read(dt::FileHandle, void* buffer, uint32_t count, uint32_t* done) override {
        *done = std::min<uint32_t>(count, static_cast<uint32_t>(bytes.size()));
        std::memcpy(buffer, bytes.data(), *done);
        return 0;
    }
    dt::SysError Write(dt::FileHandle, const void*, uint32_t, uint32_t*) override { return 5; }
    dt::SysError Truncate(dt::FileHandle) override { return 5; }
    dt::SysError Flush(dt::FileHandle) override { return 0; }
    void Close(dt::FileHandle) override {}
    dt::SysError Replace(const char*, const char*) override { return 5; }
    dt::SysError Rename(const char*, const char*) override { return 5; }
    dt::SysError Remove(const char*) override { return 0; }
    bool Exists(const char*) override { return true; }
    dt::SysError FullPath(const char* path, char* buffer, uint32_t size,
                          uint32_t* needed) override {
        return fuzz::PathAsGiven(path, buffer, size, needed);
    }
};

using fuzz::Broken;

std::string Normalised(const std::string& input, bool byteWise) {
    std::vector<char> buffer(input.begin(), input.end());
    buffer.push_back('\x55');
    uint32_t size = static_cast<uint32_t>(input.size());
    uint32_t length = byteWise ? dt::NormaliseSettingsTextByteWise(buffer.data(), size)
                               : dt::NormaliseSettingsText(buffer.data(), size);
    return std::string(buffer.data(), length);
}

// Duplicates and case variants, so that first-match and case rules are met often.
std::string PickName(FuzzedDataProvider& input) {
    static const char* const kPool[] = {"A",        "a",   " a ", "B",   "b c", "B C",   "Dialtick",
                                        "dialtick", "x]y", "[k",  "k=v", "",    "Timer", "a\r\nb"};
    if (input.ConsumeBool()) {
        return kPool[input.ConsumeIntegralInRange<size_t>(0, sizeof kPool / sizeof *kPool - 1)];
    }
    return input.ConsumeRandomLengthString(10);
}

struct Answer {
    bool ok;
    dt::SysError error;
    uint32_t size;
    std::string value;
    bool operator!=(const Answer& o) const {
        return ok != o.ok || error != o.error || size != o.size || value != o.value;
    }
};

Answer Read(dt::SettingsFile& store, const std::string& section, const std::string& key) {
    char buffer[32] = {};
    Answer a{};
    a.size = sizeof buffer;
    a.ok = store.GetString(section.c_str(), key.c_str(), buffer, &a.size, &a.error);
    if (a.ok) a.value = buffer;
    return a;
}

Answer Exists(dt::SettingsFile& store, const std::string& section) {
    bool exists = false;
    Answer a{};
    a.ok = store.SectionExists(section.c_str(), &a.error, &exists);
    a.size = exists;
    return a;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    OneFile files;
    files.bytes = input.ConsumeRandomLengthString(2048);
    if (Normalised(files.bytes, false) != Normalised(files.bytes, true)) {
        Broken("whole-line normalising differs from byte by byte", files.bytes);
    }

    dt::SetFiles(&files);
    dt::SettingsFile store;
    dt::SysError error = 0;
    if (!store.Load("settings.ini", &error)) Broken("load failed", files.bytes);
    auto text = [&] { return std::string(store.Text(), store.TextLength()); };

    for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) {
        const std::string section = PickName(input);
        const std::string key = PickName(input);
        switch (input.ConsumeIntegralInRange(0, 3)) {
            case 0: {
                const std::string value = PickName(input);
                store.SetString(section.c_str(), key.c_str(), value.c_str(), &error, false);
                break;
            }
            case 1:
                store.DeleteSection(section.c_str(), &error, false);
                break;
            case 2: {
                Answer indexed = Read(store, section, key);
                store.UseSectionIndex(false);
                Answer searched = Read(store, section, key);
                store.UseSectionIndex(true);
                if (indexed != searched) Broken("indexed read differs", text());
                break;
            }
            case 3: {
                Answer indexed = Exists(store, section);
                store.UseSectionIndex(false);
                Answer searched = Exists(store, section);
                store.UseSectionIndex(true);
                if (indexed != searched) Broken("indexed section lookup differs", text());
                break;
            }
        }
    }
    store.Reset();
    dt::SetFiles(nullptr);
    return 0;
}
