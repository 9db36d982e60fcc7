// The faults one simulated device plays: falling silent for good once a given block is
// stored, and losing only the first write to a sector.
#include "Loopback.h"
#include "SimNetwork.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>
#include <gtest/gtest.h>

namespace {

using namespace tavo::sim;
using namespace tavo::test;

constexpr int kShortWaitMs = 200;  // for what must not come: the round trips below prove the rest
const QHostAddress kFaulty(QStringLiteral("127.0.0.5"));
const QHostAddress kHealthy(QStringLiteral("127.0.0.6"));
const MacAddress kFaultyMac = {0x02, 0x4B, 0x7E, 0, 3, 5};

QNetworkDatagram NextDatagram(QUdpSocket& socket, int ms = kWaitMs) {
    QSignalSpy spy(&socket, &QUdpSocket::readyRead);
    if (!socket.hasPendingDatagrams()) spy.wait(ms);
    return socket.hasPendingDatagrams() ? socket.receiveDatagram() : QNetworkDatagram();
}

QByteArray Sector(char fill) { return QByteArray(256, fill); }
QByteArray Write(int sector, char fill) { return QByteArray::fromHex("40 00") + char(sector) + Sector(fill); }
QByteArray Read(int sector) { return QByteArray::fromHex("50 00") + char(sector); }

class SimFaultsTest : public ::testing::Test {
protected:
    // On 0.0.0.0 one socket takes every datagram in the order sent, so a reply from the
    // healthy device proves that everything sent to the faulty one before was handled.
    void start(SimFaults faults) {
        SimConfig config;
        config.bindAny = true;
        config.bootpMaxRequests = 0;
        network = std::make_unique<SimNetwork>(config);
        network->addDevice(Ipv4Address{127, 0, 0, 5}, kFaultyMac, faults);
        network->addDevice(Ipv4Address{127, 0, 0, 6}, MacAddress{0x02, 0x4B, 0x7E, 0, 3, 6});
        ASSERT_TRUE(network->start()) << network->errorString().toStdString();
        ASSERT_TRUE(client.bind(kLoopback, 0));
    }
    void send(const QByteArray& datagram, const QHostAddress& to) { client.writeDatagram(datagram, to, network->port()); }
    QByteArray ask(const QByteArray& datagram, const QHostAddress& to) {
        send(datagram, to);
        return NextDatagram(client).data();
    }

    std::unique_ptr<SimNetwork> network;
    PeerSocket client;
};

TEST_F(SimFaultsTest, SilentAfterBlockStoresItThenTakesAndSendsNothing) {
    start({.silentAfterSector = 2});
    QSignalSpy silenced(network.get(), &SimNetwork::silenced);
    QSignalSpy commands(network.get(), &SimNetwork::commandReceived);
    send(Write(0, 'a'), kFaulty);
    send(Write(1, 'b'), kFaulty);
    EXPECT_EQ(ask(Read(1), kFaulty), "\x50" + Sector('b'));  // still answering after block 1
    EXPECT_EQ(silenced.count(), 0);
    send(Write(2, 'c'), kFaulty);
    ASSERT_TRUE(silenced.count() > 0 || silenced.wait(kWaitMs));
    EXPECT_EQ(silenced.at(0).at(0).toInt(), 0);
    EXPECT_EQ(silenced.at(0).at(1).toInt(), 2);
    EXPECT_TRUE(network->isSilent(0));
    const int before = int(commands.count());

    send(Read(2), kFaulty);
    send(Write(3, 'd'), kFaulty);
    send((QByteArray::fromHex("35") + QByteArray(reinterpret_cast<const char*>(kFaultyMac.data()), 6)).leftJustified(60, '\0'),
         kLoopbackBroadcast);
    send(QByteArray::fromHex("36"), kFaulty);  // not even a clear brings it back
    EXPECT_EQ(ask(Read(0), kHealthy), "\x50" + Sector('\xff'));
    EXPECT_FALSE(client.hasPendingDatagrams());
    EXPECT_FALSE(NextDatagram(client, kShortWaitMs).isValid());

    EXPECT_EQ(network->device(0).sector(0), Sector('a'));
    EXPECT_EQ(network->device(0).sector(1), Sector('b'));
    EXPECT_EQ(network->device(0).sector(2), Sector('c'));
    EXPECT_EQ(network->device(0).sector(3), Sector('\xff'));
    EXPECT_TRUE(network->deviceAddress(0) == kFaulty);
    for (int i = before; i < commands.count(); ++i) EXPECT_EQ(commands.at(i).at(0).toInt(), 1) << i;
    EXPECT_EQ(silenced.count(), 1);
}

TEST_F(SimFaultsTest, DropWriteOnceLosesOnlyTheFirstWriteToTheSector) {
    start({.dropWriteOnceSector = 4});
    QSignalSpy dropped(network.get(), &SimNetwork::writeDropped);
    send(Write(3, 'x'), kFaulty);
    send(Write(4, 'a'), kFaulty);
    EXPECT_EQ(ask(Read(4), kFaulty), "\x50" + Sector('\xff'));
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toInt(), 0);
    EXPECT_EQ(dropped.at(0).at(1).toInt(), 4);
    EXPECT_EQ(ask(Read(3), kFaulty), "\x50" + Sector('x'));  // other sectors are stored
    send(Write(4, 'b'), kFaulty);
    EXPECT_EQ(ask(Read(4), kFaulty), "\x50" + Sector('b'));
    send(Write(4, 'c'), kFaulty);
    EXPECT_EQ(ask(Read(4), kFaulty), "\x50" + Sector('c'));
    // The fault is the one device's: the other stores its first write to the sector.
    send(Write(4, 'd'), kHealthy);
    EXPECT_EQ(ask(Read(4), kHealthy), "\x50" + Sector('d'));
    EXPECT_EQ(dropped.count(), 1);
}

}  // namespace
