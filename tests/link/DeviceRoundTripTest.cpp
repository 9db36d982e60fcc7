// The device link against the simulated devices on loopback: every command that has a
// reply is answered, and the answer comes back on the socket that sent the command.
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <numeric>

#include "DeviceCommand.h"
#include "FlashRegisterLink.h"
#include "LinkConfig.h"
#include "SearchSocket.h"
#include "SimNetwork.h"
#include "Loopback.h"

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

TEST_F(DeviceRoundTrip, SectorReadReturnsWhatTheSectorWriteStoredOnTheFlashSocket) {
    FlashRegisterLink link(m_config);
    ASSERT_TRUE(link.open(kFirstDevice));
    QSignalSpy flash(&link, &FlashRegisterLink::flashReplyWaiting);
    QSignalSpy reg(&link, &FlashRegisterLink::registerReplyWaiting);

    SectorData pattern;
    std::iota(pattern.begin(), pattern.end(), 0x21);
    for (int sector : {0, 256, 2047}) {
        ASSERT_TRUE(link.sendSectorWrite(sector, pattern)) << sector;
        ASSERT_TRUE(link.sendSectorRead(sector)) << sector;
        ASSERT_TRUE(flash.wait(kWaitMs)) << sector;
        const SectorReply reply = link.receiveSector();
        ASSERT_TRUE(reply.ok) << sector;
        EXPECT_EQ(reply.data, pattern) << sector;
        const QByteArray stored = m_sim->device(0).sector(sector);
        EXPECT_EQ(stored, QByteArray(reinterpret_cast<const char*>(pattern.data()), int(pattern.size()))) << sector;
    }
    ASSERT_TRUE(link.sendSectorClear(256));
    ASSERT_TRUE(link.sendSectorRead(256));
    ASSERT_TRUE(flash.wait(kWaitMs));
    EXPECT_EQ(link.receiveSector().data, SectorData{});
    EXPECT_EQ(reg.count(), 0);
}

TEST_F(DeviceRoundTrip, RegisterRepliesComeBackOnTheRegisterSocket) {
    FlashRegisterLink link(m_config);
    ASSERT_TRUE(link.open(kFirstDevice));
    QSignalSpy flash(&link, &FlashRegisterLink::flashReplyWaiting);
    QSignalSpy reg(&link, &FlashRegisterLink::registerReplyWaiting);

    ASSERT_TRUE(link.sendRegisterWrite(0x1B, 0xC4));
    ASSERT_TRUE(link.sendRegisterWrite(0xFF, 0x5A));
    ASSERT_TRUE(link.sendRegisterTableRead());
    ASSERT_TRUE(reg.wait(kWaitMs));
    const RegisterReply table = link.receiveRegister();
    ASSERT_TRUE(table.ok);
    ASSERT_EQ(table.kind, RegisterReplyKind::Table);
    EXPECT_EQ(table.table[0x1B - REGISTER_TABLE_FIRST], 0xC4);
    EXPECT_EQ(table.table.back(), 0x5A);

    ASSERT_TRUE(link.sendRegisterRead(0x1B));
    ASSERT_TRUE(reg.wait(kWaitMs));
    const RegisterReply value = link.receiveRegister();
    EXPECT_EQ(value.kind, RegisterReplyKind::Value);
    EXPECT_EQ(value.value, 0xC4);
    EXPECT_EQ(m_sim->device(0).registers()[0x1B], 0xC4);
    EXPECT_EQ(flash.count(), 0);
}

}  // namespace
}  // namespace tavo
