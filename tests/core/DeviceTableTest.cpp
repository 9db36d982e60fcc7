// The device table's rules, shared by the page and the command line: the new-device
// checks, a new device's defaults, duplicates, matching a list row to its record, and
// the lowest free address of a pool.
#include <gtest/gtest.h>

#include "DeviceTable.h"
#include "FileDBTestSupport.h"
#include "IPFDB.h"
#include "MacHistoryFDB.h"

namespace tavo {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

constexpr MacOctets kMacA{0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C};
constexpr MacOctets kMacB{0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2D};

DeviceRecord Device(const Ipv4Octets& ip, const MacOctets& mac) {
    return newDeviceRecord(ip, mac, {0, 0, 0, 0}, kNewDeviceSubnet);
}

TEST(DeviceTable, NewDeviceChecksInTheirOrder) {
    const struct {
        Ipv4Octets ip;
        bool mac;
        NewDeviceProblem problem;
    } cases[] = {
        {{0, 0, 0, 0}, false, NewDeviceProblem::NoIp},  // the address is asked for first
        {{10, 0, 0, 0}, false, NewDeviceProblem::BadIp},
        {{10, 0, 0, 255}, true, NewDeviceProblem::BadIp},
        {{10, 0, 0, 7}, false, NewDeviceProblem::NoMac},
        {{10, 0, 0, 7}, true, NewDeviceProblem::None},
        {{0, 0, 0, 1}, true, NewDeviceProblem::None},
    };
    for (const auto& c : cases) EXPECT_EQ(checkNewDevice(c.ip, c.mac), c.problem);
}

TEST(DeviceTable, NewDeviceRecordHasTheEntryDefaults) {
    const DeviceRecord record = newDeviceRecord({192, 168, 1, 10}, kMacA, {192, 168, 1, 1}, kNewDeviceSubnet);
    EXPECT_EQ(record.HType, 1);
    EXPECT_EQ(record.hlen, 6);
    EXPECT_EQ(record.IP, "192.168.  1. 10");
    EXPECT_EQ(record.MAC, "024B7E0A1B2C");
    EXPECT_EQ(record.Gateway, "192.168.  1.  1");
    EXPECT_EQ(record.Subnet, "255.255.255.  0");
}

TEST(DeviceTable, AddRefusesTheSameIpOrMacAndNamesTheRecord) {
    TempFolder folder;
    ASSERT_EQ(DeviceTable(folder.dir()).add(Device({10, 0, 0, 1}, kMacA)).status, DeviceTableStatus::Done);
    const std::string before = readBytes(folder.file("bootp.ini"));
    for (const DeviceRecord& again : {Device({10, 0, 0, 1}, kMacB), Device({10, 0, 0, 2}, kMacA)}) {
        const DeviceTableResult result = DeviceTable(folder.dir()).add(again);
        EXPECT_EQ(result.status, DeviceTableStatus::Duplicate);
        EXPECT_EQ(result.index, 0);
        EXPECT_EQ(result.record.IP, " 10.  0.  0.  1");
        EXPECT_EQ(readBytes(folder.file("bootp.ini")), before);
    }
    EXPECT_EQ(DeviceTable(folder.dir()).add(Device({10, 0, 0, 2}, kMacB)).index, 1);
}

// A list row is matched to its own record even when an earlier record shares its IP
// text; a row whose record is gone from the file finds nothing.
TEST(DeviceTable, LocateMatchesTheRowsOwnRecord) {
    TempFolder folder;
    writeBytes(folder.file("bootp.ini"),
               "\r\n[1]\r\nHType : 1 \r\nhlen : 6 \r\nIP :  10.  0.  0.  1 \r\nMAC : 024B7E000001 \r\n"
               "Gateway :   0.  0.  0.  0 \r\nSubnet : 255.255.255.  0\r\n"
               "\r\n[2]\r\nHType : 1 \r\nhlen : 6 \r\nIP :  10.  0.  0.  1 \r\nMAC : 024B7E000002 \r\n"
               "Gateway :   0.  0.  0.  0 \r\nSubnet : 255.255.255.  0\r\n");
    const std::vector<DeviceRecord> rows = DeviceTable(folder.dir()).list();
    ASSERT_EQ(rows.size(), 2u);
    const struct {
        int row;
        int rowCount;
        DeviceRecord shown;
        DeviceTableStatus status;
        int index;
    } cases[] = {
        {1, 2, rows[1], DeviceTableStatus::Done, 1},
        {0, 2, rows[0], DeviceTableStatus::Done, 0},
        {-1, 2, {}, DeviceTableStatus::NoSelection, -1},
        {0, 0, rows[0], DeviceTableStatus::NoRecords, -1},
        {5, 2, rows[1], DeviceTableStatus::NoSelection, -1},
        // A file changed meanwhile: the row's texts are looked for.
        {0, 2, rows[1], DeviceTableStatus::Done, 0},
        {1, 2, Device({10, 0, 0, 9}, {2, 0x4B, 0x7E, 0, 0, 9}), DeviceTableStatus::NoSelection, -1},
    };
    for (const auto& c : cases) {
        const DeviceTableResult found = DeviceTable(folder.dir()).locate(c.row, c.rowCount, c.shown);
        EXPECT_EQ(found.status, c.status) << c.row;
        EXPECT_EQ(found.index, c.index) << c.row;
    }
    DeviceTable table(folder.dir());
    const DeviceTableResult found = table.locate(1, 2, rows[1]);
    ASSERT_EQ(table.remove(found.index).status, DeviceTableStatus::Done);
    const std::vector<DeviceRecord> left = DeviceTable(folder.dir()).list();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].MAC, "024B7E000001");
}

TEST(DeviceTable, PoolGivesTheLowestFreeAddressAndRecordsTheHistories) {
    TempFolder folder;
    ASSERT_EQ(DeviceTable(folder.dir()).add(Device({10, 0, 1, 1}, kMacA)).status, DeviceTableStatus::Done);
    const auto pool = AddressPool::parse("10.0.0.254-10.0.1.2");
    ASSERT_TRUE(pool.has_value());
    // .254, then .255 and .0 skipped, .1 taken: .2.
    const MacOctets third{0x02, 0x4B, 0x7E, 0, 0, 3};
    EXPECT_EQ(DeviceTable(folder.dir()).addFromPool(kMacB, *pool).record.IP, " 10.  0.  0.254");
    EXPECT_EQ(DeviceTable(folder.dir()).addFromPool(third, *pool).record.IP, " 10.  0.  1.  2");
    EXPECT_EQ(DeviceTable(folder.dir()).addFromPool({0x02, 0x4B, 0x7E, 0, 0, 4}, *pool).status,
              DeviceTableStatus::PoolUsedUp);
    CIPFDB ips(folder.dir());
    ips.Load();
    EXPECT_EQ(ips.Find(10, 0, 0, 254), 0);
    EXPECT_EQ(ips.Find(10, 0, 1, 2), 1);
    CMacHistoryFDB macs(folder.dir());
    macs.Load();
    EXPECT_EQ(macs.Find(2, 0x4B, 0x7E, 0, 0, 3), 1);
}

TEST(DeviceTable, PoolTexts) {
    EXPECT_TRUE(AddressPool::parse("10.0.0.1-10.0.255.255").has_value());
    for (const char* bad : {"10.0.0.1", "10.0.0.9-10.0.0.1", "10.0.0.1-10.1.0.1", "10.0.0.1-10.0.0.2-10.0.0.3",
                            "10.0.0-10.0.0.9", ""}) {
        EXPECT_FALSE(AddressPool::parse(bad).has_value()) << bad;
    }
}

TEST(DeviceTable, UnreadableFileIsNeitherChangedNorListed) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("bootp.ini"));  // exists, cannot be read as a file
    testing::MessageLog log;
    DeviceTable table(folder.dir(), log.sink());
    EXPECT_TRUE(table.list().empty());
    EXPECT_FALSE(table.readable());
    EXPECT_EQ(DeviceTable(folder.dir(), log.sink()).add(Device({10, 0, 0, 1}, kMacA)).status,
              DeviceTableStatus::Unreadable);
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("bootp.ini")));
}

}  // namespace
}  // namespace tavo
