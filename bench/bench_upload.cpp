// The upload engine on loopback against in-process simulated devices without loss:
//   BM_UploadPace   N blocks at the product's pace (one per 300 ms): the run's length
//                   against N x 300 ms, and the processor time it takes (engine and
//                   simulator together, so an upper bound for the engine);
//   BM_UploadGaps   the same upload with a 1 ms probe timer on the thread that runs it:
//                   the longest gap of that event loop (the page's thread) meanwhile;
//   BM_Upload20     20 devices at once, N blocks each: the last to finish against one
//                   device's N x 300 ms;
//   BM_ChangedOnly  an image of N blocks of which one differs on the device, sent with
//                   changed-only: N reads at 100 ms, one block, the read-back of that
//                   block, against a full upload's N x 300 ms.
// TAVO_BENCH_BLOCKS sets N (default 50, a 15 s upload; 2032 for the full 609.6 s run).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>

#include "SimNetwork.h"
#include "UploadRun.h"

namespace {

constexpr int kBoundMs = 900000;  // no iteration waits longer than this

int blocks() {
    const char* text = std::getenv("TAVO_BENCH_BLOCKS");
    const int n = text ? std::atoi(text) : 50;
    return std::clamp(n, 1, tavo::UPLOAD_MAX_BLOCKS);
}

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

std::shared_ptr<const std::vector<uint8_t>> image(int n) {
    auto bytes = std::make_shared<std::vector<uint8_t>>(size_t(n) * 256);
    for (size_t i = 0; i < bytes->size(); ++i) (*bytes)[i] = uint8_t(i * 7 + i / 256);
    return bytes;
}

struct Devices {
    explicit Devices(int count) {
        tavo::sim::SimConfig config;
        config.bootpMaxRequests = 0;
        network = std::make_unique<tavo::sim::SimNetwork>(config);
        for (int i = 0; i < count; ++i)
            network->addDevice(tavo::sim::Ipv4Address{127, 0, 1, quint8(1 + i)},
                               tavo::sim::MacAddress{2, 0x4B, 0x7E, 0, 1, quint8(i)});
        network->start();
        link.devicePort = network->port();
    }
    std::unique_ptr<tavo::sim::SimNetwork> network;
    tavo::LinkConfig link;
};

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

template <class Done>
void runUntil(Done done) {
    bool expired = false;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, [&] { expired = true; });
    bound.start(kBoundMs);
    while (!done() && !expired) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Uploads to every device at once; the wall time until the last one finished.
double uploadAll(Devices& devices, const tavo::UploadRun::Request& base, int* failures) {
    std::vector<std::unique_ptr<tavo::UploadRun>> runs;
    int done = 0;
    for (int d = 0; d < devices.network->deviceCount(); ++d) {
        tavo::UploadRun::Request request = base;
        request.target = devices.network->deviceAddress(d);
        runs.push_back(std::make_unique<tavo::UploadRun>(devices.link, tavo::Pace::product(), request));
        QObject::connect(runs.back().get(), &tavo::UploadRun::finished, [&] { ++done; });
    }
    QElapsedTimer wall;
    wall.start();
    for (auto& run : runs) run->start();
    runUntil([&] { return done == int(runs.size()); });
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    *failures = 0;
    for (auto& run : runs) *failures += run->result().ok() ? 0 : 1;
    return seconds;
}

void pace(benchmark::State& state, int deviceCount, bool probe) {
    Devices devices(deviceCount);
    const int n = blocks();
    for (auto _ : state) {
        std::optional<GapProbe> gaps;
        if (probe) gaps.emplace();
        const double cpu = cpuSeconds();
        int failures = 0;
        const double seconds = uploadAll(devices, {.image = image(n)}, &failures);
        const double expected = n * 0.3;
        state.counters["blocks"] = n;
        state.counters["devices"] = deviceCount;
        state.counters["run_s"] = seconds;
        state.counters["expected_s"] = expected;
        state.counters["over_pct"] = (seconds - expected) / expected * 100.0;
        state.counters["failures"] = failures;
        if (probe) state.counters["max_gap_ms"] = gaps->maxGapMs;
        else state.counters["cpu_pct_of_core"] = (cpuSeconds() - cpu) / seconds * 100.0;
    }
}

void BM_UploadPace(benchmark::State& state) { pace(state, 1, false); }
BENCHMARK(BM_UploadPace)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_UploadGaps(benchmark::State& state) { pace(state, 1, true); }
BENCHMARK(BM_UploadGaps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Upload20(benchmark::State& state) { pace(state, 20, false); }
BENCHMARK(BM_Upload20)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_ChangedOnly(benchmark::State& state) {
    Devices devices(1);
    const int n = blocks();
    for (auto _ : state) {
        const auto full = image(n);
        auto& flash = devices.network->device(0).flash();
        std::copy(full->begin(), full->end(), flash.begin());
        flash[size_t(n / 2) * 256 + 10] ^= 0xFF;  // one block differs on the device
        int failures = 0;
        const double seconds = uploadAll(devices, {.image = full, .changedOnly = true}, &failures);
        const double fullUpload = n * 0.3;
        state.counters["blocks"] = n;
        state.counters["run_s"] = seconds;
        state.counters["full_upload_s"] = fullUpload;
        state.counters["ratio_to_full"] = seconds / fullUpload;
        state.counters["failures"] = failures;
    }
}
BENCHMARK(BM_ChangedOnly)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
