// The tavo-sim executable on loopback, driven with raw datagrams written from the wire
// tables: search, clear, sectors, registers, its BootP client, its exit.
#include "SimProcess.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>
#include <gtest/gtest.h>

namespace {

using tavo::test::SimProcess;

constexpr int kWaitMs = 5000;
const QHostAddress kLoopbackBroadcast(QStringLiteral("127.255.255.255"));
const QHostAddress kDeviceA(QStringLiteral("127.0.0.2"));
const QHostAddress kDeviceB(QStringLiteral("127.0.0.3"));

QNetworkDatagram NextDatagram(QUdpSocket& socket) {
    QSignalSpy spy(&socket, &QUdpSocket::readyRead);
    if (!socket.hasPendingDatagrams()) spy.wait(kWaitMs);
    return socket.hasPendingDatagrams() ? socket.receiveDatagram() : QNetworkDatagram();
}

QByteArray SearchFor(const char* macHex) { return (QByteArray::fromHex("35") + QByteArray::fromHex(macHex)).leftJustified(60, '\0'); }

// A port nobody listens on at the moment it is asked for.
quint16 FreePort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

class SimProcessTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(client.bind(QHostAddress::LocalHost, 0)); }
    QByteArray ask(const QByteArray& command, const QHostAddress& to) {
        client.writeDatagram(command, to, sim.port());
        return NextDatagram(client).data();
    }
    void send(const QByteArray& command, const QHostAddress& to) { client.writeDatagram(command, to, sim.port()); }

    SimProcess sim;
    QUdpSocket client;
};

TEST_F(SimProcessTest, AnswersTheDeviceProtocol) {
    ASSERT_TRUE(sim.start({"--port", "0", "--max-seconds", "60", "--bootp-max-requests", "0", "--ip", "127.0.0.2",
                           "--mac", "02:4B:7E:00:00:02", "--ip", "127.0.0.3", "--mac", "024B7E000003"}));

    EXPECT_EQ(ask(SearchFor("024b7e000002"), kLoopbackBroadcast).toHex(), "35024b7e0000027f000002");
    // Unanswered searches leave the next reply to the next search.
    send(SearchFor("024b7e000099"), kLoopbackBroadcast);
    EXPECT_EQ(ask(SearchFor("024b7e000003"), kLoopbackBroadcast).toHex(), "35024b7e0000037f000003");

    QByteArray data(256, '\0');
    for (int i = 0; i < 256; ++i) data[i] = char(255 - i);
    send(QByteArray::fromHex("40 07 ff") + data, kDeviceA);
    EXPECT_EQ(ask(QByteArray::fromHex("50 07 ff"), kDeviceA).toHex(), (QByteArray::fromHex("50") + data).toHex());
    EXPECT_EQ(ask(QByteArray::fromHex("50 00 00"), kDeviceB).toHex(),
              (QByteArray::fromHex("50") + QByteArray(256, char(0xFF))).toHex());

    send(QByteArray::fromHex("20 42 99"), kDeviceA);
    EXPECT_EQ(ask(QByteArray::fromHex("30 42"), kDeviceA).toHex(), "3099");
    QByteArray table = QByteArray::fromHex("10") + QByteArray(240, '\0');
    table[1 + 0x42 - 0x10] = char(0x99);
    EXPECT_EQ(ask(QByteArray::fromHex("10"), kDeviceA).toHex(), table.toHex());

    EXPECT_TRUE(sim.waitLine("command 024B7E000002 0x40 259"));
    send(QByteArray::fromHex("36"), kDeviceA);
    EXPECT_TRUE(sim.waitLine("cleared 024B7E000002"));
    // The cleared device no longer answers its search.
    send(SearchFor("024b7e000002"), kLoopbackBroadcast);
    EXPECT_EQ(ask(SearchFor("024b7e000003"), kLoopbackBroadcast).toHex(), "35024b7e0000037f000003");

    EXPECT_TRUE(sim.terminate());
}

TEST_F(SimProcessTest, AsksByBootpTakesTheReplyAndAsksAgainAfterAClear) {
    QUdpSocket server;
    ASSERT_TRUE(server.bind(QHostAddress::AnyIPv4, 0));
    const quint16 clientPort = FreePort();
    ASSERT_TRUE(sim.start({"--port", "0", "--max-seconds", "60", "--mac", "024B7E0000B1", "--broadcast",
                           "127.255.255.255", "--bootp-server-port", QString::number(server.localPort()),
                           "--bootp-client-port", QString::number(clientPort), "--bootp-interval-ms", "200",
                           "--bootp-max-requests", "100"}));

    const QByteArray request = NextDatagram(server).data();
    ASSERT_EQ(request.size(), 300);
    EXPECT_EQ(request.left(3).toHex(), "010106");
    EXPECT_EQ(request.mid(28, 16).toHex(), "024b7e0000b100000000000000000000");
    EXPECT_EQ(request.mid(236, 6).toHex(), "638253630104");
    EXPECT_TRUE(sim.waitLine("bootp request 024B7E0000B1"));

    QByteArray reply = request;
    reply[0] = 2;
    reply.replace(16, 4, QByteArray::fromHex("7f0000b1"));
    reply.replace(24, 4, QByteArray::fromHex("7f0000fe"));
    reply.replace(242, 4, QByteArray::fromHex("ffffff00"));
    server.writeDatagram(reply, kLoopbackBroadcast, clientPort);
    EXPECT_TRUE(sim.waitLine("bootp configured 024B7E0000B1 ip 127.0.0.177 gateway 127.0.0.254 mask 255.255.255.0"));

    const QHostAddress device(QStringLiteral("127.0.0.177"));
    EXPECT_EQ(ask(SearchFor("024b7e0000b1"), kLoopbackBroadcast).toHex(), "35024b7e0000b17f0000b1");
    send(QByteArray::fromHex("36"), device);
    EXPECT_TRUE(sim.waitLine("cleared 024B7E0000B1"));
    EXPECT_TRUE(sim.waitLine("bootp request 024B7E0000B1"));
    EXPECT_TRUE(sim.terminate());
}

// The plainest start, with the product's device port: devices on loopback need no other
// option, and the device answers at once.
TEST_F(SimProcessTest, RunsOnLoopbackWithoutFurtherOptions) {
    ASSERT_TRUE(sim.start({"--ip", "127.0.0.9", "--mac", "02:4B:7E:00:00:09", "--max-seconds", "30"}));
    EXPECT_EQ(sim.port(), 1024);
    EXPECT_EQ(ask(SearchFor("024b7e000009"), QHostAddress(QStringLiteral("127.0.0.9"))).toHex(),
              "35024b7e0000097f000009");
    EXPECT_TRUE(sim.terminate());
}

TEST(SimProcess, EndsByItselfOrRefusesBadStarts) {
    struct Case {
        QStringList arguments;
        int status;
    };
    const Case cases[] = {
        {{"--port", "0", "--max-seconds", "0.3", "--bootp-max-requests", "0", "--ip", "127.0.0.2", "--mac",
          "024B7E000002"},
         0},
        // The limited broadcast is only sent where an interface is chosen.
        {{"--port", "0", "--max-seconds", "5", "--ip", "10.9.9.9", "--mac", "024B7E000002", "--mac", "024B7E000003"},
         2},
        {{"--port", "0", "--mac", "024B7E00000"}, 2},
        {{"--port", "0"}, 2},
        {{"--port", "0", "--wat", "--mac", "024B7E000002"}, 2},
        // Not an address of this host: the device socket cannot be bound.
        {{"--port", "0", "--max-seconds", "5", "--bootp-max-requests", "0", "--ip", "192.0.2.1", "--mac",
          "024B7E000002"},
         1},
        {{"--port", "0", "--max-seconds", "5", "--interface", "no-such-if0", "--ip", "127.0.0.2", "--mac",
          "024B7E000002"},
         1},
    };
    for (const Case& c : cases) {
        QProcess sim;
        sim.start(TAVO_SIM_EXE, c.arguments);
        ASSERT_TRUE(sim.waitForFinished(SimProcess::kWaitMs)) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sim.exitCode(), c.status) << c.arguments.join(' ').toStdString();
        if (c.status != 0) {
            EXPECT_FALSE(sim.readAllStandardError().isEmpty());
        }
    }
}

}  // namespace
