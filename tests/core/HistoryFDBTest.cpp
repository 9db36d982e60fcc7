#include <gtest/gtest.h>

#include <optional>

#include "FileDBTestSupport.h"
#include "IPFDB.h"
#include "MacHistoryFDB.h"

namespace tavo {
namespace {

using testing::Golden;
using testing::MessageLog;
using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

template <class History>
std::vector<typename History::Values> Entries(History& history) {
    std::vector<typename History::Values> out;
    for (int i = 0; i < history.getCount(); ++i) out.push_back(history.getValues(i));
    return out;
}

std::string ManyIpLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "[" + std::to_string(i + 1) + "]\t 10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256) + "\r\n";
    }
    return text;
}

TEST(IPFDB, GoldenFileAndAddIfAbsent) {
    TempFolder folder;
    const std::string dir = folder.dir();
    EXPECT_EQ(CIPFDB::AddIfAbsent(dir, 192, 168, 1, 10), HistoryAddResult::Added);
    EXPECT_EQ(CIPFDB::AddIfAbsent(dir, 10, 0, 0, 1), HistoryAddResult::Added);
    EXPECT_EQ(CIPFDB::AddIfAbsent(dir, 127, 0, 0, 2), HistoryAddResult::Added);
    EXPECT_EQ(CIPFDB::AddIfAbsent(dir, 10, 0, 0, 1), HistoryAddResult::AlreadyPresent);
    EXPECT_EQ(readBytes(folder.file("iph.ini")), Golden("iph.ini"));

    CIPFDB history(dir);
    ASSERT_TRUE(history.Load());
    int a = 0, b = 0, c = 0, d = 0;
    history.GetRecord(a, b, c, d, 2);
    EXPECT_EQ((CIPFDB::Values{a, b, c, d}), (CIPFDB::Values{127, 0, 0, 2}));
    EXPECT_EQ(history.getFirst(), 127);
    EXPECT_EQ(history.Find(10, 0, 0, 1), 1);
    EXPECT_EQ(history.Find(10, 0, 0, 2), -1);
    EXPECT_EQ(formatIpHistoryEntry(history.getValues(1)), " 10.  0.  0.  1");
    ASSERT_TRUE(history.Save());
    EXPECT_EQ(readBytes(folder.file("iph.ini")), Golden("iph.ini"));
}

TEST(MacHistoryFDB, GoldenFileAndPickListForm) {
    TempFolder folder;
    const std::string dir = folder.dir();
    EXPECT_EQ(CMacHistoryFDB::AddIfAbsent(dir, {0x02, 0xAB, 0xCD, 0xEF, 0x01, 0x23}), HistoryAddResult::Added);
    EXPECT_EQ(CMacHistoryFDB::AddIfAbsent(dir, {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}), HistoryAddResult::Added);
    EXPECT_EQ(readBytes(folder.file("mach.ini")), Golden("mach.ini"));

    CMacHistoryFDB history(dir);
    ASSERT_TRUE(history.Load());
    EXPECT_EQ(formatMacHistoryEntry(history.getValues(0)), "02:AB:CD:EF:01:23");
    EXPECT_EQ(formatMacHistoryEntry(history.getValues(1)), "0A:0B:0C:0D:0E:0F");
    EXPECT_EQ(formatMacHistoryEntry({2, -1, 0, 0, 0, 300}), "02:FFFFFFFF:00:00:00:12C");
    EXPECT_EQ(history.Find(10, 11, 12, 13, 14, 15), 1);
    int b[6] = {};
    history.GetRecord(b[0], b[1], b[2], b[3], b[4], b[5], 0);
    EXPECT_EQ(b[1], 171);
    EXPECT_EQ(history.getByte6(), 35);
    ASSERT_TRUE(history.Save());
    EXPECT_EQ(readBytes(folder.file("mach.ini")), Golden("mach.ini"));
}

TEST(IPFDB, ReadingRules) {
    using V = CIPFDB::Values;
    struct Case {
        const char* name;
        std::optional<std::string> content;
        bool loads;
        std::vector<V> entries;
    } cases[] = {
        {"as written", Golden("iph.ini"), true, {{192, 168, 1, 10}, {10, 0, 0, 1}, {127, 0, 0, 2}}},
        {"LF only", "[1]\t 192.168.1.10\n[2]\t 10.0.0.1\n", true, {{192, 168, 1, 10}, {10, 0, 0, 1}}},
        {"extra or missing blanks", "[1]    \t 192.168.1.10  \r\n\r\n  [ 2]10.0.0.1", true, {{192, 168, 1, 10}, {10, 0, 0, 1}}},
        {"numbered 7 3 3", "[7]\t 1.1.1.1\n[3]\t 2.2.2.2\n[3]\t 3.3.3.3\n", true, {{1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}}},
        {"third line without brackets", "[1]\t 1.1.1.1\n[2]\t 2.2.2.2\n3\t 3.3.3.3\n[4]\t 4.4.4.4\n", true,
         {{1, 1, 1, 1}, {2, 2, 2, 2}}},
        {"line matching in part", "[1]\t 1.1.1.1\n[2]\t 2.2.2\n[3]\t 3.3.3.3\n", true, {{1, 1, 1, 1}}},
        {"negative first octet", "[1]\t 1.1.1.1\n[2]\t -2.2.2.2\n", true, {{1, 1, 1, 1}}},
        {"values kept as read", "[1]\t 300.-1.0.99999999999\n", true, {{300, -1, 0, 2147483647}}},
        {"empty file", std::string(), true, {}},
        {"missing file", std::nullopt, false, {}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        if (c.content) writeBytes(folder.file("iph.ini"), *c.content);
        MessageLog log;
        CIPFDB history(folder.dir(), log.sink());
        EXPECT_EQ(history.Load(), c.loads) << c.name;
        EXPECT_EQ(Entries(history), c.entries) << c.name;
        EXPECT_TRUE(log.entries.empty()) << c.name;
    }
}

TEST(MacHistoryFDB, ReadingRules) {
    using V = CMacHistoryFDB::Values;
    struct Case {
        const char* name;
        std::string content;
        std::vector<V> entries;
    } cases[] = {
        {"LF only", "[1]\t 2:171:205:239:1:35\n[2]\t 10:11:12:13:14:15\n", {{2, 171, 205, 239, 1, 35}, {10, 11, 12, 13, 14, 15}}},
        {"numbered 7 3 3", "[7] 1:1:1:1:1:1\r\n[3]\t\t1:1:1:1:1:2\r\n[3]\t 1:1:1:1:1:3", {{1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 2}, {1, 1, 1, 1, 1, 3}}},
        {"five bytes end the read", "[1]\t 1:2:3:4:5:6\n[2]\t 1:2:3:4:5\n[3]\t 1:2:3:4:5:6\n", {{1, 2, 3, 4, 5, 6}}},
        {"dots instead of colons", "[1]\t 1.2.3.4.5.6\n", {}},
        {"negative later bytes kept", "[1]\t 2:-1:3:4:5:6\n", {{2, -1, 3, 4, 5, 6}}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        writeBytes(folder.file("mach.ini"), c.content);
        CMacHistoryFDB history(folder.dir());
        EXPECT_TRUE(history.Load()) << c.name;
        EXPECT_EQ(Entries(history), c.entries) << c.name;
    }
}

TEST(IPFDB, PresentAddressLeavesTheFileUntouchedAndNewOneIsAppended) {
    TempFolder folder;
    const std::string handWritten = "[7]\t 10.0.0.1\n[3]    10.0.0.2\n";
    writeBytes(folder.file("iph.ini"), handWritten);
    const auto before = std::filesystem::last_write_time(folder.file("iph.ini"));
    EXPECT_EQ(CIPFDB::AddIfAbsent(folder.dir(), 10, 0, 0, 2), HistoryAddResult::AlreadyPresent);
    EXPECT_EQ(readBytes(folder.file("iph.ini")), handWritten);
    EXPECT_EQ(std::filesystem::last_write_time(folder.file("iph.ini")), before);

    EXPECT_EQ(CIPFDB::AddIfAbsent(folder.dir(), 10, 0, 0, 3), HistoryAddResult::Added);
    EXPECT_EQ(readBytes(folder.file("iph.ini")), "[1]\t 10.0.0.1\r\n[2]\t 10.0.0.2\r\n[3]\t 10.0.0.3\r\n");
}

TEST(IPFDB, AdditionAfterAShortReadKeepsTheOldFileBesideIt) {
    TempFolder folder;
    const std::string damaged = "[1]\t 10.0.0.1\n10.0.0.2 without its number\n[3]\t 10.0.0.3\n";
    writeBytes(folder.file("iph.ini"), damaged);
    MessageLog log;
    EXPECT_EQ(CIPFDB::AddIfAbsent(folder.dir(), 10, 0, 0, 4, log.sink()), HistoryAddResult::Added);
    EXPECT_EQ(readBytes(folder.file("iph.ini")), "[1]\t 10.0.0.1\r\n[2]\t 10.0.0.4\r\n");
    EXPECT_EQ(readBytes(folder.file("iph.ini.bak")), damaged);
    EXPECT_EQ(log.kinds(), std::vector<TableMessage>{TableMessage::UnreadRecordsKept});
}

TEST(MacHistoryFDB, PresentAddressLeavesTheFileUntouched) {
    TempFolder folder;
    const std::string handWritten = "[1]\t 1:2:3:4:5:6\n";
    writeBytes(folder.file("mach.ini"), handWritten);
    EXPECT_EQ(CMacHistoryFDB::AddIfAbsent(folder.dir(), {1, 2, 3, 4, 5, 6}), HistoryAddResult::AlreadyPresent);
    EXPECT_EQ(readBytes(folder.file("mach.ini")), handWritten);
}

TEST(Histories, ClearAllLeavesAnEmptyFile) {
    TempFolder folder;
    writeBytes(folder.file("iph.ini"), Golden("iph.ini"));
    CIPFDB ip(folder.dir());
    ASSERT_TRUE(ip.ClearAll());
    EXPECT_EQ(ip.getCount(), 0);
    CMacHistoryFDB mac(folder.dir());  // no file yet: one is created
    ASSERT_TRUE(mac.ClearAll());
    for (const char* name : {"iph.ini", "mach.ini"}) {
        EXPECT_TRUE(std::filesystem::exists(folder.file(name))) << name;
        EXPECT_EQ(readBytes(folder.file(name)), "") << name;
    }
    CIPFDB reread(folder.dir());
    EXPECT_TRUE(reread.Load());
    EXPECT_TRUE(reread.IsEOF());
}

TEST(Histories, RefusedAndFailedSavesLoseNothing) {
    TempFolder folder;
    const std::string threeLines = "[1]\t 1:1:1:1:1:1\r\n[2]\t 2:2:2:2:2:2\r\n[3]\t 3:3:3:3:3:3\r\n";
    writeBytes(folder.file("mach.ini"), threeLines);
    MessageLog log;
    // A first byte that could not be read is refused before anything is written.
    EXPECT_EQ(CMacHistoryFDB::AddIfAbsent(folder.dir(), {-1, 2, 3, 4, 5, 6}, log.sink()), HistoryAddResult::Failed);
    EXPECT_EQ(log.kinds(), std::vector<TableMessage>{TableMessage::WrongDataTypeHistory});
    EXPECT_EQ(readBytes(folder.file("mach.ini")), threeLines);

    writeBytes(folder.file("plain-file"), "x");
    const std::string underAFile = (folder.path() / "plain-file").string();
    for (const std::string& dir : {underAFile, (folder.path() / "missing").string()}) {
        MessageLog failures;
        EXPECT_EQ(CIPFDB::AddIfAbsent(dir, 1, 2, 3, 4, failures.sink()), HistoryAddResult::Failed) << dir;
        CMacHistoryFDB mac(dir, failures.sink());
        EXPECT_FALSE(mac.ClearAll()) << dir;
        EXPECT_EQ(failures.kinds(), (std::vector<TableMessage>{TableMessage::FileNotWritable, TableMessage::FileNotWritable}))
            << dir;
    }
    EXPECT_EQ(readBytes(folder.file("plain-file")), "x");
}

TEST(Histories, FullHistoryKeepsEveryLineAndRefusesAnAddition) {
    TempFolder folder;
    const std::string lines = ManyIpLines(CIPFDB::kCapacity + 1);
    writeBytes(folder.file("iph.ini"), lines);
    MessageLog log;
    EXPECT_EQ(CIPFDB::AddIfAbsent(folder.dir(), 1, 2, 3, 4, log.sink()), HistoryAddResult::Failed);
    EXPECT_EQ(log.kinds(), std::vector<TableMessage>{TableMessage::DatabaseFull});
    EXPECT_EQ(readBytes(folder.file("iph.ini")), lines);

    CIPFDB history(folder.dir(), log.sink());
    ASSERT_TRUE(history.Load());
    EXPECT_EQ(history.getCount(), CIPFDB::kCapacity + 1);
    EXPECT_FALSE(history.SetPosition(CIPFDB::kCapacity + 2));
    EXPECT_TRUE(history.SetPosition(CIPFDB::kCapacity + 1));
    EXPECT_EQ(history.getFirst(), 0);  // the append position is not a record
    history.SetRecord(9, 9, 9, 9);     // and writing there goes nowhere
    ASSERT_TRUE(history.Save());
    EXPECT_EQ(readBytes(folder.file("iph.ini")), lines);
}

}  // namespace
}  // namespace tavo
