// Floods of 100,000 malformed datagrams from loopback at the programs: `tavo bootp serve`
// and tavo-sim. Each keeps running, answers a valid request right after, and (the server)
// leaves its table as it was.
#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "BootPFDB.h"
#include "BootpMessage.h"
#include "DeviceCommand.h"
#include "Flood.h"
#include "SimProcess.h"

namespace tavo {
namespace {

constexpr int kDatagrams = 100000;
constexpr int kWaitMs = 10000;
const QHostAddress kLoopback(QHostAddress::LocalHost);

std::string fileBytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Floods on a thread of its own while this thread keeps reading the program's output,
// so that the program never waits on a full pipe.
int floodWhileReading(QProcess& process, QStringList& lines, uint16_t port, unsigned seed, uint32_t host,
                      const std::function<void(std::vector<uint8_t>&, int)>& shape) {
    test::LoopbackFlooder flooder;
    const std::atomic<uint16_t> target{port};
    std::atomic<bool> done{false};
    int sent = 0;
    std::thread sender([&] {
        sent = flooder.flood(target, kDatagrams, seed, shape, host);
        done = true;
    });
    while (!done) {
        process.waitForReadyRead(50);
        while (process.canReadLine()) lines << QString::fromUtf8(process.readLine()).trimmed();
    }
    sender.join();
    return sent;
}

TEST(FloodProcess, BootpServeTakesMalformedDatagramsAndStillAnswers) {
    QTemporaryDir dir;
    {
        CBootPFDB table(dir.path().toStdString());
        table.AddNew();
        table.SetRecord(1, 6, "192.168.  1. 20", "024B7E0A1B2C", "192.168.  1.  1", "255.255.255.  0");
        ASSERT_TRUE(table.Save());
    }
    const std::string before = fileBytes(dir.path() + "/bootp.ini");
    QUdpSocket receiver;
    receiver.setProxy(QNetworkProxy::NoProxy);
    ASSERT_TRUE(receiver.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
    QProcess serve;
    serve.start(TAVO_CLI_EXE, {"bootp", "serve", "--data-dir", dir.path(), "--port", "0", "--reply-port",
                               QString::number(receiver.localPort()), "--broadcast", "127.255.255.255"});
    QStringList lines;
    quint16 port = 0;
    for (QDeadlineTimer deadline(kWaitMs); port == 0 && !deadline.hasExpired() && serve.waitForReadyRead(1000);) {
        while (serve.canReadLine()) {
            const QString line = QString::fromUtf8(serve.readLine()).trimmed();
            if (line.startsWith("ready port ")) port = quint16(line.section(' ', 2).toUInt());
        }
    }
    ASSERT_NE(port, 0);

    // No datagram is a request of the family: that would be a device, not a malformed datagram.
    const int sent = floodWhileReading(serve, lines, port, 29, INADDR_LOOPBACK, [](std::vector<uint8_t>& d, int) {
        if (d.size() > 30 && d[28] == DEVICE_OUI[0] && d[29] == DEVICE_OUI[1] && d[30] == DEVICE_OUI[2]) d[28] = 0;
    });
    std::printf("tavo bootp serve: %d of %d malformed datagrams sent, %lld lines printed\n", sent, kDatagrams,
                static_cast<long long>(lines.size()));
    ASSERT_EQ(serve.state(), QProcess::Running);

    QByteArray request(300, '\0');
    request[0] = 1;
    request[4] = 0x66;
    const QByteArray mac = QByteArray::fromHex("024B7E0A1B2C");
    for (int i = 0; i < 6; ++i) request[28 + i] = mac[i];
    QUdpSocket client;
    client.setProxy(QNetworkProxy::NoProxy);
    client.writeDatagram(request, kLoopback, port);
    ASSERT_TRUE(receiver.waitForReadyRead(kWaitMs));
    const QByteArray reply = receiver.receiveDatagram().data();
    ASSERT_EQ(reply.size(), 300);
    EXPECT_EQ(uint8_t(reply[4]), 0x66);
    EXPECT_EQ(reply.mid(16, 4).toHex(), QByteArray("c0a80114"));
    EXPECT_EQ(fileBytes(dir.path() + "/bootp.ini"), before);

    ::kill(pid_t(serve.processId()), SIGTERM);
    ASSERT_TRUE(serve.waitForFinished(kWaitMs));
    EXPECT_EQ(serve.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(serve.exitCode(), 0);
}

TEST(FloodProcess, SimulatorTakesMalformedCommandsAndStillAnswers) {
    test::SimProcess sim;
    ASSERT_TRUE(sim.start({"--port", "0", "--max-seconds", "120", "--bootp-max-requests", "0", "--ip", "127.0.0.2",
                           "--mac", "024B7E000002"}));
    QStringList lines;
    // An IP clear would take the device's address away: that is a command, not a malformed one.
    const int sent = floodWhileReading(sim.process(), lines, sim.port(), 31, 0x7F000002u,
                                       [](std::vector<uint8_t>& d, int) {
                                           if (!d.empty() && d[0] == CMD_IP_CLEAR) d[0] = 0;
                                       });
    std::printf("tavo-sim: %d of %d malformed datagrams sent, %lld lines printed\n", sent, kDatagrams,
                static_cast<long long>(lines.size()));
    ASSERT_EQ(sim.process().state(), QProcess::Running);

    QUdpSocket client;
    client.setProxy(QNetworkProxy::NoProxy);
    ASSERT_TRUE(client.bind(kLoopback, 0));
    client.writeDatagram(QByteArray::fromHex("2042a5"), QHostAddress("127.0.0.2"), sim.port());
    client.writeDatagram(QByteArray::fromHex("3042"), QHostAddress("127.0.0.2"), sim.port());
    ASSERT_TRUE(client.waitForReadyRead(kWaitMs));
    EXPECT_EQ(client.receiveDatagram().data().toHex(), "30a5");
    EXPECT_TRUE(sim.terminate());
}

}  // namespace
}  // namespace tavo
