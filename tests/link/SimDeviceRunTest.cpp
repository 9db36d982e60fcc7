// The simulator's command line for runs of devices and for the faults of one device:
// ranges counted on the 48-bit MAC, their limits, and per-device options that must not
// be left dangling or spread over a run.
#include "SimOptions.h"

#include <gtest/gtest.h>

namespace {

using namespace tavo::sim;

QString Macs(const std::vector<SimDeviceOption>& devices) {
    QStringList texts;
    for (const SimDeviceOption& device : devices) texts << macText(device.mac);
    return texts.join(' ');
}

TEST(SimDeviceRun, RunsAreCountedOnTheWholeMac) {
    const struct {
        QStringList args;
        QString macs;
    } cases[] = {
        {{"--macs", "024B7E000001-024B7E000003"}, "024B7E000001 024B7E000002 024B7E000003"},
        // The count carries into the higher octets, and a MAC written with "-" still splits.
        {{"--macs", "02-4B-7E-00-00-FE-02-4B-7E-00-01-01"}, "024B7E0000FE 024B7E0000FF 024B7E000100 024B7E000101"},
        {{"--macs", "02:4b:7e:00:00:09-02:4B:7E:00:00:09"}, "024B7E000009"},
        {{"--macs-from", "024B7EFFFFFF", "--count", "2"}, "024B7EFFFFFF 024B7F000000"},
        {{"--macs-from", "FFFFFFFFFFFF", "--count", "1"}, "FFFFFFFFFFFF"},
        {{"--mac", "024B7E000001", "--macs-from", "024B7E000010", "--count", "1", "--mac", "024B7E000002"},
         "024B7E000001 024B7E000010 024B7E000002"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseSimOptions(c.args);
        ASSERT_TRUE(parsed.options.has_value()) << c.args.join(' ').toStdString() << ": " << parsed.error.toStdString();
        EXPECT_EQ(Macs(parsed.options->devices), c.macs) << c.args.join(' ').toStdString();
        for (const SimDeviceOption& device : parsed.options->devices) {
            EXPECT_FALSE(device.ip.has_value());
            EXPECT_EQ(device.faults.silentAfterSector, SimFaults::kNone);
            EXPECT_EQ(device.faults.dropWriteOnceSector, SimFaults::kNone);
        }
    }
    const auto full = parseSimOptions({"--macs", "024B7E000000-024B7E0003E7"});
    ASSERT_TRUE(full.options.has_value()) << full.error.toStdString();
    ASSERT_EQ(full.options->devices.size(), 1000u);
    EXPECT_EQ(macText(full.options->devices.back().mac), "024B7E0003E7");
}

TEST(SimDeviceRun, FaultsGoWithTheNextSingleMacOnly) {
    const auto parsed = parseSimOptions({"--ip", "127.0.0.2", "--silent-after-block", "7", "--drop-write-once", "9",
                                         "--mac", "024B7E000001", "--drop-write-once", "0", "--mac", "024B7E000002",
                                         "--macs", "024B7E000010-024B7E000011", "--mac", "024B7E000003"});
    ASSERT_TRUE(parsed.options.has_value()) << parsed.error.toStdString();
    const auto& devices = parsed.options->devices;
    ASSERT_EQ(devices.size(), 5u);
    EXPECT_EQ(devices[0].ip, (Ipv4Address{127, 0, 0, 2}));
    EXPECT_EQ(devices[0].faults.silentAfterSector, 7);
    EXPECT_EQ(devices[0].faults.dropWriteOnceSector, 9);
    EXPECT_FALSE(devices[1].ip.has_value());
    EXPECT_EQ(devices[1].faults.silentAfterSector, SimFaults::kNone);
    EXPECT_EQ(devices[1].faults.dropWriteOnceSector, 0);
    for (std::size_t i = 2; i < devices.size(); ++i) {
        EXPECT_EQ(devices[i].faults.silentAfterSector, SimFaults::kNone) << i;
        EXPECT_EQ(devices[i].faults.dropWriteOnceSector, SimFaults::kNone) << i;
    }
}

TEST(SimDeviceRun, BadRunsAndFaultsAreRefusedForTheirOwnFault) {
    const struct {
        QStringList args;
        const char* reason;
    } cases[] = {
        {{"--macs", "024B7E000005-024B7E000001"}, "below the first"},
        {{"--macs", "024B7E000000-024B7E0003E8"}, "spans 1001 devices"},
        {{"--macs", "024B7E000001"}, "not a MAC range"},
        {{"--macs", "024B7E000001-"}, "not a MAC range"},
        {{"--macs", "024B7E000001-024B7E000002-024B7E000003"}, "not a MAC range"},
        {{"--macs"}, "needs a value"},
        {{"--macs", "024B7E000000-024B7E0001F3", "--macs", "024B7E001000-024B7E0011F4"}, "more than 1000 devices"},
        {{"--macs", "024B7E000000-024B7E0003E7", "--mac", "024B7E001000"}, "more than 1000 devices"},
        {{"--macs-from", "024B7E000001"}, "needs --count N"},
        {{"--macs-from", "024B7E000001", "--mac", "024B7E000009", "--count", "2"}, "needs --count N"},
        {{"--macs-from", "024B7E00000G", "--count", "2"}, "not a MAC address"},
        {{"--count", "2", "--mac", "024B7E000001"}, "goes only after --macs-from"},
        {{"--mac", "024B7E000001", "--count", "2"}, "goes only after --macs-from"},
        {{"--macs-from", "024B7E000001", "--count", "0"}, "not a number from 1 to 1000"},
        {{"--macs-from", "024B7E000001", "--count", "1001"}, "not a number from 1 to 1000"},
        {{"--macs-from", "FFFFFFFFFFFF", "--count", "2"}, "runs past FF:FF:FF:FF:FF:FF"},
        {{"--ip", "127.0.0.2", "--macs", "024B7E000001-024B7E000002"}, "--ip applies to the next single --mac"},
        {{"--silent-after-block", "1", "--macs", "024B7E000001-024B7E000002"}, "--silent-after-block applies"},
        {{"--drop-write-once", "1", "--macs-from", "024B7E000001", "--count", "2"}, "--drop-write-once applies"},
        {{"--mac", "024B7E000001", "--silent-after-block", "3"}, "the last --silent-after-block has no --mac"},
        {{"--mac", "024B7E000001", "--drop-write-once", "3"}, "the last --drop-write-once has no --mac"},
        {{"--silent-after-block", "1", "--silent-after-block", "2", "--mac", "024B7E000001"}, "follows another"},
        {{"--drop-write-once", "1", "--drop-write-once", "2", "--mac", "024B7E000001"}, "follows another"},
        {{"--silent-after-block", "2048", "--mac", "024B7E000001"}, "from 0 to 2047"},
        {{"--silent-after-block", "-1", "--mac", "024B7E000001"}, "from 0 to 2047"},
        {{"--drop-write-once", "65536", "--mac", "024B7E000001"}, "from 0 to 65535"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseSimOptions(c.args);
        EXPECT_FALSE(parsed.options.has_value()) << c.args.join(' ').toStdString();
        EXPECT_TRUE(parsed.error.contains(QLatin1String(c.reason)))
            << c.args.join(' ').toStdString() << ": " << parsed.error.toStdString();
    }
}

}  // namespace
