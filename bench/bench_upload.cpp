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
#include "BenchSupport.h"

#include <QElapsedTimer>

#include <memory>
#include <optional>
#include <vector>

#include "UploadEngine.h"

namespace {

constexpr int kBoundMs = 900000;  // no iteration waits longer than this

std::shared_ptr<const std::vector<uint8_t>> image(int n) {
    auto bytes = std::make_shared<std::vector<uint8_t>>(size_t(n) * 256);
    for (size_t i = 0; i < bytes->size(); ++i) (*bytes)[i] = uint8_t(i * 7 + i / 256);
    return bytes;
}

// Uploads to every device at once; the wall time until the last one finished.
double uploadAll(bench::SimDevices& devices, const tavo::UploadRequest& base, int* failures) {
    std::vector<std::unique_ptr<tavo::UploadEngine>> runs;
    int done = 0;
    for (int d = 0; d < devices.network->deviceCount(); ++d) {
        tavo::UploadRequest request = base;
        request.target = devices.network->deviceAddress(d);
        runs.push_back(std::make_unique<tavo::UploadEngine>(devices.link, tavo::Pace::product(), request));
        QObject::connect(runs.back().get(), &tavo::UploadEngine::finished, [&] { ++done; });
    }
    QElapsedTimer wall;
    wall.start();
    for (auto& run : runs) run->start();
    bench::runUntil([&] { return done == int(runs.size()); }, kBoundMs);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    *failures = 0;
    for (auto& run : runs) *failures += run->result().ok() ? 0 : 1;
    return seconds;
}

void pace(benchmark::State& state, int deviceCount, bool probe) {
    bench::SimDevices devices(deviceCount);
    const int n = bench::countFromEnvironment("TAVO_BENCH_BLOCKS", 50, tavo::UPLOAD_MAX_BLOCKS);
    for (auto _ : state) {
        std::optional<bench::GapProbe> gaps;
        if (probe) gaps.emplace();
        const double cpu = bench::cpuSeconds();
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
        else state.counters["cpu_pct_of_core"] = (bench::cpuSeconds() - cpu) / seconds * 100.0;
    }
}

void BM_UploadPace(benchmark::State& state) { pace(state, 1, false); }
BENCHMARK(BM_UploadPace)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_UploadGaps(benchmark::State& state) { pace(state, 1, true); }
BENCHMARK(BM_UploadGaps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Upload20(benchmark::State& state) { pace(state, 20, false); }
BENCHMARK(BM_Upload20)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_ChangedOnly(benchmark::State& state) {
    bench::SimDevices devices(1);
    const int n = bench::countFromEnvironment("TAVO_BENCH_BLOCKS", 50, tavo::UPLOAD_MAX_BLOCKS);
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

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
