// The flash runs on loopback against an in-process simulated device without loss:
//   BM_ReadPace   a read at the product's pace (one request per 100 ms): the run's length
//                 against sectors x 100 ms, and the processor time it takes (engine and
//                 simulator together, so an upper bound for the engine);
//   BM_ReadGaps   the same read with a 1 ms probe timer on the thread that runs it: the
//                 longest gap of that event loop while the read runs;
//   BM_Clear      a clear of 2044 sectors: from start to the last write handed to the
//                 stack, and the longest event-loop gap meanwhile.
// TAVO_BENCH_SECTORS sets the read's length (default 300; 2048 for the full 204.8 s run).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "FlashClearRun.h"
#include "FlashRange.h"
#include "FlashReadRun.h"
#include "SimNetwork.h"

namespace {

constexpr int kBoundMs = 400000;  // no iteration waits longer than this

int readSectors() {
    const char* text = std::getenv("TAVO_BENCH_SECTORS");
    const int sectors = text ? std::atoi(text) : 300;
    return std::clamp(sectors, 1, tavo::SECTOR_COUNT);
}

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Device {
    Device() {
        tavo::sim::SimConfig config;
        config.bootpMaxRequests = 0;
        network = std::make_unique<tavo::sim::SimNetwork>(config);
        network->addDevice(tavo::sim::Ipv4Address{127, 0, 0, 1}, tavo::sim::MacAddress{2, 0x4B, 0x7E, 0, 0, 1});
        network->start();
        link.devicePort = network->port();
    }
    std::unique_ptr<tavo::sim::SimNetwork> network;
    tavo::LinkConfig link;
};

// The longest gap between ticks of a 1 ms timer while it runs.
struct GapProbe {
    GapProbe() {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            maxGapMs = std::max(maxGapMs, double(clock.nsecsElapsed()) / 1e6);
            clock.restart();
        });
        clock.start();
        timer.start();
    }
    QTimer timer;
    QElapsedTimer clock;
    double maxGapMs = 0;
};

// Waits in the event loop (blocking, so the wait itself costs no processor time) until
// `done` or the bound.
template <class Done>
void runUntil(Done done) {
    bool expired = false;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, [&] { expired = true; });
    bound.start(kBoundMs);
    while (!done() && !expired) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void readFlash(benchmark::State& state, bool probe) {
    Device device;
    const int sectors = readSectors();
    for (auto _ : state) {
        tavo::FlashReadRun::Request request;
        request.target = QHostAddress::LocalHost;
        request.from = 0;
        request.to = sectors - 1;
        tavo::FlashReadRun run(device.link, tavo::Pace::product(), request);
        std::optional<GapProbe> gaps;
        if (probe) gaps.emplace();
        bool done = false;
        QObject::connect(&run, &tavo::FlashReadRun::finished, [&] { done = true; });
        QElapsedTimer wall;
        const double cpu = cpuSeconds();
        wall.start();
        run.start();
        runUntil([&] { return done; });
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
            state.counters["cpu_pct_of_core"] = (cpuSeconds() - cpu) / seconds * 100.0;
        }
    }
}

void BM_ReadPace(benchmark::State& state) { readFlash(state, false); }
BENCHMARK(BM_ReadPace)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_ReadGaps(benchmark::State& state) { readFlash(state, true); }
BENCHMARK(BM_ReadGaps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Clear(benchmark::State& state) {
    Device device;
    for (auto _ : state) {
        tavo::FlashClearRun run(device.link, QHostAddress::LocalHost, 0, int(tavo::LAST_CLEARABLE_SECTOR));
        GapProbe gaps;
        bool done = false;
        QObject::connect(&run, &tavo::FlashClearRun::finished, [&] { done = true; });
        QElapsedTimer wall;
        wall.start();
        run.start();
        runUntil([&] { return done; });
        state.counters["clear_ms"] = double(wall.nsecsElapsed()) / 1e6;
        state.counters["writes"] = run.sent();
        state.counters["max_gap_ms"] = gaps.maxGapMs;
    }
}
BENCHMARK(BM_Clear)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));  // the sockets' trace
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
