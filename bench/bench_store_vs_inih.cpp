// The settings store against the inih library on the same generated files and operations.
//
// Run by scripts/bench.sh (which links inih); names are "<operation>/<reader>/<size>".
// inih has no writer: its "set" and "delete" rows are what a program built on it does instead,
// change its parsed copy and write the whole file out, made as durable as the store's save
// (new file, fsync, rename, fsync of the folder), so that both pay the same disk costs.
#include <benchmark/benchmark.h>

#include <INIReader.h>
#include <fcntl.h>
#include <ini.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "settings_corpus.h"
#include "settings/settings_store.h"

namespace {

namespace corpus = dt::corpus;

struct Fixture {
    corpus::File file;
    std::string path;  // never changed: load and read benchmarks use it
    std::string work;  // rewritten by the set and delete benchmarks
};

std::string g_dir;

void RemoveFiles() {
    if (g_dir.empty()) return;
    for (size_t size : corpus::kSizes) {
        for (const char* suffix : {"", ".work", ".work.tmp", ".inih", ".inih.tmp"}) {
            std::string name = g_dir + "/" + corpus::SizeName(size) + ".ini" + suffix;
            unlink(name.c_str());
        }
    }
    rmdir(g_dir.c_str());
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

const Fixture& FixtureOf(size_t size) {
    static std::vector<Fixture*> fixtures(3, nullptr);
    size_t index = size <= 10 * 1024 ? 0 : size <= 100 * 1024 ? 1 : 2;
    if (!fixtures[index]) {
        if (g_dir.empty()) {
            char dir[] = "/tmp/dt_store_vs_inih_XXXXXX";
            if (!mkdtemp(dir)) std::abort();
            g_dir = dir;
            std::atexit(RemoveFiles);
        }
        auto* f = new Fixture;
        f->file = corpus::Generate(size);
        f->path = g_dir + "/" + corpus::SizeName(size) + ".ini";
        f->work = f->path + ".work";
        WriteFile(f->path, f->file.text);
        fixtures[index] = f;
    }
    return *fixtures[index];
}

// ---- inih ----

int IgnoreEntry(void*, const char*, const char*, const char*) { return 1; }

// What a program keeps when it must also write the file: every entry in file order.
struct Entry {
    std::string section, key, value;
};
using Document = std::vector<Entry>;

int KeepEntry(void* user, const char* section, const char* key, const char* value) {
    static_cast<Document*>(user)->push_back({section, key, value});
    return 1;
}

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// The file as the program would write it back: a header whenever the section changes.
std::string Serialise(const Document& doc) {
    std::string out;
    out.reserve(doc.size() * 24);
    const std::string* section = nullptr;
    for (const Entry& e : doc) {
        if (!section || *section != e.section) {
            if (!out.empty()) out += "\r\n";
            out += '[';
            out += e.section;
            out += "]";
            section = &e.section;
        }
        out += "\r\n";
        out += e.key;
        out += '=';
        out += e.value;
    }
    return out;
}

// The same steps as the store's save on this platform.
bool DurableWrite(const std::string& path, const std::string& text) {
    std::string temp = path + ".tmp";
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = fsync(fd) == 0 && ok;
    close(fd);
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) return false;
    int dir = open(g_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

// ---- the operations ----

void LoadStore(dt::SettingsFile* store, const std::string& path, benchmark::State& state) {
    dt::SysError error = 0;
    if (!store->Load(path.c_str(), &error)) state.SkipWithError("store load failed");
}

int ReaderReads(const INIReader& reader, const corpus::Read* reads, int count) {
    int found = 0;
    for (int i = 0; i < count; ++i) {
        if (reads[i].text) {
            found += !reader.Get(reads[i].section, reads[i].key, "").empty();
        } else {
            found += reader.GetInteger(reads[i].section, reads[i].key, -1) != -1;
        }
    }
    return found;
}

void Load_Store(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    dt::SettingsFile store;
    for (auto _ : state) {
        LoadStore(&store, f.path, state);
        benchmark::DoNotOptimize(store.Text());
    }
}

void Load_InihParse(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    for (auto _ : state) {
        if (ini_parse(f.path.c_str(), IgnoreEntry, nullptr) != 0) state.SkipWithError("parse");
    }
}

void Load_INIReader(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    for (auto _ : state) {
        INIReader reader(f.path);
        if (reader.ParseError() != 0) state.SkipWithError("parse");
        benchmark::DoNotOptimize(&reader);
    }
}

// The reads alone, on a reader already loaded and used; what a first read costs more is in the
// load_and_startup_reads rows.
void Startup_Store(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    dt::SettingsFile store;
    LoadStore(&store, f.path, state);
    for (auto _ : state) {
        int found = corpus::StoreReads(store, corpus::kStartupReads, corpus::kStartupReadCount);
        if (found != corpus::kStartupReadCount - 1) state.SkipWithError("wrong reads");
    }
}

void Startup_INIReader(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    INIReader reader(f.path);
    for (auto _ : state) {
        int found = ReaderReads(reader, corpus::kStartupReads, corpus::kStartupReadCount);
        if (found != corpus::kStartupReadCount - 1) state.SkipWithError("wrong reads");
    }
}

// What start-up really pays: the load and the 30 reads.
void LoadAndStartup_Store(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    dt::SettingsFile store;
    for (auto _ : state) {
        LoadStore(&store, f.path, state);
        benchmark::DoNotOptimize(
            corpus::StoreReads(store, corpus::kStartupReads, corpus::kStartupReadCount));
    }
}

void LoadAndStartup_INIReader(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    for (auto _ : state) {
        INIReader reader(f.path);
        benchmark::DoNotOptimize(
            ReaderReads(reader, corpus::kStartupReads, corpus::kStartupReadCount));
    }
}

void LastRead_Store(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    dt::SettingsFile store;
    LoadStore(&store, f.path, state);
    for (auto _ : state) {
        if (corpus::StoreReads(store, &corpus::kLastSectionRead, 1) != 1)
            state.SkipWithError("miss");
    }
}

void LastRead_INIReader(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    INIReader reader(f.path);
    for (auto _ : state) {
        if (ReaderReads(reader, &corpus::kLastSectionRead, 1) != 1) state.SkipWithError("miss");
    }
}

// The monitor's periodic write of the connected account's time.
void SetSave_Store(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    WriteFile(f.work, f.file.text);
    dt::SettingsFile store;
    LoadStore(&store, f.work, state);
    const char* section = f.file.Middle().c_str();
    int n = 0;
    for (auto _ : state) {
        dt::SysError error = 0;
        if (!store.SetString(section, "Timer", (n++ & 1) ? "123457" : "123456", &error, true)) {
            state.SkipWithError("save failed");
        }
    }
}

void SetSave_Inih(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    const std::string path = f.path + ".inih";
    WriteFile(path, f.file.text);
    Document doc;
    ini_parse(path.c_str(), KeepEntry, &doc);
    const char* section = f.file.Middle().c_str();
    int n = 0;
    for (auto _ : state) {
        bool set = false;
        for (Entry& e : doc) {
            if (SameName(e.section, section) && SameName(e.key, "Timer")) {
                e.value = (n++ & 1) ? "123457" : "123456";
                set = true;
                break;
            }
        }
        if (!set || !DurableWrite(path, Serialise(doc))) state.SkipWithError("save failed");
    }
}

void DeleteSave_Store(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    const char* section = f.file.Middle().c_str();
    dt::SettingsFile store;
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(f.work, f.file.text);
        LoadStore(&store, f.work, state);
        state.ResumeTiming();
        dt::SysError error = 0;
        if (!store.DeleteSection(section, &error, true)) state.SkipWithError("delete failed");
    }
}

void DeleteSave_Inih(benchmark::State& state, size_t size) {
    const Fixture& f = FixtureOf(size);
    const std::string path = f.path + ".inih";
    const char* section = f.file.Middle().c_str();
    Document original;
    ini_parse(f.path.c_str(), KeepEntry, &original);
    Document doc;
    for (auto _ : state) {
        state.PauseTiming();
        doc = original;
        state.ResumeTiming();
        size_t first = 0;
        while (first < doc.size() && !SameName(doc[first].section, section)) ++first;
        size_t last = first;
        while (last < doc.size() && doc[last].section == doc[first].section) ++last;
        if (first == doc.size()) state.SkipWithError("no section");
        doc.erase(doc.begin() + first, doc.begin() + last);
        if (!DurableWrite(path, Serialise(doc))) state.SkipWithError("save failed");
    }
}

struct Registration {
    const char* name;
    void (*run)(benchmark::State&, size_t);
};

const Registration kBenchmarks[] = {
    {"load/store", Load_Store},
    {"load/inih_parse", Load_InihParse},
    {"load/INIReader", Load_INIReader},
    {"startup_reads/store", Startup_Store},
    {"startup_reads/INIReader", Startup_INIReader},
    {"load_and_startup_reads/store", LoadAndStartup_Store},
    {"load_and_startup_reads/INIReader", LoadAndStartup_INIReader},
    {"last_section_read/store", LastRead_Store},
    {"last_section_read/INIReader", LastRead_INIReader},
    {"set_save/store", SetSave_Store},
    {"set_save/inih", SetSave_Inih},
    {"delete_save/store", DeleteSave_Store},
    {"delete_save/inih", DeleteSave_Inih},
};

const bool g_registered = [] {
    for (size_t size : corpus::kSizes) {
        for (const Registration& r : kBenchmarks) {
            std::string name = std::string(r.name) + "/" + corpus::SizeName(size);
            auto run = r.run;
            benchmark::RegisterBenchmark(name.c_str(), [run, size](benchmark::State& state) {
                run(state, size);
            })->Unit(benchmark::kMicrosecond);
        }
    }
    return true;
}();

}  // namespace
