// Benchmarks of the settings store on realistic files of 10 KiB and 1 MiB in /tmp: load with
// normalisation, key lookups, and changes written through with whole-file saves.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "settings_corpus.h"

namespace {

struct GeneratedFile {
    std::string path;
    std::vector<std::string> accounts;
};

// The shared benchmark corpus, written to a fresh folder in /tmp.
GeneratedFile Generate(size_t target) {
    dt::corpus::File corpus = dt::corpus::Generate(target);
    char dir[] = "/tmp/dt_bench_XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    GeneratedFile file{std::string(dir) + "/dialtick.ini", corpus.accounts};
    std::ofstream(file.path, std::ios::binary) << corpus.text;
    return file;
}

const GeneratedFile& FileOfSize(int64_t bytes) {
    static GeneratedFile small = Generate(10 * 1024);
    static GeneratedFile large = Generate(1024 * 1024);
    return bytes <= 10 * 1024 ? small : large;
}

void Load(dt::SettingsFile* store, const std::string& path, benchmark::State& state) {
    dt::SysError error = 0;
    if (!store->Load(path.c_str(), &error)) state.SkipWithError("load failed");
}

void BM_Load(benchmark::State& state) {
    const GeneratedFile& file = FileOfSize(state.range(0));
    dt::SettingsFile store;
    for (auto _ : state) {
        Load(&store, file.path, state);
        benchmark::DoNotOptimize(store.Text());
    }
    state.SetBytesProcessed(int64_t{state.iterations()} * store.TextLength());
}
BENCHMARK(BM_Load)->Arg(10 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMicrosecond);

// One read each of a program setting, a run item, and an account near the start, in the middle
// and at the end of the file.
void BM_GetInt(benchmark::State& state) {
    const GeneratedFile& file = FileOfSize(state.range(0));
    dt::SettingsFile store;
    Load(&store, file.path, state);
    const std::string& first = file.accounts.front();
    const std::string& middle = file.accounts[file.accounts.size() / 2];
    const std::string& last = file.accounts.back();
    const struct {
        const char* section;
        const char* key;
    } reads[] = {{"dialtick", "XPos"},          {"Run_20", "Enable"},
                 {first.c_str(), "ResetCount"}, {middle.c_str(), "Timer"},
                 {last.c_str(), "ResetOption"}, {last.c_str(), "Missing"}};
    int32_t value = 0;
    bool valid = false;
    dt::SysError error = 0;
    for (auto _ : state) {
        for (const auto& read : reads) {
            benchmark::DoNotOptimize(store.GetInt(read.section, read.key, &value, &valid, &error));
        }
    }
    state.SetItemsProcessed(int64_t{state.iterations()} * 6);
}
BENCHMARK(BM_GetInt)->Arg(10 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMicrosecond);

void BM_SetStringSave(benchmark::State& state) {
    const GeneratedFile& file = FileOfSize(state.range(0));
    dt::SettingsFile store;
    Load(&store, file.path, state);
    const std::string& middle = file.accounts[file.accounts.size() / 2];
    dt::SysError error = 0;
    int n = 0;
    for (auto _ : state) {
        std::string value = std::to_string(100000 + (n++ % 1000));
        if (!store.SetString(middle.c_str(), "Timer", value.c_str(), &error, true)) {
            state.SkipWithError("save failed");
        }
    }
}
BENCHMARK(BM_SetStringSave)->Arg(10 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMicrosecond);

void BM_DeleteSectionSave(benchmark::State& state) {
    const GeneratedFile& file = FileOfSize(state.range(0));
    std::string original;
    {
        std::ifstream in(file.path, std::ios::binary);
        original.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string work = file.path + ".delete";
    const std::string& middle = file.accounts[file.accounts.size() / 2];
    dt::SettingsFile store;
    dt::SysError error = 0;
    for (auto _ : state) {
        // Every round deletes the same section from the same file.
        state.PauseTiming();
        std::ofstream(work, std::ios::binary | std::ios::trunc) << original;
        Load(&store, work, state);
        state.ResumeTiming();
        if (!store.DeleteSection(middle.c_str(), &error, true)) state.SkipWithError("failed");
    }
}
BENCHMARK(BM_DeleteSectionSave)->Arg(10 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMicrosecond);

}  // namespace
