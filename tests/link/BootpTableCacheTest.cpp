#include "private/BootpTableCache.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "BootPFDB.h"

namespace tavo {
namespace {

using Validation = BootpTableCache::Validation;
constexpr int64_t kSecond = 1'000'000'000;
const char* const kMac = "024B7E0A1B2C";

std::string TablePath(const QTemporaryDir& dir) { return CBootPFDB(dir.path().toStdString()).GetPath(); }

void SaveDevice(const QTemporaryDir& dir, const char* ip) {
    CBootPFDB table(dir.path().toStdString());
    table.Load();
    const int found = table.FindByMac(kMac);
    if (found < 0) {
        table.AddNew();
    } else {
        table.SetPosition(found);
    }
    table.setHType(1);
    table.setHLen(6);
    table.setIP(ip);
    table.setMAC(kMac);
    table.setGateway("  0.  0.  0.  0");
    table.setSubnet("255.255.255.  0");
    ASSERT_TRUE(table.Save());
}

// Overwrites the bytes of the file in place: same inode, same size.
void ReplaceInPlace(const std::string& path, const std::string& from, const std::string& to) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string content = text.str();
    content.replace(content.find(from), from.size(), to);
    std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
    out.write(content.data(), std::streamsize(content.size()));
}

// A file system whose times are too coarse to tell two writes apart: the identity stays
// as it was at the first look while the bytes change. Only the content comparison of a
// racy entry can see the change.
TEST(BootpTableCache, SameIdentityButNewBytesIsSeenWhileTheEntryIsRacy) {
    QTemporaryDir dir;
    SaveDevice(dir, "192.168.  1. 20");
    const auto frozen = BootpTableCache::identify(TablePath(dir));
    const int64_t stamp = std::max(frozen.modifiedNs, frozen.changedNs);
    int64_t now = stamp;  // the file was written just now
    BootpTableCache cache(dir.path().toStdString(), [&] { return now; },
                          [&](const std::string&) { return frozen; });

    ASSERT_NE(cache.FindByMac(kMac), nullptr);
    EXPECT_EQ(cache.lastValidation(), Validation::Reloaded);
    EXPECT_EQ(cache.FindByMac(kMac)->ip, "192.168.  1. 20");
    EXPECT_EQ(cache.lastValidation(), Validation::ContentCompared);

    ReplaceInPlace(TablePath(dir), "192.168.  1. 20", "192.168.  1. 21");
    ASSERT_NE(cache.FindByMac(kMac), nullptr);
    EXPECT_EQ(cache.lastValidation(), Validation::Reloaded);
    EXPECT_EQ(cache.FindByMac(kMac)->ip, "192.168.  1. 21");
    const BootpReplyFields& fields = cache.FindByMac(kMac)->fields;
    EXPECT_EQ(fields.yourAddress, (Ipv4Octets{192, 168, 1, 21}));
    EXPECT_EQ(fields.subnetMask, (Ipv4Octets{255, 255, 255, 0}));

    // Once a comparison is made well after the file's times, the stat alone decides.
    now = stamp + 3 * kSecond;
    cache.FindByMac(kMac);
    EXPECT_EQ(cache.lastValidation(), Validation::ContentCompared);
    cache.FindByMac(kMac);
    EXPECT_EQ(cache.lastValidation(), Validation::Unchanged);
}

// When an entry stops being racy: the file's newest time must be older than the moment
// of reading by more than the time granularity; whole-second times suggest a file system
// that keeps two-second times.
TEST(BootpTableCache, EntrySettlesOnlyWhenItsTimesAreSafelyOlderThanTheRead) {
    const int64_t wholeSecond = 1'700'000'000 * kSecond;
    const struct {
        const char* name;
        int64_t modified;
        int64_t readAt;
        Validation second;
    } cases[] = {
        {"fine times, read at the same moment", wholeSecond + 123, wholeSecond + 123, Validation::ContentCompared},
        {"fine times, read 50 ms later", wholeSecond + 123, wholeSecond + 50'000'123, Validation::ContentCompared},
        {"fine times, read 200 ms later", wholeSecond + 123, wholeSecond + 200'000'123, Validation::Unchanged},
        {"whole-second times, read 1.5 s later", wholeSecond, wholeSecond + 1'500'000'000, Validation::ContentCompared},
        {"whole-second times, read 2.5 s later", wholeSecond, wholeSecond + 2'500'000'000, Validation::Unchanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        SaveDevice(dir, "192.168.  1. 20");
        BootpTableCache::FileIdentity identity = BootpTableCache::identify(TablePath(dir));
        identity.modifiedNs = identity.changedNs = c.modified;
        BootpTableCache cache(dir.path().toStdString(), [&] { return c.readAt; },
                              [&](const std::string&) { return identity; });
        cache.FindByMac(kMac);
        EXPECT_EQ(cache.lastValidation(), Validation::Reloaded);
        cache.FindByMac(kMac);
        EXPECT_EQ(cache.lastValidation(), c.second);
    }
}

TEST(BootpTableCache, AnyChangeOfTheIdentityReloads) {
    QTemporaryDir dir;
    SaveDevice(dir, "192.168.  1. 20");
    BootpTableCache cache(dir.path().toStdString(), [] { return int64_t(4'000'000'000) * kSecond; });  // far future: settled at once
    ASSERT_NE(cache.FindByMac(kMac), nullptr);
    cache.FindByMac(kMac);
    EXPECT_EQ(cache.lastValidation(), Validation::Unchanged);

    ReplaceInPlace(TablePath(dir), "192.168.  1. 20", "192.168.  1. 22");  // new times
    ASSERT_NE(cache.FindByMac(kMac), nullptr);
    EXPECT_EQ(cache.lastValidation(), Validation::Reloaded);
    EXPECT_EQ(cache.FindByMac(kMac)->ip, "192.168.  1. 22");

    SaveDevice(dir, "192.168.  1. 23");  // a new file renamed over the old one
    ASSERT_NE(cache.FindByMac(kMac), nullptr);
    EXPECT_EQ(cache.FindByMac(kMac)->ip, "192.168.  1. 23");

    std::remove(TablePath(dir).c_str());
    EXPECT_EQ(cache.FindByMac(kMac), nullptr);
    EXPECT_EQ(cache.lastValidation(), Validation::Reloaded);
}

TEST(BootpTableCache, FirstEntryOfAMacWinsAndTextsAreExact) {
    QTemporaryDir dir;
    {
        std::ofstream out(TablePath(dir), std::ios::binary);
        out << "\n[1]\nHType : 1 \nhlen : 6 \nIP : 10.0.0.1 \nMAC : 024B7E0A1B2C \nGateway : 0.0.0.0 \nSubnet : 255.0.0.0\n"
               "\n[2]\nHType : 1 \nhlen : 6 \nIP : 10.0.0.2 \nMAC : 024B7E0A1B2C \nGateway : 0.0.0.0 \nSubnet : 255.0.0.0\n"
               "\n[3]\nHType : 1 \nhlen : 6 \nIP : 10.0.0.3 \nMAC : 024b7e0a1b2d \nGateway : 0.0.0.0 \nSubnet : 255.0.0.0\n";
    }
    BootpTableCache cache(dir.path().toStdString());
    ASSERT_NE(cache.FindByMac(kMac), nullptr);
    EXPECT_EQ(cache.FindByMac(kMac)->ip, " 10.  0.  0.  1");
    EXPECT_EQ(cache.FindByMac("024B7E0A1B2D"), nullptr);  // held in lower case, compared exactly
    EXPECT_NE(cache.FindByMac("024b7e0a1b2d"), nullptr);
}

}  // namespace
}  // namespace tavo
