// The flash runs on loopback against an in-process simulated device without loss:
//   BM_ReadPace   a read at the product's pace (one request per 100 ms): the run's length
//                 against sectors x 100 ms, and the processor time it takes (engine and
//                 simulator together, so an upper bound for the engine);
//   BM_ReadGaps   the same read with a 1 ms probe timer on the thread that runs it: the
//                 longest gap of that event loop while the read runs;
//   BM_Clear      a clear of 2044 sectors: from start to the last write handed to the
//                 stack, and the longest event-loop gap meanwhile.
// TAVO_BENCH_SECTORS sets the read's length (default 300; 2048 for the full 204.8 s run).
#include "BenchSupport.h"

#include <QElapsedTimer>

#include <optional>

#include "FlashRange.h"
#include "FlashReadRun.h"
#include "private/FlashClearRun.h"

namespace {

constexpr int kBoundMs = 400000;  // no iteration waits longer than this

void readFlash(benchmark::State& state, bool probe) {
    bench::SimDevices device(1);
    const int sectors = bench::countFromEnvironment("TAVO_BENCH_SECTORS", 300, tavo::SECTOR_COUNT);
    for (auto _ : state) {
        tavo::FlashReadRun::Request request;
        request.target = device.network->deviceAddress(0);
        request.from = 0;
        request.to = sectors - 1;
        tavo::FlashReadRun run(device.link, tavo::Pace::product(), request);
        std::optional<bench::GapProbe> gaps;
        if (probe) gaps.emplace();
        bool done = false;
        QObject::connect(&run, &tavo::FlashReadRun::finished, [&] { done = true; });
        QElapsedTimer wall;
        const double cpu = bench::cpuSeconds();
        wall.start();
        run.start();
        bench::runUntil([&] { return done; }, kBoundMs);
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        const double expected = sectors * 0.1;
        state.counters["sectors"] = sectors;
        state.counters["run_s"] = seconds;
        state.counters["expected_s"] = expected;
        state.counters["over_pct"] = (seconds - expected) / expected * 100.0;
        state.counters["missing"] = double(run.dump().missing().size());
        if (probe) {
            state.counters["max_gap_ms"] = gaps->maxGapMs;
        } else {
            state.counters["cpu_pct_of_core"] = (bench::cpuSeconds() - cpu) / seconds * 100.0;
        }
    }
}

void BM_ReadPace(benchmark::State& state) { readFlash(state, false); }
BENCHMARK(BM_ReadPace)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_ReadGaps(benchmark::State& state) { readFlash(state, true); }
BENCHMARK(BM_ReadGaps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Clear(benchmark::State& state) {
    bench::SimDevices device(1);
    for (auto _ : state) {
        tavo::FlashClearRun run(device.link, device.network->deviceAddress(0), 0, int(tavo::LAST_CLEARABLE_SECTOR));
        bench::GapProbe gaps;
        bool done = false;
        QObject::connect(&run, &tavo::FlashClearRun::finished, [&] { done = true; });
        QElapsedTimer wall;
        wall.start();
        run.start();
        bench::runUntil([&] { return done; }, kBoundMs);
        state.counters["clear_ms"] = double(wall.nsecsElapsed()) / 1e6;
        state.counters["writes"] = run.sent();
        state.counters["max_gap_ms"] = gaps.maxGapMs;
    }
}
BENCHMARK(BM_Clear)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
