// The simulator's sockets in-process: loopback broadcast dispatch, replies to the sender,
// and a device that gets its address by BootP and is then served on it.
#include "SimBootp.h"
#include "SimNetwork.h"
#include "Loopback.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

using namespace tavo::test;

using namespace tavo::sim;

const MacAddress kMacA = {0x02, 0x4B, 0x7E, 0x00, 0x00, 0x0A};
const MacAddress kMacB = {0x02, 0x4B, 0x7E, 0x00, 0x00, 0x0B};

// Waits (bounded, on the socket's signal) for the next datagram; invalid when none came.
QNetworkDatagram NextDatagram(QUdpSocket& socket) {
    QSignalSpy spy(&socket, &QUdpSocket::readyRead);
    if (!socket.hasPendingDatagrams()) spy.wait(kWaitMs);
    return socket.hasPendingDatagrams() ? socket.receiveDatagram() : QNetworkDatagram();
}

QByteArray Search(const MacAddress& mac) {
    QByteArray request(60, '\0');
    request[0] = 0x35;
    for (int i = 0; i < 6; ++i) request[1 + i] = char(mac[i]);
    return request;
}

struct Client {
    Client() { EXPECT_TRUE(socket.bind(QHostAddress::LocalHost, 0)); }
    QNetworkDatagram ask(const QByteArray& command, const QHostAddress& to, quint16 port) {
        socket.writeDatagram(command, to, port);
        return NextDatagram(socket);
    }
    QUdpSocket socket;
};

TEST(SimNetwork, LoopbackBroadcastReachesEveryDeviceAndOnlyTheOwnerAnswers) {
    SimNetwork network;
    network.addDevice(Ipv4Address{127, 0, 0, 2}, kMacA);
    network.addDevice(Ipv4Address{127, 0, 0, 3}, kMacB);
    ASSERT_TRUE(network.start()) << network.errorString().toStdString();
    ASSERT_NE(network.port(), 0);
    QSignalSpy commands(&network, &SimNetwork::commandReceived);

    Client client;
    const QNetworkDatagram reply = client.ask(Search(kMacB), kLoopbackBroadcast, network.port());
    ASSERT_TRUE(reply.isValid());
    EXPECT_EQ(reply.data().toHex(), QByteArray("35024b7e00000b7f000003"));
    EXPECT_EQ(reply.senderAddress(), QHostAddress("127.0.0.3"));
    EXPECT_EQ(commands.count(), 2);  // both devices saw the broadcast

    // A search for nobody is unanswered: the next reply is the one to the following search.
    client.socket.writeDatagram(Search({0x02, 0x4B, 0x7E, 1, 2, 3}), kLoopbackBroadcast, network.port());
    const QNetworkDatagram next = client.ask(Search(kMacA), kLoopbackBroadcast, network.port());
    EXPECT_EQ(next.data().toHex(), QByteArray("35024b7e00000a7f000002"));

    // Unicast reaches one device only.
    client.socket.writeDatagram(QByteArray::fromHex("20 33 c4"), QHostAddress("127.0.0.3"), network.port());
    EXPECT_EQ(client.ask(QByteArray::fromHex("30 33"), QHostAddress("127.0.0.3"), network.port()).data().toHex(),
              QByteArray("30c4"));
    EXPECT_EQ(network.device(1).registers()[0x33], 0xC4);
    EXPECT_EQ(network.device(0).registers()[0x33], 0x00);
}

// On 0.0.0.0 one socket serves every device: a datagram for a device's address goes to
// that device alone, a broadcast to all of them.
TEST(SimNetwork, BindAnyDispatchesByDestination) {
    SimConfig config;
    config.bindAny = true;
    SimNetwork network(config);
    network.addDevice(Ipv4Address{127, 0, 0, 5}, kMacA);
    network.addDevice(Ipv4Address{127, 0, 0, 6}, kMacB);
    ASSERT_TRUE(network.start()) << network.errorString().toStdString();

    Client client;
    client.socket.writeDatagram(QByteArray::fromHex("20 20 01"), QHostAddress("127.0.0.5"), network.port());
    client.socket.writeDatagram(QByteArray::fromHex("20 20 02"), QHostAddress("127.0.0.6"), network.port());
    const QNetworkDatagram reply = client.ask(QByteArray::fromHex("30 20"), QHostAddress("127.0.0.6"), network.port());
    EXPECT_EQ(reply.data().toHex(), QByteArray("3002"));
    EXPECT_EQ(reply.senderAddress().toString().toStdString(), "127.0.0.6");  // as a connected socket needs it
    EXPECT_EQ(network.device(0).registers()[0x20], 0x01);
    EXPECT_EQ(network.device(1).registers()[0x20], 0x02);
    // The answer to a broadcast also comes from the device's own address, not the stack's choice.
    const QNetworkDatagram found = client.ask(Search(kMacA), kLoopbackBroadcast, network.port());
    EXPECT_EQ(found.data().toHex(), QByteArray("35024b7e00000a7f000005"));
    EXPECT_EQ(found.senderAddress().toString().toStdString(), "127.0.0.5");
    // An address no device has (a cleared device's) is nobody's: not a broadcast.
    client.socket.writeDatagram(QByteArray::fromHex("20 20 ff"), QHostAddress("127.0.0.7"), network.port());
    EXPECT_EQ(client.ask(QByteArray::fromHex("30 20"), QHostAddress("127.0.0.5"), network.port()).data().toHex(),
              QByteArray("3001"));
    EXPECT_EQ(network.device(1).registers()[0x20], 0x02);
}

// Devices without an address ask the test's BootP server quickly and a bounded number of
// times; everything else keeps the simulator's loopback defaults.
SimConfig AskingBootpServerAt(quint16 serverPort) {
    SimConfig config;
    config.bootpServerPort = serverPort;
    config.bootpIntervalMs = 100;
    config.bootpMaxRequests = 50;
    return config;
}

TEST(SimNetwork, DeviceWithoutAddressAsksByBootpAndIsServedOnTheAddressItGets) {
    QUdpSocket server;
    ASSERT_TRUE(server.bind(QHostAddress::AnyIPv4, 0));
    SimNetwork network(AskingBootpServerAt(server.localPort()));
    network.addDevice(std::nullopt, kMacA);
    ASSERT_TRUE(network.start()) << network.errorString().toStdString();
    QSignalSpy configured(&network, &SimNetwork::configured);
    QSignalSpy cleared(&network, &SimNetwork::cleared);

    QNetworkDatagram request = NextDatagram(server);
    ASSERT_TRUE(request.isValid());
    ASSERT_EQ(request.data().size(), 300);
    EXPECT_EQ(request.data().mid(28, 6).toHex(), QByteArray("024b7e00000a"));
    QByteArray reply = request.data();
    reply[0] = 2;
    reply.replace(16, 4, QByteArray::fromHex("7f00002a"));  // 127.0.0.42
    reply.replace(24, 4, QByteArray::fromHex("7f000001"));
    reply.replace(242, 4, QByteArray::fromHex("ff000000"));
    server.writeDatagram(reply, kLoopbackBroadcast, network.bootpClientPort());
    ASSERT_TRUE(configured.count() > 0 || configured.wait(kWaitMs));
    EXPECT_EQ(network.deviceAddress(0), QHostAddress("127.0.0.42"));
    EXPECT_EQ(network.device(0).gateway(), (Ipv4Address{127, 0, 0, 1}));
    EXPECT_EQ(network.device(0).mask(), (Ipv4Address{255, 0, 0, 0}));

    Client client;
    const QHostAddress device("127.0.0.42");
    EXPECT_EQ(client.ask(QByteArray::fromHex("30 10"), device, network.port()).data().toHex(), QByteArray("3000"));

    // Cleared, it falls silent and asks again.
    while (server.hasPendingDatagrams()) server.receiveDatagram();
    client.socket.writeDatagram(QByteArray::fromHex("36"), device, network.port());
    ASSERT_TRUE(cleared.count() > 0 || cleared.wait(kWaitMs));
    EXPECT_TRUE(network.deviceAddress(0).isNull());
    const QNetworkDatagram again = NextDatagram(server);
    ASSERT_TRUE(again.isValid());
    EXPECT_EQ(again.data().at(0), 1);
}

// A BootP address that is not on this host is served on 0.0.0.0, which must not answer
// the loopback broadcasts a second time.
TEST(SimNetwork, AddressNotOnThisHostIsServedOnAnyAddress) {
    QUdpSocket server;
    ASSERT_TRUE(server.bind(QHostAddress::AnyIPv4, 0));
    SimNetwork network(AskingBootpServerAt(server.localPort()));
    network.addDevice(std::nullopt, kMacB);
    ASSERT_TRUE(network.start()) << network.errorString().toStdString();
    QSignalSpy configured(&network, &SimNetwork::configured);
    QByteArray reply = NextDatagram(server).data();
    ASSERT_EQ(reply.size(), 300);
    reply[0] = 2;
    reply.replace(16, 4, QByteArray::fromHex("c0000263"));  // 192.0.2.99, a documentation address
    server.writeDatagram(reply, kLoopbackBroadcast, network.bootpClientPort());
    ASSERT_TRUE(configured.count() > 0 || configured.wait(kWaitMs));

    Client client;
    client.socket.writeDatagram(Search(kMacB), kLoopbackBroadcast, network.port());
    client.socket.writeDatagram(QByteArray::fromHex("30 10"), QHostAddress::LocalHost, network.port());
    client.socket.writeDatagram(QByteArray::fromHex("30 11"), QHostAddress::LocalHost, network.port());
    QByteArrayList codes;
    for (int i = 0; i < 3; ++i) codes << NextDatagram(client.socket).data().left(1).toHex();
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (QByteArrayList{"30", "30", "35"}));
}

}  // namespace
