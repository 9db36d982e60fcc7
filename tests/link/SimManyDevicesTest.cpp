// A run of devices without an address in one simulator: each asks by BootP with its own
// MAC and transaction, takes the address it is answered with, and is then served on it,
// by UDP and by HTTP, on loopback.
#include "Loopback.h"
#include "SimHttp.h"
#include "SimNetwork.h"
#include "SimOptions.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <set>

namespace {

using namespace tavo::sim;
using namespace tavo::test;

constexpr int kDevices = 5;
constexpr quint8 kFirstHost = 60;  // device i is given 127.0.0.(60 + i)

QNetworkDatagram NextDatagram(QUdpSocket& socket) {
    QSignalSpy spy(&socket, &QUdpSocket::readyRead);
    if (!socket.hasPendingDatagrams()) spy.wait(kWaitMs);
    return socket.hasPendingDatagrams() ? socket.receiveDatagram() : QNetworkDatagram();
}

SimConfig AskingBootpServerAt(quint16 serverPort) {
    SimConfig config;
    config.bootpServerPort = serverPort;
    config.bootpIntervalMs = 100;
    config.bootpMaxRequests = 50;
    return config;
}

// The reply a BootP server sends to the request: op 2, the address, gateway 127.0.0.1 and
// mask 255.0.0.0, to the loopback broadcast.
void Answer(QUdpSocket& server, const QByteArray& request, const QHostAddress& ip, quint16 clientPort) {
    QByteArray reply = request;
    reply[0] = 2;
    const quint32 address = ip.toIPv4Address();
    for (int i = 0; i < 4; ++i) reply[16 + i] = char(address >> (24 - 8 * i));
    reply.replace(24, 4, QByteArray::fromHex("7f000001"));
    reply.replace(242, 4, QByteArray::fromHex("ff000000"));
    server.writeDatagram(reply, kLoopbackBroadcast, clientPort);
}

// A web image of one page: the offset table (sectors 0..3) gives "/" (index 0x2F) the
// record at 1024 (sector 4), whose response carries the text.
std::vector<QByteArray> PageImage(const QByteArray& text) {
    QByteArray image(5 * 256, '\0');
    image[0x2F * 4 + 2] = 0x04;
    const QByteArray response = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(text.size()) +
                                "\r\n\r\n" + text;
    image[1024 + 3] = char(response.size());
    image.replace(1030, response.size(), response);
    std::vector<QByteArray> sectors;
    for (int s = 0; s < 5; ++s) sectors.push_back(QByteArray::fromHex("40 00") + char(s) + image.mid(s * 256, 256));
    return sectors;
}

QByteArray Get(const QHostAddress& address, quint16 port) {
    QTcpSocket client;
    client.setProxy(QNetworkProxy::NoProxy);
    client.connectToHost(address, port);
    if (!client.waitForConnected(kWaitMs)) return "no connection: " + client.errorString().toUtf8();
    client.write("GET / HTTP/1.1\r\n\r\n");
    QByteArray answer;
    QElapsedTimer bound;
    bound.start();
    while (client.state() != QAbstractSocket::UnconnectedState && bound.elapsed() < kWaitMs) {
        QTest::qWait(2);  // the server runs on this thread's event loop
        answer += client.readAll();
    }
    return answer + client.readAll();
}

TEST(SimManyDevices, ARunTakesItsBootpAddressesAndIsServedOnThem) {
    const auto parsed = parseSimOptions({"--macs", "02:4B:7E:00:01:00-02:4B:7E:00:01:04"});
    ASSERT_TRUE(parsed.options.has_value()) << parsed.error.toStdString();
    ASSERT_EQ(parsed.options->devices.size(), std::size_t(kDevices));

    PeerSocket server;
    ASSERT_TRUE(server.bind(QHostAddress::AnyIPv4, 0));
    SimNetwork network(AskingBootpServerAt(server.localPort()));
    for (const SimDeviceOption& device : parsed.options->devices)
        network.addDevice(device.ip, device.mac, device.faults);
    SimHttp http(network);
    ASSERT_TRUE(network.start()) << network.errorString().toStdString();
    ASSERT_TRUE(http.start(0)) << http.errorString().toStdString();
    ASSERT_NE(http.port(), 0);  // known before any device has an address
    QSignalSpy configured(&network, &SimNetwork::configured);

    // Every device asks with its own MAC and transaction id; each is answered as it asks.
    std::set<QByteArray> macs, xids;
    QElapsedTimer bound;
    bound.start();
    while (configured.count() < kDevices && bound.elapsed() < kWaitMs) {
        const QNetworkDatagram request = NextDatagram(server);
        if (!request.isValid()) break;
        const QByteArray data = request.data();
        ASSERT_EQ(data.size(), 300);
        macs.insert(data.mid(28, 6));
        xids.insert(data.mid(4, 4));
        const quint8 last = quint8(data.at(33));
        Answer(server, data, QHostAddress(quint32(0x7F000000 | (kFirstHost + last))), network.bootpClientPort());
        QTest::qWait(0);  // lets the simulator take the reply before the next request is read
    }
    ASSERT_EQ(configured.count(), kDevices);
    EXPECT_EQ(macs.size(), std::size_t(kDevices));
    EXPECT_EQ(xids.size(), std::size_t(kDevices));

    PeerSocket client;
    ASSERT_TRUE(client.bind(kLoopback, 0));
    for (int i = 0; i < kDevices; ++i) {
        const QHostAddress address(quint32(0x7F000000 | (kFirstHost + i)));
        ASSERT_EQ(network.deviceAddress(i), address) << i;
        const QByteArray mac = QByteArray::fromHex("024b7e0001") + char(i);
        // The search by MAC on the broadcast: only this device answers, from its address.
        client.writeDatagram((QByteArray::fromHex("35") + mac).leftJustified(60, '\0'), kLoopbackBroadcast,
                             network.port());
        const QNetworkDatagram found = NextDatagram(client);
        EXPECT_EQ(found.data().toHex(), (QByteArray::fromHex("35") + mac + QByteArray::fromHex("7f0000") +
                                         char(kFirstHost + i)).toHex());
        EXPECT_EQ(found.senderAddress(), address);
        // Its page, uploaded by sector writes to its address and read back, then by HTTP.
        const QByteArray text = "page of " + mac.toHex();
        for (const QByteArray& write : PageImage(text)) client.writeDatagram(write, address, network.port());
        client.writeDatagram(QByteArray::fromHex("50 00 04"), address, network.port());
        EXPECT_EQ(NextDatagram(client).data().mid(1), PageImage(text).back().mid(3));
        EXPECT_TRUE(Get(address, http.port()).endsWith("\r\n\r\n" + text)) << i;
    }
}

// A BootP address that is not on this host cannot be listened on: that is a problem
// reported, not the end of the server, which still serves the other device.
TEST(SimManyDevices, AnAddressThatCannotBeListenedOnIsAProblemNotTheEnd) {
    PeerSocket server;
    ASSERT_TRUE(server.bind(QHostAddress::AnyIPv4, 0));
    SimNetwork network(AskingBootpServerAt(server.localPort()));
    network.addDevice(Ipv4Address{127, 0, 0, 70}, MacAddress{2, 0x4B, 0x7E, 0, 2, 0});
    network.addDevice(std::nullopt, MacAddress{2, 0x4B, 0x7E, 0, 2, 1});
    for (const QByteArray& write : PageImage("first"))
        std::copy(write.begin() + 3, write.end(), network.device(0).flash().begin() + quint8(write.at(2)) * 256);
    SimHttp http(network);
    QSignalSpy problems(&http, &SimHttp::problem);
    QSignalSpy configured(&network, &SimNetwork::configured);
    ASSERT_TRUE(network.start()) << network.errorString().toStdString();
    ASSERT_TRUE(http.start(0)) << http.errorString().toStdString();

    const QNetworkDatagram request = NextDatagram(server);
    ASSERT_TRUE(request.isValid());
    Answer(server, request.data(), QHostAddress(QStringLiteral("192.0.2.99")), network.bootpClientPort());
    ASSERT_TRUE(configured.count() > 0 || configured.wait(kWaitMs));
    ASSERT_EQ(problems.count(), 1);
    EXPECT_TRUE(problems.at(0).at(0).toString().contains("192.0.2.99")) << problems.at(0).at(0).toString().toStdString();
    EXPECT_TRUE(Get(QHostAddress(QStringLiteral("127.0.0.70")), http.port()).endsWith("\r\n\r\nfirst"));
}

}  // namespace
