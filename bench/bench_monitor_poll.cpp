// Cost of the connection monitor's poll while connected: counting, display, warning check.
//
// Instruction counts per poll (what the program pays twice a second), from a build with
// -DDT_BENCH=ON -DDT_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release:
//   valgrind --tool=callgrind --toggle-collect='*Measured*' --callgrind-out-file=cg.out \
//       build/monitor-bench/bench_monitor_poll --benchmark_min_time=0.01
//   callgrind_annotate --inclusive=yes --tree=calling cg.out | grep -A3 '\*.*Measured'
// and divide each Measured function's count by the calls of the functions it calls.
#include <benchmark/benchmark.h>

#include <cstring>

#include "engine/connection_monitor.h"
#include "timerwin/timer_display.h"

namespace dt::bench {
namespace {

class BenchClock : public Clock {
  public:
    uint32_t TickCount() override { return tick; }
    bool LocalFileTime(int64_t* fileTime) override {
        *fileTime = 126000000000000000;
        return true;
    }
    uint32_t tick = 1000;
};

// One connection, always connected; the cheapest answers RAS could give.
class BenchRas : public RasApi {
  public:
    uint32_t EnumEntries(RasEntry*, uint32_t, uint32_t* count) override {
        *count = 0;
        return 0;
    }
    uint32_t EnumConnections(RasConnection* connections, uint32_t, uint32_t* count) override {
        connections[0].handle = 0x1000;
        std::memcpy(connections[0].entryName, "Acc", 4);
        *count = 1;
        return 0;
    }
    uint32_t GetConnectStatus(RasConnectionHandle, RasState* state) override {
        *state = RasState::kConnected;
        return 0;
    }
    uint32_t HangUp(RasConnectionHandle) override { return 0; }
    bool GetErrorString(uint32_t, char*, uint32_t) override { return false; }
};

BenchClock g_clock;
BenchRas g_ras;

// Connected to "Acc", counting up with a warning far ahead, its display showing `shown`
// seconds, `timer` hundredths on the clock, and no periodic save due on the next poll.
void Prepare(int32_t timer, int32_t shown) {
    SetClock(&g_clock);
    SetRas(&g_ras);
    ResetMonitor();
    ConnectionMonitor& m = g_monitor;
    m.connected = true;
    m.connHandle = 0x1000;
    std::memcpy(m.current.name, "Acc", 4);
    m.current.enableWarning = 1;
    m.current.warning = 300000000;
    m.warningArmed = true;
    m.baseTick = g_clock.tick;
    m.baseValue = m.current.timer = timer;
    m.shownSeconds = shown;
    // The display shows the same.
    SetTimerConnection("Acc");
    ShowTimerTime(shown * 100, TimeShown::kFirst);
}

// The poll path without RAS: what the window procedure runs after the status request.
__attribute__((noinline)) uint32_t MeasuredTickNoDigitChange() {
    const uint32_t fx = CountingTick();
    ApplyMonitorDisplay(fx);
    return fx;
}
__attribute__((noinline)) uint32_t MeasuredTickSecondChange() {
    const uint32_t fx = CountingTick();
    ApplyMonitorDisplay(fx);
    return fx;
}
__attribute__((noinline)) uint32_t MeasuredTickMinuteChange() {
    const uint32_t fx = CountingTick();
    ApplyMonitorDisplay(fx);
    return fx;
}
// The whole poll with the RAS calls.
__attribute__((noinline)) uint32_t MeasuredWholePoll() {
    const uint32_t fx = PollConnection(nullptr);
    ApplyMonitorDisplay(fx);
    return fx;
}

// 12:34 shown; the poll half a second later still shows 12:34 (50 hundredths round down).
void BM_TickNoDigitChange(benchmark::State& state) {
    for (auto _ : state) {
        Prepare(75400, 754);
        g_clock.tick += 500;
        benchmark::DoNotOptimize(MeasuredTickNoDigitChange());
    }
}
BENCHMARK(BM_TickNoDigitChange);

void BM_TickSecondChange(benchmark::State& state) {
    for (auto _ : state) {
        Prepare(75450, 754);
        g_clock.tick += 500;
        benchmark::DoNotOptimize(MeasuredTickSecondChange());
    }
}
BENCHMARK(BM_TickSecondChange);

// 12:59.50 shown as 12:59; the next poll shows 13:00.
void BM_TickMinuteChange(benchmark::State& state) {
    for (auto _ : state) {
        Prepare(77950, 779);
        g_clock.tick += 500;
        benchmark::DoNotOptimize(MeasuredTickMinuteChange());
    }
}
BENCHMARK(BM_TickMinuteChange);

void BM_WholePollNoDigitChange(benchmark::State& state) {
    for (auto _ : state) {
        Prepare(75400, 754);
        g_clock.tick += 500;
        benchmark::DoNotOptimize(MeasuredWholePoll());
    }
}
BENCHMARK(BM_WholePollNoDigitChange);

}  // namespace
}  // namespace dt::bench
