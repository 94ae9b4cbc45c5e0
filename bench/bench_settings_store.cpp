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

namespace {

// A settings file as the program writes it: program settings, sounds, a run list and as many
// accounts as needed to reach `target` bytes.
struct GeneratedFile {
    std::string path;
    std::vector<std::string> accounts;
};

GeneratedFile Generate(size_t target) {
    std::string text =
        "[Dialtick]\r\nXPos=1042\r\nYPos=12\r\nColours=0,16777215,255,65535,0,8421504,"
        "12632256,16711680\r\nFont=Tahoma,-11,400,0,0\r\nOpacity=230\r\nIcon=1\r\n"
        "Constrain=1\r\nSet=0\r\n"
        "[Sound]\r\nPlay=1\r\nFile=C:\\WINDOWS\\Media\\chord.wav\r\nBeepCount=3\r\n"
        "BeepFreq=880\r\n"
        "[WarnSound]\r\nPlay=2\r\nFile=C:\\WINDOWS\\Media\\ding.wav\r\nBeepCount=5\r\n"
        "BeepFreq=1200\r\n";
    char line[512];
    for (int i = 1; i <= 20; ++i) {
        std::snprintf(line, sizeof line,
                      "[Run_%02d]\r\nTitle=Program %d\r\nEnable=%d\r\n"
                      "Connect=C:\\Program Files\\Tools %d\\tool.exe\r\nConnectParams=/start "
                      "/quiet\r\nConnectDir=C:\\Program Files\\Tools %d\r\n"
                      "Disconnect=C:\\Program Files\\Tools %d\\stop.exe\r\n",
                      i, i, i % 2, i, i, i);
        text += line;
    }
    GeneratedFile file;
    for (int n = 1; text.size() < target; ++n) {
        std::string name = "Provider " + std::to_string(n) + " Dial-Up";
        std::snprintf(line, sizeof line,
                      "[%s]\r\nTimer=%d\r\nWarning=3300\r\nEnableWarning=1\r\nCountDirection=0\r\n"
                      "ResetOption=2\r\nResetTime=0\r\nResetPeriod=3\r\nResetCount=1\r\n"
                      "ResetNext=%lld\r\n",
                      name.c_str(), 1000 + n * 37, 13364236800000LL + n * 8640000LL);
        text += line;
        file.accounts.push_back(name);
    }
    text.erase(text.size() - 2);  // no final line break
    char dir[] = "/tmp/dt_bench_XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    file.path = std::string(dir) + "/dialtick.ini";
    std::ofstream(file.path, std::ios::binary) << text;
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
    } reads[] = {{"dialtick", "Opacity"},       {"Run_20", "Enable"},
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
