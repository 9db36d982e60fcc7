#include <gtest/gtest.h>

#include <optional>

#include "BootPFDB.h"
#include "FileDBTestSupport.h"

namespace tavo {
namespace {

using testing::Golden;
using testing::MessageLog;
using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

std::vector<std::string> IpTexts(CBootPFDB& table) {
    std::vector<std::string> ips;
    for (table.MoveFirst(); !table.IsEOF(); table.MoveNext()) ips.push_back(table.getIP());
    return ips;
}

// `count` well-formed records in the hand-written form (LF, no blank lines, unaligned).
std::string ManyRecords(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "[" + std::to_string(i + 1) + "]\nHType : 1\nhlen : 6\nIP : 10.0." + std::to_string(i / 256) +
                "." + std::to_string(i % 256) + "\nMAC : 0011AABB" + std::to_string(1000 + i % 9000) +
                "\nGateway : 0.0.0.0\nSubnet : 255.255.255.0\n";
    }
    return text;
}

const char* const kTwoRecordsLf =
    "\n[1]\nHType : 1 \nhlen : 6 \nIP : 192.168.  1. 10 \nMAC : 0011AABBCCDD \n"
    "Gateway :   0.  0.  0.  0 \nSubnet : 255.255.255.  0\n"
    "\n[2]\nHType : 1 \nhlen : 6 \nIP :  10.  0.  0.  1 \nMAC : 02ABCDEF0123 \n"
    "Gateway :  10.  0.  0.254 \nSubnet : 255.  0.  0.  0\n";

const char* const kFirstRecord =
    "[1]\nHType : 1\nhlen : 6\nIP : 192.168.1.10\nMAC : 0011AABBCCDD\nGateway : 0.0.0.0\nSubnet : 255.255.255.0\n";

TEST(BootPFDB, WritesTheGoldenFileAndReadsItBackUnchanged) {
    TempFolder folder;
    const std::string golden = Golden("bootp.ini");
    {
        CBootPFDB table(folder.dir());
        EXPECT_EQ(table.AddNew(), 1);
        table.setHType(1);
        table.setHLen(6);
        table.setIP("192.168.  1. 10");
        table.setMAC("0011AABBCCDD");
        table.setGateway("  0.  0.  0.  0");
        table.setSubnet("255.255.255.  0");
        EXPECT_EQ(table.AddNew(), 2);
        table.SetRecord(1, 6, " 10.  0.  0.  1", "02abcdef0123", " 10.  0.  0.254", "255.  0.  0.  0");
        ASSERT_TRUE(table.Save());
        EXPECT_EQ(readBytes(folder.file("bootp.ini")), golden);  // upper case on the file only
        table.SetPosition(1);
        EXPECT_EQ(table.getMAC(), "02abcdef0123");
    }
    CBootPFDB table(folder.dir());
    ASSERT_TRUE(table.Load());
    ASSERT_EQ(table.getCount(), 2);
    int htype = -1, hlen = -1;
    std::string ip, mac, gateway, subnet;
    table.GetRecord(htype, hlen, ip, mac, gateway, subnet, 1);
    EXPECT_EQ(htype, 1);
    EXPECT_EQ(hlen, 6);
    EXPECT_EQ(ip, " 10.  0.  0.  1");
    EXPECT_EQ(mac, "02ABCDEF0123");
    EXPECT_EQ(gateway, " 10.  0.  0.254");
    EXPECT_EQ(subnet, "255.  0.  0.  0");
    ASSERT_TRUE(table.Save());
    EXPECT_EQ(readBytes(folder.file("bootp.ini")), golden);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);  // no temporary left
}

TEST(BootPFDB, HandWrittenFileIsRewrittenInTheNormalForm) {
    TempFolder folder;
    // LF only, no blank lines, records numbered 7 and 3, unaligned octets, blanks missing
    // around a colon, extra blanks, a lower-case MAC and no line end at the end.
    writeBytes(folder.file("bootp.ini"),
               "[7]\nHType:1\n  hlen : 6\nIP : 192.168.1.10\nMAC : 0011aabbccdd\nGateway : 0.0.0.0\n"
               "Subnet :   255.255.255.0\n[3]\nHType : 1 \nhlen : 6 \nIP : 10.0.0.1 \nMAC :\t02ABCDEF0123\n"
               "Gateway : 10.0.0.254\nSubnet : 255.0.0.0");
    CBootPFDB table(folder.dir());
    ASSERT_TRUE(table.Load());
    EXPECT_EQ(IpTexts(table), (std::vector<std::string>{"192.168.  1. 10", " 10.  0.  0.  1"}));
    // The MAC is held as read, so the upper-case text finds it only after a save.
    EXPECT_EQ(table.FindByMac("0011AABBCCDD"), -1);
    EXPECT_EQ(table.FindByMac("0011aabbccdd"), 0);
    ASSERT_TRUE(table.Save());
    EXPECT_EQ(readBytes(folder.file("bootp.ini")), Golden("bootp.ini"));
}

TEST(BootPFDB, ReadingRules) {
    const std::string second = kTwoRecordsLf;
    struct Case {
        const char* name;
        std::optional<std::string> content;  // nullopt: no file
        bool loads;
        std::vector<std::string> ips;
    } cases[] = {
        {"CR LF as written", Golden("bootp.ini"), true, {"192.168.  1. 10", " 10.  0.  0.  1"}},
        {"LF only", second, true, {"192.168.  1. 10", " 10.  0.  0.  1"}},
        {"records numbered 7 3 3",
         "[7]" + std::string(kFirstRecord).substr(3) + "[3]" + std::string(kFirstRecord).substr(3) + "[3]" +
             std::string(kFirstRecord).substr(3),
         true,
         {"192.168.  1. 10", "192.168.  1. 10", "192.168.  1. 10"}},
        {"misspelt label ends the read",
         std::string(kFirstRecord) + "[2]\nHtype : 1\nhlen : 6\nIP : 1.2.3.4\nMAC : 1\nGateway : 0.0.0.0\nSubnet : 0.0.0.0\n",
         true,
         {"192.168.  1. 10"}},
        {"four-digit octet ends the read",
         std::string(kFirstRecord) + "[2]\nHType : 1\nhlen : 6\nIP : 1234.2.3.4\nMAC : 1\nGateway : 0.0.0.0\nSubnet : 0.0.0.0\n",
         true,
         {"192.168.  1. 10"}},
        {"a sign is one of the three characters",
         "[1]\nHType : 1\nhlen : 6\nIP : -12.+99.999.0\nMAC : 1\nGateway : 0.0.0.0\nSubnet : 0.0.0.0\n", true,
         {"-12. 99.999.  0"}},
        {"record cut short ends the read",
         std::string(kFirstRecord) + "[2]\nHType : 1\nhlen : 6\nIP : 1.2.3.4\nMAC : 0011AABBCCDD\n", true,
         {"192.168.  1. 10"}},
        {"negative hlen ends the read",
         std::string(kFirstRecord) + "[2]\nHType : 1\nhlen : -6\nIP : 1.2.3.4\nMAC : 1\nGateway : 0.0.0.0\nSubnet : 0.0.0.0\n",
         true,
         {"192.168.  1. 10"}},
        {"empty file", std::string(), true, {}},
        {"only line ends", std::string("\r\n\r\n\n"), true, {}},
        {"missing file", std::nullopt, false, {}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        if (c.content) writeBytes(folder.file("bootp.ini"), *c.content);
        MessageLog log;
        CBootPFDB table(folder.dir(), log.sink());
        EXPECT_EQ(table.Load(), c.loads) << c.name;
        EXPECT_EQ(IpTexts(table), c.ips) << c.name;
        EXPECT_TRUE(log.entries.empty()) << c.name;
    }
}

TEST(BootPFDB, OversizedInputIsHeldWhole) {
    TempFolder folder;
    const std::string longMac(100000, 'A');
    writeBytes(folder.file("bootp.ini"),
               "[1]\nHType : 1\nhlen : 6\nIP : 1.2.3.4\nMAC : " + longMac + "\nGateway : 0.0.0.0\nSubnet : 0.0.0.0\n" +
                   ManyRecords(CBootPFDB::kCapacity));
    MessageLog log;
    CBootPFDB table(folder.dir(), log.sink());
    ASSERT_TRUE(table.Load());
    ASSERT_EQ(table.getCount(), CBootPFDB::kCapacity + 1);
    EXPECT_EQ(table.FindByMac(longMac), 0);
    // No room for an addition, but nothing that was read is dropped.
    EXPECT_EQ(table.AddNew(), -1);
    EXPECT_EQ(log.kinds(), std::vector<TableMessage>{TableMessage::OutOfRange});
    ASSERT_TRUE(table.Save());
    CBootPFDB reread(folder.dir());
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.getCount(), CBootPFDB::kCapacity + 1);
    reread.SetPosition(CBootPFDB::kCapacity);
    EXPECT_EQ(reread.getIP(), " 10.  0. 19.135");
}

TEST(BootPFDB, PositionsDeleteAndFind) {
    TempFolder folder;
    MessageLog log;
    CBootPFDB table(folder.dir(), log.sink());
    const char* macs[] = {"A0", "A1", "A2", "A3", "A4"};
    for (int i = 0; i < 5; ++i) {
        table.AddNew();
        table.SetRecord(1, 6, "  1.  1.  1.  " + std::to_string(i), macs[i], "", "");
    }
    // Find returns the earlier of an IP hit (record 4) and a MAC hit (record 2).
    EXPECT_EQ(table.Find("  1.  1.  1.  4", "A2"), 2);
    EXPECT_EQ(table.Find("nothing", "none"), -1);
    EXPECT_EQ(table.FindByMac("a2"), -1);

    ASSERT_TRUE(table.SetPosition(3));
    EXPECT_FALSE(table.SetPosition(-1));
    EXPECT_FALSE(table.SetPosition(6));
    EXPECT_EQ(table.getPosition(), 3);
    EXPECT_TRUE(table.SetPosition(5));  // the append position
    EXPECT_TRUE(table.IsEOF());
    EXPECT_EQ(table.getMAC(), "");  // not a record: reads empty, writes go nowhere
    table.setMAC("ignored");
    EXPECT_EQ(log.kinds(), (std::vector<TableMessage>{TableMessage::OutOfRange, TableMessage::OutOfRange}));

    table.Delete(4);  // the last: only the count changes
    table.Delete(0);  // the first: the others move up
    table.Delete(17);  // not a record: nothing happens
    std::vector<std::string> left;
    for (int i = 0; i < table.getCount(); ++i) {
        table.SetPosition(i);
        left.push_back(table.getMAC());
    }
    EXPECT_EQ(left, (std::vector<std::string>{"A1", "A2", "A3"}));
}

TEST(BootPFDB, RefusedSaveLeavesTheFileAsItWas) {
    struct Case {
        const char* name;
        CBootPFDB::Record bad;
    } cases[] = {
        {"empty MAC", {1, 6, "  1.  2.  3.  4", "", "  0.  0.  0.  0", "255.255.255.  0"}},
        {"empty IP", {1, 6, "", "0011AABBCCDD", "  0.  0.  0.  0", "255.255.255.  0"}},
        {"negative HType", {-1, 6, "  1.  2.  3.  4", "0011AABBCCDD", "  0.  0.  0.  0", "255.255.255.  0"}},
        {"negative hlen", {1, -6, "  1.  2.  3.  4", "0011AABBCCDD", "  0.  0.  0.  0", "255.255.255.  0"}},
        // Texts that would not read back would end the next load and lose later records.
        {"blank inside the MAC", {1, 6, "  1.  2.  3.  4", "0011 AABBCCDD", "  0.  0.  0.  0", "255.255.255.  0"}},
        {"empty gateway", {1, 6, "  1.  2.  3.  4", "0011AABBCCDD", "", "255.255.255.  0"}},
        {"IP not dotted", {1, 6, "host", "0011AABBCCDD", "  0.  0.  0.  0", "255.255.255.  0"}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string before = Golden("bootp.ini");
        writeBytes(folder.file("bootp.ini"), before);
        MessageLog log;
        CBootPFDB table(folder.dir(), log.sink());
        ASSERT_TRUE(table.Load());
        // The bad record sits between the two good ones.
        ASSERT_EQ(table.AddNew(), 3);
        const auto& r = c.bad;
        table.SetRecord(r.HType, r.hlen, r.IP, r.MAC, r.Gateway, r.Subnet);
        table.SetRecord(1, 6, "  9.  9.  9.  9", "AAAAAAAAAAAA", "  0.  0.  0.  0", "  0.  0.  0.  0", 1);
        table.SetRecord(r.HType, r.hlen, r.IP, r.MAC, r.Gateway, r.Subnet, 0);
        EXPECT_FALSE(table.Save()) << c.name;
        EXPECT_EQ(log.kinds(), std::vector<TableMessage>{TableMessage::WrongDataType}) << c.name;
        EXPECT_EQ(readBytes(folder.file("bootp.ini")), before) << c.name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << c.name;
    }
}

TEST(BootPFDB, UnwritableOrUnreadablePlacesAreReportedAndNothingIsLost) {
    TempFolder folder;
    writeBytes(folder.file("plain-file"), "x");
    const std::string underAFile = (folder.path() / "plain-file" / "data").string();
    const std::string missing = (folder.path() / "no-such-folder").string();
    for (const std::string& dir : {underAFile, missing}) {
        MessageLog log;
        CBootPFDB table(dir, log.sink());
        EXPECT_FALSE(table.Load());
        EXPECT_TRUE(log.entries.empty());  // a missing table is not an error
        table.AddNew();
        table.SetRecord(1, 6, "  1.  2.  3.  4", "0011AABBCCDD", "  0.  0.  0.  0", "255.255.255.  0");
        EXPECT_FALSE(table.Save()) << dir;
        ASSERT_EQ(log.kinds(), std::vector<TableMessage>{TableMessage::FileNotWritable}) << dir;
        EXPECT_NE(log.entries[0].second.find("bootp.ini"), std::string::npos) << log.entries[0].second;
    }
    EXPECT_EQ(readBytes(folder.file("plain-file")), "x");
    EXPECT_FALSE(std::filesystem::exists(missing));

    // A table path that cannot be read (here a folder) is reported, and the save that
    // would replace it with an empty table is refused.
    std::filesystem::create_directory(folder.file("bootp.ini"));
    writeBytes(folder.file("bootp.ini") / "keep", "k");
    MessageLog log;
    CBootPFDB table(folder.dir(), log.sink());
    EXPECT_FALSE(table.Load());
    EXPECT_FALSE(table.Save());
    EXPECT_EQ(log.kinds(), (std::vector<TableMessage>{TableMessage::FileNotReadable, TableMessage::FileNotReadable}));
    EXPECT_EQ(readBytes(folder.file("bootp.ini") / "keep"), "k");
}

TEST(BootPFDB, SaveAfterAShortReadKeepsTheOldFileBesideIt) {
    TempFolder folder;
    // The second record's label is misspelt: the read stops there, and the save that
    // follows (every list refresh) would drop it and the third for good.
    const std::string damaged = std::string(kFirstRecord) +
                                "[2]\nHtype : 1\nhlen : 6\nIP : 10.0.0.2\nMAC : 0011AABBCC02\n"
                                "Gateway : 0.0.0.0\nSubnet : 255.255.255.0\n" +
                                ManyRecords(1);
    writeBytes(folder.file("bootp.ini"), damaged);
    MessageLog log;
    {
        CBootPFDB table(folder.dir(), log.sink());
        ASSERT_TRUE(table.Load());
        EXPECT_EQ(table.getCount(), 1);
        EXPECT_TRUE(table.hasUnreadRest());
        EXPECT_TRUE(table.Save());
    }
    EXPECT_EQ(readBytes(folder.file("bootp.ini.bak")), damaged);
    ASSERT_EQ(log.kinds(), std::vector<TableMessage>{TableMessage::UnreadRecordsKept});
    // Compared as paths: Windows takes either separator.
    EXPECT_EQ(std::filesystem::path(log.entries[0].second), folder.file("bootp.ini.bak"));

    // The rewritten file reads to its end: the next save keeps no copy and says nothing.
    std::filesystem::remove(folder.file("bootp.ini.bak"));
    CBootPFDB again(folder.dir(), log.sink());
    ASSERT_TRUE(again.Load());
    EXPECT_FALSE(again.hasUnreadRest());
    EXPECT_TRUE(again.Save());
    EXPECT_FALSE(std::filesystem::exists(folder.file("bootp.ini.bak")));
    EXPECT_EQ(log.entries.size(), 1u);
}

TEST(BootPFDB, EmptyTableSavesAnEmptyFile) {
    TempFolder folder;
    CBootPFDB table(folder.dir());
    EXPECT_FALSE(table.Load());
    ASSERT_TRUE(table.Save());
    EXPECT_TRUE(std::filesystem::exists(folder.file("bootp.ini")));
    EXPECT_EQ(readBytes(folder.file("bootp.ini")), "");
}

}  // namespace
}  // namespace tavo
