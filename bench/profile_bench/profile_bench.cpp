// The settings store against the system's profile functions, side by side in one Windows process.
//
//   profile_bench.exe [--rounds N] [--smoke] [--dir FOLDER]
//
// Prints one JSON line per operation, reader and file size: the median over the rounds of the
// mean time per call in microseconds. In every round the two readers run back to back, in
// alternating order, so that both see the same load on the machine.
//
// Wine keeps the last ten profile files parsed in memory and reparses one only when its write
// time changed. "load" therefore cycles through eleven copies of the file, so every call finds
// its file uncached, as every call does on Windows; the read rows use a cached file, the best
// case of the profile functions.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../settings_corpus.h"
#include "settings/settings_store.h"

namespace {

namespace corpus = dt::corpus;

constexpr int kCopies = 11;  // one more than Wine caches

double g_tickMicros = 0;

double Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * g_tickMicros;
}

void Fail(const char* what) {
    std::fprintf(stderr, "profile_bench: %s (error %lu)\n", what, GetLastError());
    std::exit(1);
}

void WriteWhole(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail(("cannot write " + path).c_str());
    DWORD done = 0;
    if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) ||
        done != text.size()) {
        Fail("short write");
    }
    CloseHandle(file);
}

// The store on the real file system, optionally without the flush of its saves: that row shows
// how much of a save is the flush the store's rules ask for.
class NoFlushFiles : public dt::FileSystem {
  public:
    explicit NoFlushFiles(dt::FileSystem& real) : real_(real) {}
    dt::SysError OpenAlways(const char* p, dt::FileHandle* f) override {
        return real_.OpenAlways(p, f);
    }
    dt::SysError CreateNew(const char* p, dt::FileHandle* f) override {
        return real_.CreateNew(p, f);
    }
    dt::SysError GetSize(dt::FileHandle f, uint32_t* s) override { return real_.GetSize(f, s); }
    dt::SysError SeekStart(dt::FileHandle f) override { return real_.SeekStart(f); }
    dt::SysError Read(dt::FileHandle f, void* b, uint32_t c, uint32_t* d) override {
        return real_.Read(f, b, c, d);
    }
    dt::SysError Write(dt::FileHandle f, const void* b, uint32_t c, uint32_t* d) override {
        return real_.Write(f, b, c, d);
    }
    dt::SysError Truncate(dt::FileHandle f) override { return real_.Truncate(f); }
    dt::SysError Flush(dt::FileHandle) override { return 0; }
    void Close(dt::FileHandle f) override { real_.Close(f); }
    dt::SysError Replace(const char* a, const char* b) override { return real_.Replace(a, b); }
    dt::SysError Rename(const char* a, const char* b) override { return real_.Rename(a, b); }
    dt::SysError Remove(const char* p) override { return real_.Remove(p); }
    bool Exists(const char* p) override { return real_.Exists(p); }
    dt::SysError FullPath(const char* p, char* b, uint32_t s, uint32_t* n) override {
        return real_.FullPath(p, b, s, n);
    }

  private:
    dt::FileSystem& real_;
};

// One timed side: `setup` runs untimed before each call of `call`.
struct Side {
    std::string reader;
    std::function<void()> setup;
    std::function<void()> call;
};

struct Options {
    int rounds = 15;
    bool smoke = false;
    std::string dir;
};

// Mean microseconds per call of one batch.
double TimeBatch(Side& side, int calls) {
    double total = 0;
    for (int i = 0; i < calls; ++i) {
        if (side.setup) side.setup();
        double start = Now();
        side.call();
        total += Now() - start;
    }
    return total / calls;
}

void Compare(const Options& options, const char* op, const char* size, std::vector<Side> sides) {
    // Batches long enough for the timer, short enough for many rounds.
    std::vector<int> calls(sides.size(), 1);
    if (!options.smoke) {
        for (size_t s = 0; s < sides.size(); ++s) {
            double one = std::max(TimeBatch(sides[s], 1), 0.05);
            calls[s] = std::clamp(static_cast<int>(5000.0 / one), 1, 2000);
        }
    }
    std::vector<std::vector<double>> samples(sides.size());
    const int rounds = options.smoke ? 1 : options.rounds;
    for (int round = 0; round < rounds; ++round) {
        for (size_t k = 0; k < sides.size(); ++k) {
            size_t s = round % 2 ? sides.size() - 1 - k : k;
            samples[s].push_back(TimeBatch(sides[s], calls[s]));
        }
    }
    for (size_t s = 0; s < sides.size(); ++s) {
        std::vector<double>& v = samples[s];
        std::sort(v.begin(), v.end());
        double median =
            v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
        std::printf(
            "{\"bench\":\"profile\",\"op\":\"%s\",\"reader\":\"%s\",\"size\":\"%s\","
            "\"median_us\":%.4f,\"min_us\":%.4f,\"max_us\":%.4f,\"rounds\":%d,\"calls\":%d}\n",
            op, sides[s].reader.c_str(), size, median, v.front(), v.back(), rounds, calls[s]);
        std::fflush(stdout);
    }
}

int ProfileReads(const std::string& path, const corpus::Read* reads, int count) {
    int found = 0;
    char text[260];
    for (int i = 0; i < count; ++i) {
        if (reads[i].text) {
            found += GetPrivateProfileStringA(reads[i].section, reads[i].key, "", text, sizeof text,
                                              path.c_str()) > 0;
        } else {
            found += GetPrivateProfileIntA(reads[i].section, reads[i].key, -1, path.c_str()) !=
                     static_cast<UINT>(-1);
        }
    }
    return found;
}

void Check(bool ok, const char* what) {
    if (!ok) Fail(what);
}

void RunSize(const Options& options, size_t bytes) {
    const corpus::File file = corpus::Generate(bytes);
    const char* size = corpus::SizeName(bytes);
    const std::string base = options.dir + "\\" + size;
    const std::string storePath = base + "_store.ini";
    const std::string profilePath = base + "_profile.ini";
    std::vector<std::string> copies;
    for (int i = 0; i < kCopies; ++i) copies.push_back(base + "_copy" + std::to_string(i) + ".ini");
    WriteWhole(storePath, file.text);
    WriteWhole(profilePath, file.text);
    for (const std::string& copy : copies) WriteWhole(copy, file.text);
    const int expected = corpus::kStartupReadCount - 1;  // WaveFile is absent
    const char* middle = file.Middle().c_str();
    dt::SysError error = 0;

    {
        dt::SettingsFile store;
        int next = 0;
        Compare(options, "load", size,
                {{"store", nullptr, [&] { Check(store.Load(storePath.c_str(), &error), "load"); }},
                 {"profile", nullptr, [&] {
                      const std::string& copy = copies[next++ % kCopies];
                      GetPrivateProfileIntA("Dialtick", "XPos", 0, copy.c_str());
                  }}});
    }
    {
        // What start-up pays to have its 30 values: the store loads and reads, the profile
        // functions read a file they have not cached.
        dt::SettingsFile store;
        int next = 0;
        Compare(options, "load_and_startup_reads", size,
                {{"store", nullptr,
                  [&] {
                      Check(store.Load(storePath.c_str(), &error), "load");
                      Check(corpus::StoreReads(store, corpus::kStartupReads,
                                               corpus::kStartupReadCount) == expected,
                            "store reads");
                  }},
                 {"profile", nullptr, [&] {
                      const std::string& copy = copies[next++ % kCopies];
                      Check(ProfileReads(copy, corpus::kStartupReads, corpus::kStartupReadCount) ==
                                expected,
                            "profile reads");
                  }}});
    }
    {
        // The reads alone, on readers already loaded and used: the profile functions on their
        // cached copy.
        dt::SettingsFile store;
        Check(store.Load(storePath.c_str(), &error), "load");
        Compare(options, "startup_reads", size,
                {{"store", nullptr,
                  [&] {
                      Check(corpus::StoreReads(store, corpus::kStartupReads,
                                               corpus::kStartupReadCount) == expected,
                            "store reads");
                  }},
                 {"profile", nullptr, [&] {
                      Check(ProfileReads(profilePath, corpus::kStartupReads,
                                         corpus::kStartupReadCount) == expected,
                            "profile reads");
                  }}});
    }
    {
        dt::SettingsFile store;
        Check(store.Load(storePath.c_str(), &error), "load");
        Compare(
            options, "last_section_read", size,
            {{"store", nullptr,
              [&] { Check(corpus::StoreReads(store, &corpus::kLastSectionRead, 1) == 1, "read"); }},
             {"profile", nullptr, [&] {
                  Check(ProfileReads(profilePath, &corpus::kLastSectionRead, 1) == 1, "read");
              }}});
    }
    {
        dt::SettingsFile store;
        dt::SettingsFile storeNoFlush;
        const std::string noFlushPath = base + "_noflush.ini";
        WriteWhole(noFlushPath, file.text);
        Check(store.Load(storePath.c_str(), &error), "load");
        NoFlushFiles noFlush(dt::Files());
        dt::SetFiles(&noFlush);
        Check(storeNoFlush.Load(noFlushPath.c_str(), &error), "load");
        dt::SetFiles(nullptr);
        int n = 0;
        auto value = [&n] { return (n++ & 1) ? "123457" : "123456"; };
        Compare(options, "set_save", size,
                {{"store", nullptr,
                  [&] { Check(store.SetString(middle, "Timer", value(), &error, true), "set"); }},
                 {"profile", nullptr,
                  [&] {
                      Check(
                          WritePrivateProfileStringA(middle, "Timer", value(), profilePath.c_str()),
                          "profile set");
                  }},
                 {"store_without_flush", nullptr, [&] {
                      dt::SetFiles(&noFlush);
                      Check(storeNoFlush.SetString(middle, "Timer", value(), &error, true), "set");
                      dt::SetFiles(nullptr);
                  }}});
        storeNoFlush.Reset();
        DeleteFileA(noFlushPath.c_str());
    }
    {
        dt::SettingsFile store;
        Compare(options, "delete_save", size,
                {{"store",
                  [&] {
                      store.Reset();
                      WriteWhole(storePath, file.text);
                      Check(store.Load(storePath.c_str(), &error), "load");
                  },
                  [&] { Check(store.DeleteSection(middle, &error, true), "delete"); }},
                 {"profile",
                  [&] {
                      WriteWhole(profilePath, file.text);
                      // Let the profile functions parse the new file before the timed call.
                      GetPrivateProfileIntA("Dialtick", "XPos", 0, profilePath.c_str());
                  },
                  [&] {
                      Check(
                          WritePrivateProfileStringA(middle, nullptr, nullptr, profilePath.c_str()),
                          "profile delete");
                  }}});
    }
    DeleteFileA(storePath.c_str());
    DeleteFileA(profilePath.c_str());
    for (const std::string& copy : copies) DeleteFileA(copy.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--smoke") {
            options.smoke = true;
        } else if (arg == "--rounds" && i + 1 < argc) {
            options.rounds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--dir" && i + 1 < argc) {
            options.dir = argv[++i];
        } else {
            std::fprintf(stderr, "usage: profile_bench [--rounds N] [--smoke] [--dir FOLDER]\n");
            return 2;
        }
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_tickMicros = 1e6 / static_cast<double>(frequency.QuadPart);
    const bool ownFolder = options.dir.empty();
    if (ownFolder) {
        char temp[MAX_PATH];
        DWORD n = GetTempPathA(sizeof temp, temp);
        if (n == 0 || n >= sizeof temp) Fail("no temporary folder");
        options.dir =
            std::string(temp) + "dt_profile_bench_" + std::to_string(GetCurrentProcessId());
        if (!CreateDirectoryA(options.dir.c_str(), nullptr)) Fail("cannot make the folder");
    }
    for (size_t bytes : corpus::kSizes) RunSize(options, bytes);
    if (ownFolder) RemoveDirectoryA(options.dir.c_str());
    return 0;
}
