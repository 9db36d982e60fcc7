// Load and save of full tables (5000 records) and the add-if-absent sequence on a full
// history, each on a private folder under the system's temporary directory.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "AddressText.h"
#include "BenchFolder.h"
#include "BootPFDB.h"
#include "DurableFile.h"
#include "IPFDB.h"
#include "MacHistoryFDB.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRecords = 5000;

using bench::Folder;

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void fillDeviceTable(const std::string& dir, int count) {
    tavo::CBootPFDB table(dir);
    for (int i = 0; i < count; ++i) {
        table.AddNew();
        char mac[13];
        std::snprintf(mac, sizeof mac, "024B7E%06X", i & 0xFFFFFF);  // six digits whatever the count
        table.SetRecord(1, 6, tavo::formatDottedAligned(10, 1, i / 256, i % 256), mac, "  0.  0.  0.  0",
                        "255.255.255.  0");
    }
    table.Save();
}

template <class History>
void fillHistory(const std::string& dir, int count) {
    History history(dir);
    for (int i = 0; i < count; ++i) {
        history.AddNew();
        if constexpr (std::is_same_v<History, tavo::CIPFDB>) {
            history.SetRecord(10, 1, i / 256, i % 256);
        } else {
            history.SetRecord(2, 75, 126, 0, i / 256, i % 256);
        }
    }
    history.Save();
}

void BM_DeviceTableLoad(benchmark::State& state) {
    Folder folder;
    fillDeviceTable(folder.dir(), kRecords);
    for (auto _ : state) {
        tavo::CBootPFDB table(folder.dir());
        benchmark::DoNotOptimize(table.Load());
    }
}

void BM_DeviceTableSave(benchmark::State& state) {
    Folder folder;
    fillDeviceTable(folder.dir(), kRecords);
    tavo::CBootPFDB table(folder.dir());
    table.Load();
    for (auto _ : state) benchmark::DoNotOptimize(table.Save());
}

// What forcing the file to the disk costs a save: the bytes of a 5000-record table
// written through a temporary file and renamed, once forced to the disk before and after
// the rename (as every save does) and once without, so the difference is the fsync cost.
void BM_DeviceTableWriteDurable(benchmark::State& state) {
    Folder folder;
    fillDeviceTable(folder.dir(), kRecords);
    const std::string path = folder.file("bootp.ini").string();
    const std::string bytes = readBytes(path);
    for (auto _ : state) {
        tavo::DurableFile file(path);
        benchmark::DoNotOptimize(file.write(bytes, path) && file.commit());
    }
}

void BM_DeviceTableWriteUnsynced(benchmark::State& state) {
    Folder folder;
    fillDeviceTable(folder.dir(), kRecords);
    const fs::path path = folder.file("bootp.ini");
    const std::string bytes = readBytes(path);
    fs::path temporary = path;
    temporary += ".tmp";
    for (auto _ : state) {
        writeBytes(temporary, bytes);
        fs::rename(temporary, path);
    }
}

template <class History>
void BM_HistoryLoad(benchmark::State& state) {
    Folder folder;
    fillHistory<History>(folder.dir(), kRecords);
    for (auto _ : state) {
        History history(folder.dir());
        benchmark::DoNotOptimize(history.Load());
    }
}

template <class History>
void BM_HistorySave(benchmark::State& state) {
    Folder folder;
    fillHistory<History>(folder.dir(), kRecords);
    History history(folder.dir());
    history.Load();
    for (auto _ : state) benchmark::DoNotOptimize(history.Save());
}

// The address is new, so the whole sequence runs: load 4999 entries, find, append, save
// 5000; the file is put back between iterations outside the timing.
void BM_IpAddIfAbsentNew(benchmark::State& state) {
    Folder folder;
    fillHistory<tavo::CIPFDB>(folder.dir(), kRecords - 1);
    const std::string original = readBytes(folder.file(tavo::CIPFDB::kFileName));
    for (auto _ : state) {
        benchmark::DoNotOptimize(tavo::CIPFDB::AddIfAbsent(folder.dir(), 192, 168, 1, 10));
        state.PauseTiming();
        writeBytes(folder.file(tavo::CIPFDB::kFileName), original);
        state.ResumeTiming();
    }
}

void BM_MacAddIfAbsentNew(benchmark::State& state) {
    Folder folder;
    fillHistory<tavo::CMacHistoryFDB>(folder.dir(), kRecords - 1);
    const std::string original = readBytes(folder.file(tavo::CMacHistoryFDB::kFileName));
    for (auto _ : state) {
        benchmark::DoNotOptimize(tavo::CMacHistoryFDB::AddIfAbsent(folder.dir(), {2, 171, 205, 239, 1, 35}));
        state.PauseTiming();
        writeBytes(folder.file(tavo::CMacHistoryFDB::kFileName), original);
        state.ResumeTiming();
    }
}

// The address is the last of 5000: load, a full scan, no write.
void BM_IpAddIfAbsentPresent(benchmark::State& state) {
    Folder folder;
    fillHistory<tavo::CIPFDB>(folder.dir(), kRecords);
    const int last = kRecords - 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tavo::CIPFDB::AddIfAbsent(folder.dir(), 10, 1, last / 256, last % 256));
    }
}

BENCHMARK(BM_DeviceTableLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeviceTableSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeviceTableWriteDurable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeviceTableWriteUnsynced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryLoad<tavo::CIPFDB>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistorySave<tavo::CIPFDB>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryLoad<tavo::CMacHistoryFDB>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistorySave<tavo::CMacHistoryFDB>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IpAddIfAbsentNew)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MacAddIfAbsentNew)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IpAddIfAbsentPresent)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
