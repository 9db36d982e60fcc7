#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "SafeFileRead.h"
#include "UploadPlan.h"

namespace tavo {
namespace {

// A file of `length` bytes whose byte i is (i * 7 + i / 256) & 0xFF, so that every block
// differs from its neighbours and a block sent in the wrong place shows.
std::vector<uint8_t> Pattern(size_t length) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

// Every datagram of an upload of `image`, in sending order.
std::vector<std::vector<uint8_t>> Datagrams(const std::vector<uint8_t>& image) {
    std::vector<std::vector<uint8_t>> out;
    for (int k = 0; k < uploadBlockCount(image.size()); ++k) out.push_back(uploadDatagram(image, k));
    return out;
}

TEST(UploadPlan, DatagramsFollowTheBlockLayout) {
    struct Case {
        size_t length;
        int blocks;
        size_t lastLength;       // of the last datagram
        uint8_t lastHigh, lastLow;  // its block number
    } cases[] = {
        {0, 0, 0, 0, 0},
        {1, 1, 4, 0x00, 0x00},
        {256, 1, 259, 0x00, 0x00},
        {257, 2, 4, 0x00, 0x01},
        {512, 2, 259, 0x00, 0x01},
        {65537, 257, 4, 0x01, 0x00},
        {520192, 2032, 259, 0x07, 0xEF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::vector<uint8_t> image = Pattern(c.length);
        const auto datagrams = Datagrams(image);
        ASSERT_EQ(static_cast<int>(datagrams.size()), c.blocks);
        size_t offset = 0;
        for (size_t k = 0; k < datagrams.size(); ++k) {
            const auto& d = datagrams[k];
            ASSERT_GE(d.size(), 4u);
            EXPECT_EQ(d[0], 0x40);
            EXPECT_EQ(d[1], static_cast<uint8_t>(k >> 8));
            EXPECT_EQ(d[2], static_cast<uint8_t>(k & 0xFF));
            EXPECT_TRUE(std::equal(d.begin() + 3, d.end(), image.begin() + static_cast<long>(offset))) << "block " << k;
            offset += d.size() - 3;
            if (k + 1 < datagrams.size()) EXPECT_EQ(d.size(), 259u);
        }
        EXPECT_EQ(offset, c.length);  // every byte once, in order
        if (c.blocks > 0) {
            EXPECT_EQ(datagrams.back().size(), c.lastLength);
            EXPECT_EQ(datagrams.back()[1], c.lastHigh);
            EXPECT_EQ(datagrams.back()[2], c.lastLow);
        }
    }
}

TEST(UploadPlan, GoldenBytesOfShortFiles) {
    const std::vector<uint8_t> image{0x11, 0x22, 0x33};
    EXPECT_EQ(uploadDatagram(image, 0), (std::vector<uint8_t>{0x40, 0x00, 0x00, 0x11, 0x22, 0x33}));
    const std::vector<uint8_t> file257 = Pattern(257);
    EXPECT_EQ(uploadDatagram(file257, 1), (std::vector<uint8_t>{0x40, 0x00, 0x01, file257[256]}));
    // A block past the end carries nothing: no such block is ever sent.
    EXPECT_TRUE(uploadBlockData(file257, 2).empty());
    EXPECT_EQ(UPLOAD_MAX_BLOCKS, 2032);
}

class ProjectFileTest : public ::testing::Test {
protected:
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("tavo-upload-" + std::to_string(::getpid()) + "-" +
                                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(folder); }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string write(const std::string& name, size_t length) {
        const auto path = folder / name;
        std::ofstream out(path, std::ios::binary);
        const auto bytes = Pattern(length);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
};

TEST_F(ProjectFileTest, TheLimitIsTakenAndOneByteMoreIsRefusedUnread) {
    const ProjectFile largest = loadProjectFile(write("max.TAV", 520192));
    ASSERT_EQ(largest.status, ProjectFileStatus::Ok);
    EXPECT_EQ(largest.bytes, Pattern(520192));
    const ProjectFile over = loadProjectFile(write("over.TAV", 520193));
    EXPECT_EQ(over.status, ProjectFileStatus::TooLarge);
    EXPECT_EQ(over.length, 520193u);
    EXPECT_TRUE(over.bytes.empty());
    const ProjectFile empty = loadProjectFile(write("empty.TAV", 0));
    EXPECT_EQ(empty.status, ProjectFileStatus::Ok);
    EXPECT_TRUE(empty.bytes.empty());
}

TEST_F(ProjectFileTest, MissingFilesAndFoldersCannotBeOpened) {
    const ProjectFile missing = loadProjectFile((folder / "none.TAV").string());
    EXPECT_EQ(missing.status, ProjectFileStatus::CannotOpen);
    EXPECT_FALSE(missing.reason.empty());
    EXPECT_EQ(loadProjectFile(folder.string()).status, ProjectFileStatus::CannotOpen);
#ifndef _WIN32
    // A pipe in the file's place is refused at once rather than waited on.
    const auto fifo = folder / "fifo.TAV";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(loadProjectFile(fifo.string()).status, ProjectFileStatus::CannotOpen);
#endif
}

#ifndef _WIN32
// The one safe read behind both the project file and the web folder: a project file may be
// reached through a link, a web file may not (it is listed as a link and skipped).
TEST_F(ProjectFileTest, TheSafeReadFollowsALinkOnlyWhenAsked) {
    const std::string target = write("real.TAV", 300);
    const auto link = folder / "link.TAV";
    std::filesystem::create_symlink(target, link);
    const FileRead followed = readFileSafely(link.string());
    ASSERT_EQ(followed.status, FileReadStatus::Ok);
    EXPECT_EQ(followed.bytes, Pattern(300));
    const FileRead refused = readFileSafely(link.string(), {.followLinks = false});
    EXPECT_EQ(refused.status, FileReadStatus::CannotOpen);
    EXPECT_FALSE(refused.reason.empty());
    EXPECT_EQ(loadProjectFile(link.string()).bytes, Pattern(300));
    const FileRead over = readFileSafely(target, {.limit = 299});
    EXPECT_EQ(over.status, FileReadStatus::TooLarge);
    EXPECT_EQ(over.length, 300u);
    EXPECT_TRUE(over.bytes.empty());
}
#endif

TEST(UploadPlan, ReadBackComparesOnlyWhatEachBlockCarried) {
    const std::vector<uint8_t> image = Pattern(3 * 256 + 10);  // 4 blocks, the last of 10 bytes
    FlashDump dump(0, 3);
    for (int k = 0; k < 4; ++k) {
        SectorData sector;
        sector.fill(0xFF);  // the erased rest of a short last sector is not compared
        const auto data = uploadBlockData(image, k);
        std::copy(data.begin(), data.end(), sector.begin());
        if (k == 1) sector[5] ^= 0x01;
        if (k != 2) dump.store(k, sector);
    }
    const BlockComparison result = compareBlocks(dump, image);
    EXPECT_EQ(result.blocks, 4);
    EXPECT_EQ(result.differing, std::vector<int>{1});
    EXPECT_EQ(result.missing, std::vector<int>{2});
    EXPECT_EQ(result.firstDifference(), 1);
    EXPECT_FALSE(result.matches());
    EXPECT_TRUE(compareBlocks(FlashDump(), {}).matches());
}

}  // namespace
}  // namespace tavo
