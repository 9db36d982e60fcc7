// The device link against the simulated devices on loopback: every command that has a
// reply is answered, and the answer comes back on the socket that sent the command.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>

#include "ClientSocket.h"
#include "DeviceCommand.h"
#include "FlashReadRun.h"
#include "FlashRunSupport.h"
#include "Pace.h"
#include "LinkConfig.h"
#include "SimNetwork.h"
#include "Loopback.h"
#include "private/FlashClearRun.h"
#include "private/RegisterLink.h"
#include "private/SearchSocket.h"

namespace tavo {
namespace {

using namespace tavo::test;

const QHostAddress kFirstDevice(QStringLiteral("127.0.0.1"));
const MacOctets kFirstMac{0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C};
const MacOctets kSecondMac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

class DeviceRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        sim::SimConfig config;
        config.bootpMaxRequests = 0;  // both devices have their address already
        m_sim = std::make_unique<sim::SimNetwork>(config);
        m_sim->addDevice(sim::Ipv4Address{127, 0, 0, 1}, kFirstMac);
        m_sim->addDevice(sim::Ipv4Address{127, 0, 0, 2}, kSecondMac);
        ASSERT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        m_config.devicePort = m_sim->port();
        m_config.broadcast = QHostAddress(QStringLiteral("127.255.255.255"));
    }

    std::unique_ptr<sim::SimNetwork> m_sim;
    LinkConfig m_config;
};

TEST_F(DeviceRoundTrip, SearchFindsTheDeviceWithTheRequestedMac) {
    SearchSocket search(m_config);
    ASSERT_TRUE(search.open());
    QSignalSpy waiting(&search, &SearchSocket::replyWaiting);
    EXPECT_EQ(search.sendRequest(kSecondMac), 1);
    ASSERT_TRUE(waiting.wait(kWaitMs));
    const SearchReply reply = search.receiveReply();
    EXPECT_TRUE(search.replyMatches(reply));
    EXPECT_EQ(reply.ip, (Ipv4Octets{127, 0, 0, 2}));
}

// Runs a flash read of one sector of the first device to its end (bounded).
std::optional<FlashRunStatus> ReadSector(const LinkConfig& config, int sector, FlashDump& dump) {
    FlashReadRun::Request request;
    request.target = kFirstDevice;
    request.from = sector;
    request.to = sector;
    FlashReadRun run(config, Pace::immediate(), request);
    const std::optional<FlashRunStatus> status = runToEnd(run);
    dump = run.dump();
    return status;
}

TEST_F(DeviceRoundTrip, SectorReadReturnsWhatTheSectorWriteStored) {
    // No product path writes a chosen pattern: the test sends the sector writes itself.
    PeerSocket writer;
    ASSERT_TRUE(writer.bind(kLoopback, 0));
    SectorData pattern;
    std::iota(pattern.begin(), pattern.end(), 0x21);
    for (int sector : {0, 256, 2047}) {
        const QByteArray write = toDatagram(encodeSectorWrite(sector, pattern));
        ASSERT_EQ(writer.writeDatagram(write, kFirstDevice, m_config.devicePort), write.size()) << sector;
        const QByteArray expected(reinterpret_cast<const char*>(pattern.data()), int(pattern.size()));
        QElapsedTimer bound;
        bound.start();
        while (m_sim->device(0).sector(sector) != expected && bound.elapsed() < kWaitMs) QTest::qWait(5);
        EXPECT_EQ(m_sim->device(0).sector(sector), expected) << sector;
        FlashDump dump;
        ASSERT_EQ(ReadSector(m_config, sector, dump), FlashRunStatus::Completed) << sector;
        ASSERT_NE(dump.sector(sector), nullptr) << sector;
        EXPECT_EQ(*dump.sector(sector), pattern) << sector;
    }
    FlashClearRun clear(m_config, kFirstDevice, 256, 256);
    QSignalSpy cleared(&clear, &FlashClearRun::finished);
    clear.start();
    ASSERT_EQ(cleared.count(), 1);  // one slice: done within start()
    QElapsedTimer bound;
    bound.start();
    while (m_sim->device(0).sector(256) != QByteArray(256, '\0') && bound.elapsed() < kWaitMs) QTest::qWait(5);
    FlashDump dump;
    ASSERT_EQ(ReadSector(m_config, 256, dump), FlashRunStatus::Completed);
    ASSERT_NE(dump.sector(256), nullptr);
    EXPECT_EQ(*dump.sector(256), SectorData{});
}

TEST_F(DeviceRoundTrip, RegisterRepliesComeBackOnTheRegisterSocket) {
    RegisterLink link(m_config);
    ASSERT_TRUE(link.open(kFirstDevice));
    QSignalSpy reg(&link, &RegisterLink::registerReplyWaiting);

    ASSERT_TRUE(link.sendRegisterCommand(encodeRegisterWrite(0x1B, 0xC4)));
    ASSERT_TRUE(link.sendRegisterCommand(encodeRegisterWrite(0xFF, 0x5A)));
    ASSERT_TRUE(link.sendRegisterCommand(encodeRegisterTableRead()));
    ASSERT_TRUE(reg.wait(kWaitMs));
    const RegisterReply table = link.receiveRegister();
    ASSERT_TRUE(table.ok);
    ASSERT_EQ(table.kind, RegisterReplyKind::Table);
    EXPECT_EQ(table.table[0x1B - REGISTER_TABLE_FIRST], 0xC4);
    EXPECT_EQ(table.table.back(), 0x5A);

    ASSERT_TRUE(link.sendRegisterCommand(encodeRegisterRead(0x1B)));
    ASSERT_TRUE(reg.wait(kWaitMs));
    const RegisterReply value = link.receiveRegister();
    EXPECT_EQ(value.kind, RegisterReplyKind::Value);
    EXPECT_EQ(value.value, 0xC4);
    EXPECT_EQ(m_sim->device(0).registers()[0x1B], 0xC4);
}

}  // namespace
}  // namespace tavo
