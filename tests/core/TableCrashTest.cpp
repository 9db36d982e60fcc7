// A device table survives a save that is killed at any moment: the file reads whole,
// with either the old or the new records.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "BigTable.h"
#include "DurableFile.h"
#include "FileDBTestSupport.h"
#include "CrashTestSupport.h"

namespace tavo::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kKills = 500;
constexpr int kSaverRounds = 1000;  // a saver that is never killed ends by itself

// A process of its own that saves the table over and over, switching variants, until it
// is killed.
pid_t startSaver(CBootPFDB& table, int variant) {
    return startForkedChild([&table, variant]() mutable {
        for (int round = 0; round < kSaverRounds; ++round) {
            if (!table.Save()) return 1;
            variant = variant == 1 ? 2 : 1;
            setBigTableVariant(table, variant);
        }
        return 0;
    });
}

long long microseconds(Clock::duration d) { return std::chrono::duration_cast<std::chrono::microseconds>(d).count(); }

TEST(TableCrash, SaveKilledAtRandomMomentsLeavesTheOldOrTheNewTable) {
    TempFolder folder;
    // Both variants ready in memory, so that a saver's first save starts at once.
    CBootPFDB table(folder.dir());
    fillBigTable(table, 1);
    CBootPFDB other(folder.dir());
    fillBigTable(other, 2);
    // A save and its write to the disk alone, timed here, in this build, give the spans
    // the kills fall in.
    auto start = Clock::now();
    ASSERT_TRUE(table.Save());
    const long long saveUs = microseconds(Clock::now() - start);
    {
        DurableFile file(table.GetPath());
        start = Clock::now();
        ASSERT_TRUE(file.write(readBytes(folder.file("bootp.ini")), table.GetPath()));
        ASSERT_TRUE(file.commit());
    }
    const long long writeUs = microseconds(Clock::now() - start);
    // The two whole files a kill may leave; each reads back as its variant.
    std::string whole[3];
    for (int variant : {2, 1}) {
        ASSERT_TRUE((variant == 1 ? table : other).Save());
        whole[variant] = readBytes(folder.file("bootp.ini"));
        CBootPFDB reread(folder.dir());
        ASSERT_TRUE(reread.Load());
        ASSERT_EQ(bigTableVariant(reread), variant);
    }

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    // Half of the kills anywhere in the first save; the other half around its write, the
    // last part of a save, so that many land while the file is written, forced to the
    // disk and renamed.
    std::uniform_int_distribution<long long> anywhere(0, saveUs);
    std::uniform_int_distribution<long long> aroundWrite(std::max(0LL, saveUs - 3 * writeUs / 2), saveUs + writeUs / 4);
    int midWrite = 0;
    int variants[3] = {};
    int current = 1;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t saver = startSaver(current == 1 ? other : table, current == 1 ? 2 : 1);
        ASSERT_GT(saver, 0) << "the saver did not start";
        const long long delay = kill % 2 == 0 ? anywhere(random) : aroundWrite(random);
        std::this_thread::sleep_for(std::chrono::microseconds(delay));
        ::kill(saver, SIGKILL);
        int status = 0;
        waitpid(saver, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended before it was killed, status " << status;

        // Byte for byte one of the two whole files; now and then read through the table too.
        const std::string bytes = readBytes(folder.file("bootp.ini"));
        const int variant = bytes == whole[1] ? 1 : bytes == whole[2] ? 2 : 0;
        ASSERT_NE(variant, 0) << "neither the old nor the new table after kill " << kill << ", seed " << seed
                              << ", " << bytes.size() << " bytes";
        if (kill % 25 == 0) {
            CBootPFDB reread(folder.dir());
            ASSERT_TRUE(reread.Load());
            ASSERT_FALSE(reread.hasUnreadRest());
            ASSERT_EQ(bigTableVariant(reread), variant);
        }
        ++variants[variant];
        current = variant;
        midWrite += removeTemporaryFiles(folder.path());
    }
    // How the kills fell: a temporary file left behind is a kill during a save's write.
    std::printf("save %lld us, its write %lld us; %d kills, %d of them during a write; "
                "the table read whole every time (variant 1: %d, variant 2: %d)\n",
                saveUs, writeUs, kKills, midWrite, variants[1], variants[2]);
    EXPECT_GT(midWrite, 0) << "no kill landed inside a write; seed " << seed;
}

}  // namespace
}  // namespace tavo::testing
