// An import that is killed at any moment leaves "bootp.ini" whole, with either the old or
// the new table: the same method as the save's crash test, with an importing process.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "DeviceImport.h"
#include "FileDBTestSupport.h"
#include "CrashTestSupport.h"

namespace tavo::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kKills = 150;
constexpr int kRows = 1000;

// `kRows` devices; the variant changes every IP, so that --replace turns one table into
// the other by MAC.
std::string variantCsv(int variant) {
    std::string csv = "ip,mac\r\n";
    char row[64];
    for (int i = 0; i < kRows; ++i) {
        std::snprintf(row, sizeof row, "10.%d.%d.%d,02AB7E%06X\r\n", variant, i / 250, i % 250 + 1, i);
        csv += row;
    }
    return csv;
}

// A process of its own that imports `csv` once.
pid_t startImporter(const std::string& dir, const std::string& csv) {
    return startForkedChild([&] { return importDeviceCsv(dir, csv, {true, false}).changed() ? 0 : 1; });
}

long long microseconds(Clock::duration d) { return std::chrono::duration_cast<std::chrono::microseconds>(d).count(); }

TEST(ImportCrash, ImportKilledAtRandomMomentsLeavesTheOldOrTheNewTable) {
    TempFolder folder;
    const std::string csv[3] = {{}, variantCsv(1), variantCsv(2)};
    // The two whole tables a kill may leave, and the time of one import in this build.
    std::string whole[3];
    long long importUs = 0;
    for (int variant : {2, 1}) {
        const auto start = Clock::now();
        ASSERT_EQ(importDeviceCsv(folder.dir(), csv[variant], {true, false}).status, DeviceImportStatus::Imported);
        importUs = std::max(importUs, microseconds(Clock::now() - start));
        whole[variant] = readBytes(folder.file("bootp.ini"));
    }
    ASSERT_NE(whole[1], whole[2]);

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    // Where the table's save lies in an import: after the checks (a dry run's time), for
    // as long as a save of the table takes.
    auto start = Clock::now();
    ASSERT_EQ(importDeviceCsv(folder.dir(), csv[2], {true, true}).status, DeviceImportStatus::Checked);
    const long long checkUs = microseconds(Clock::now() - start);
    CBootPFDB table(folder.dir());
    ASSERT_TRUE(table.Load());
    start = Clock::now();
    ASSERT_TRUE(table.Save());
    const long long saveUs = microseconds(Clock::now() - start);
    // Half of the kills anywhere in an import; the other half around the table's save.
    std::uniform_int_distribution<long long> anywhere(0, importUs);
    // (A forked importer runs slower than this process, by its first writes to shared
    // pages, so the window is wide.)
    std::uniform_int_distribution<long long> writing(checkUs / 2, checkUs + 4 * saveUs);
    int variants[3] = {};
    int midWrite = 0;
    int current = 1;
    for (int kill = 0; kill < kKills; ++kill) {
        const int next = current == 1 ? 2 : 1;
        const pid_t importer = startImporter(folder.dir(), csv[next]);
        ASSERT_GT(importer, 0) << "the importer did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(kill % 2 == 0 ? anywhere(random) : writing(random)));
        ::kill(importer, SIGKILL);
        int status = 0;
        waitpid(importer, &status, 0);

        const std::string bytes = readBytes(folder.file("bootp.ini"));
        const int variant = bytes == whole[1] ? 1 : bytes == whole[2] ? 2 : 0;
        ASSERT_NE(variant, 0) << "neither the old nor the new table after kill " << kill << ", seed " << seed << ", "
                              << bytes.size() << " bytes";
        ++variants[variant];
        current = variant;
        midWrite += removeTemporaryFiles(folder.path());
    }
    std::printf("import %lld us (checks %lld us, the table's save %lld us); %d kills, %d of them during a write; the table was whole every time "
                "(variant 1 %d, variant 2 %d)\n",
                importUs, checkUs, saveUs, kKills, midWrite, variants[1], variants[2]);
    // How many fell inside a write is printed, not asserted: the write is a few hundred
    // microseconds of an import, and an importer's speed varies with the machine's load.
}

}  // namespace
}  // namespace tavo::testing
