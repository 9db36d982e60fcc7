// The device table's CSV import of 5000 rows as a spreadsheet saves them (semicolons,
// quotes, a byte order mark, CR LF), every check included: reading and checking alone, a
// dry run against the table, and the whole import with its one durable save of
// "bootp.ini" and of each history; and the export of the 5000-record table. Each on a
// private folder under the system's temporary directory; goal for the import: below 20 ms.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "BenchFolder.h"
#include "DeviceImport.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRows = 5000;

using bench::Folder;

// Back to an empty folder: no table, no histories.
void clear(const Folder& folder) {
    for (const char* name : {"bootp.ini", "iph.ini", "mach.ini"}) fs::remove(folder.file(name));
}

std::string spreadsheetCsv(int rows) {
    std::string csv = "\xEF\xBB\xBF\"IP\";\"MAC\";\"Gateway\";\"Subnet\"\r\n";
    char row[96];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(row, sizeof row, "\"10.1.%d.%d\";\"02:4B:7E:%02X:%02X:%02X\";\"10.1.0.1\";\"255.255.0.0\"\r\n",
                      i / 250, i % 250 + 1, (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF);
        csv += row;
    }
    return csv;
}

void BM_CsvReadAndCheck(benchmark::State& state) {
    const std::string csv = spreadsheetCsv(kRows);
    for (auto _ : state) benchmark::DoNotOptimize(tavo::readDeviceCsv(csv).ok());
}

void BM_ImportDryRun(benchmark::State& state) {
    Folder folder;
    const std::string csv = spreadsheetCsv(kRows);
    for (auto _ : state) benchmark::DoNotOptimize(tavo::importDeviceCsv(folder.dir(), csv, {false, true}).status);
}

// The whole import into an empty folder: checks, one save of the table, one of each history.
void BM_Import(benchmark::State& state) {
    Folder folder;
    const std::string csv = spreadsheetCsv(kRows);
    for (auto _ : state) {
        const auto result = tavo::importDeviceCsv(folder.dir(), csv, {});
        if (result.status != tavo::DeviceImportStatus::Imported) state.SkipWithError("the import was refused");
        state.PauseTiming();
        clear(folder);
        state.ResumeTiming();
    }
}

void BM_Export(benchmark::State& state) {
    Folder folder;
    tavo::importDeviceCsv(folder.dir(), spreadsheetCsv(kRows), {});
    for (auto _ : state) benchmark::DoNotOptimize(tavo::exportDeviceCsv(folder.dir()).count);
}

BENCHMARK(BM_CsvReadAndCheck)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportDryRun)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
