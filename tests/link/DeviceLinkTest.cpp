#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QNetworkInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QNetworkProxy>
#include <QUdpSocket>
#include <functional>
#include <gtest/gtest.h>
#include <future>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ClientSocket.h"
#include "DeviceCommand.h"
#include "FlashReadRun.h"
#include "FlashRunSupport.h"
#include "Pace.h"
#include "IpClearEngine.h"
#include "LinkConfig.h"
#include "Loopback.h"
#include "private/BroadcastSender.h"
#include "private/FlashClearRun.h"
#include "private/RegisterLink.h"
#include "private/SearchSocket.h"
#include "private/UploadSocket.h"

namespace tavo {
namespace {

using namespace tavo::test;


// A stand-in device: records every datagram and answers, when told how, to the address
// and port the datagram came from.
class FakeDevice {
public:
    using Answer = std::function<QByteArray(const QByteArray&)>;

    explicit FakeDevice(const QHostAddress& address = kLoopback, Answer answer = {}) : m_answer(std::move(answer)) {
        EXPECT_TRUE(m_socket.bind(address, 0));
        QObject::connect(&m_socket, &QUdpSocket::readyRead, [this] { read(); });
    }
    quint16 port() const { return m_socket.localPort(); }
    // Waits until `count` datagrams have arrived.
    bool waitFor(int count) {
        QSignalSpy spy(&m_socket, &QUdpSocket::readyRead);
        while (int(received.size()) < count)
            if (!spy.wait(kWaitMs)) return false;
        return true;
    }
    std::vector<QNetworkDatagram> received;

private:
    void read() {
        while (m_socket.hasPendingDatagrams()) {
            QNetworkDatagram datagram = m_socket.receiveDatagram();
            received.push_back(datagram);
            const QByteArray reply = m_answer ? m_answer(datagram.data()) : QByteArray();
            // Answers come from the device port, as a connected socket only takes those;
            // a socket bound to the broadcast address cannot be a source, so the loopback
            // broadcast listener answers from another socket.
            QUdpSocket& from = m_socket.localAddress() == kLoopbackBroadcast ? m_replySocket : m_socket;
            if (!reply.isEmpty()) from.writeDatagram(reply, datagram.senderAddress(), datagram.senderPort());
        }
    }
    PeerSocket m_socket;
    PeerSocket m_replySocket;
    Answer m_answer;
};

LinkConfig LoopbackConfig(quint16 devicePort) {
    LinkConfig config;
    config.devicePort = devicePort;
    config.broadcast = kLoopbackBroadcast;
    return config;
}

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out.append(char(v));
    return out;
}

TEST(IpClearEngine, SendsExactlyOneByteAndLeavesNothingOpen) {
    FakeDevice device(kLoopback, [](const QByteArray&) { return QByteArray("answer"); });
    QTemporaryDir dir;
    IpClearEngine engine;
    QSignalSpy finished(&engine, &IpClearEngine::finished);
    const IpClearResult result = engine.start({{127, 0, 0, 1}, dir.path().toStdString(), LoopbackConfig(device.port()), {}});
    ASSERT_EQ(result.status, IpClearResult::Status::Sent);
    EXPECT_EQ(finished.size(), 1);
    ASSERT_TRUE(device.waitFor(1));
    EXPECT_EQ(device.received.front().data(), Bytes({0x36}));
    // The one-shot socket is closed already: its port is free again.
    PeerSocket probe;
    EXPECT_TRUE(probe.bind(QHostAddress(QHostAddress::AnyIPv4), device.received.front().senderPort()));
}

TEST(SearchSocket, RequestReachesTheDeviceByLoopbackBroadcastAndTheAnswerIsMatched) {
    const MacOctets mac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    struct Case {
        const char* name;
        QByteArray answer;
        bool matches;
    } cases[] = {
        {"own device", Bytes({0x35, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 192, 168, 1, 20}), true},
        {"another device", Bytes({0x35, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F, 192, 168, 1, 21}), false},
        {"too long", QByteArray(67, '\x35'), false},
    };
    for (const auto& c : cases) {
        // Loopback broadcasts reach sockets on the broadcast address (or 0.0.0.0), not on 127.0.0.1.
        FakeDevice device(kLoopbackBroadcast, [&](const QByteArray&) { return c.answer; });
        SearchSocket search(LoopbackConfig(device.port()));
        ASSERT_TRUE(search.open());
        QSignalSpy waiting(&search, &SearchSocket::replyWaiting);
        EXPECT_EQ(search.sendRequest(mac), 1) << c.name;
        ASSERT_TRUE(device.waitFor(1)) << c.name;
        QByteArray expected = Bytes({0x35, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E});
        expected.append(QByteArray(53, '\0'));
        EXPECT_EQ(device.received.front().data(), expected) << c.name;

        ASSERT_TRUE(waiting.wait(kWaitMs)) << c.name;
        const SearchReply reply = search.receiveReply();
        EXPECT_EQ(search.replyMatches(reply), c.matches) << c.name;
        if (c.matches) EXPECT_EQ(reply.ip, (Ipv4Octets{192, 168, 1, 20}));
    }
}

// The device answers sector reads and register reads; each reply must come back on
// the socket that sent the command.
QByteArray DeviceAnswer(const QByteArray& command) {
    switch (quint8(command.at(0))) {
    case CMD_SECTOR_READ: return Bytes({0x50}) + QByteArray(256, char(command.at(2)));
    case CMD_REGISTER_READ: return Bytes({0x30, 0xC4});
    case CMD_REGISTER_TABLE_READ: return Bytes({0x10}) + QByteArray(240, '\x11');
    default: return {};
    }
}

FlashReadRun::Request ReadOf(int from, int to) {
    FlashReadRun::Request request;
    request.target = kLoopback;
    request.from = from;
    request.to = to;
    return request;
}

TEST(DeviceLink, SectorRepliesReachTheFlashReadAndRegisterRepliesTheRegisterSocket) {
    FakeDevice device(kLoopback, DeviceAnswer);
    FlashReadRun read(LoopbackConfig(device.port()), Pace::immediate(), ReadOf(5, 5));
    RegisterLink link(LoopbackConfig(device.port()));
    ASSERT_TRUE(link.open(kLoopback));
    QSignalSpy reg(&link, &RegisterLink::registerReplyWaiting);

    ASSERT_EQ(runToEnd(read), FlashRunStatus::Completed);
    EXPECT_EQ(reg.count(), 0);
    const SectorData* sector = read.dump().sector(5);
    ASSERT_NE(sector, nullptr);
    EXPECT_EQ((*sector)[0], 5);
    EXPECT_EQ((*sector)[255], 5);

    ASSERT_TRUE(link.sendRegisterCommand(encodeRegisterRead(0x1B)));
    ASSERT_TRUE(reg.wait(kWaitMs));
    const RegisterReply value = link.receiveRegister();
    EXPECT_EQ(value.kind, RegisterReplyKind::Value);
    EXPECT_EQ(value.value, 0xC4);

    // Commands without a reply go out on their own socket too.
    ASSERT_TRUE(link.sendRegisterCommand(encodeRegisterWrite(0x1B, 0xC4)));
    FlashClearRun clear(LoopbackConfig(device.port()), kLoopback, 2043, 2043);
    QSignalSpy cleared(&clear, &FlashClearRun::finished);
    clear.start();
    ASSERT_EQ(cleared.count(), 1);  // one slice: done within start()
    ASSERT_TRUE(device.waitFor(4));
    EXPECT_EQ(device.received[0].data(), Bytes({0x50, 0x00, 0x05}));
    EXPECT_NE(device.received[0].senderPort(), link.localPort());
    EXPECT_EQ(device.received[1].senderPort(), link.localPort());
    EXPECT_EQ(device.received[2].data(), Bytes({0x20, 0x1B, 0xC4}));
    EXPECT_EQ(device.received[2].senderPort(), link.localPort());
    EXPECT_EQ(device.received[3].data(), Bytes({0x40, 0x07, 0xFB}) + QByteArray(256, '\0'));
    EXPECT_NE(device.received[3].senderPort(), link.localPort());
    EXPECT_NE(device.received[3].senderPort(), device.received[0].senderPort());
}

TEST(DeviceLink, StoppingAReadInsideItsReplySignalIsSafe) {
    FakeDevice device(kLoopback, DeviceAnswer);
    FlashReadRun read(LoopbackConfig(device.port()), Pace::immediate(), ReadOf(9, 10));
    QObject::connect(&read, &FlashReadRun::sectorReceived, &read, [&] { read.stop(); });
    EXPECT_EQ(runToEnd(read), FlashRunStatus::Stopped);
    ASSERT_NE(read.dump().sector(9), nullptr);
    EXPECT_EQ((*read.dump().sector(9))[0], 9);
    EXPECT_FALSE(read.isRunning());
    QCoreApplication::processEvents();  // the released sockets go now
}

TEST(DeviceLink, WorkerThreadSendsGoOutFromTheOwnerThreadInOrder) {
    FakeDevice device;
    RegisterLink link(LoopbackConfig(device.port()));
    ASSERT_TRUE(link.open(kLoopback));

    std::thread worker([&] {
        for (uint8_t reg = 0; reg < 3; ++reg) link.sendRegisterCommand(encodeRegisterRead(reg));
    });
    worker.join();
    ASSERT_TRUE(device.waitFor(3));
    EXPECT_EQ(device.received[0].data(), Bytes({0x30, 0x00}));
    EXPECT_EQ(device.received[2].data(), Bytes({0x30, 0x02}));
}

TEST(UploadSocket, BlocksLeaveNumberedWithTheirBytesFromItsOwnPort) {
    FakeDevice device;
    UploadSocket upload(LoopbackConfig(device.port()));
    ASSERT_TRUE(upload.open(kLoopback));
    const std::vector<uint8_t> block(256, 0xAB), tail{0x7E};
    ASSERT_TRUE(upload.sendBlock(0, block));
    ASSERT_TRUE(upload.sendBlock(1, tail));
    ASSERT_TRUE(device.waitFor(2));
    EXPECT_EQ(device.received[0].data(), Bytes({0x40, 0x00, 0x00}) + QByteArray(256, '\xAB'));
    EXPECT_EQ(device.received[1].data(), Bytes({0x40, 0x00, 0x01, 0x7E}));
    EXPECT_EQ(device.received[1].senderPort(), upload.localPort());
}

TEST(UploadSocket, RefusesAnOversizedBlockAndDropsWhatTheDeviceSends) {
    FakeDevice device(kLoopback, [](const QByteArray&) { return QByteArray("ack"); });
    UploadSocket upload(LoopbackConfig(device.port()));
    ASSERT_TRUE(upload.open(kLoopback));
    auto* socket = upload.findChild<CClientSocket*>();
    ASSERT_NE(socket, nullptr);
    QSignalSpy answers(socket, &CClientSocket::clientSocketData);
    EXPECT_FALSE(upload.sendBlock(0, std::vector<uint8_t>(257, 0)));
    const std::vector<uint8_t> data(10, 1);
    for (int block = 0; block < 3; ++block) ASSERT_TRUE(upload.sendBlock(block, data));
    ASSERT_TRUE(device.waitFor(3));
    EXPECT_EQ(device.received.size(), 3u);  // the refused block never left
    // The three answers are read and dropped as they come: nothing stays pending.
    while (answers.count() < 3) ASSERT_TRUE(answers.wait(kWaitMs));
    EXPECT_FALSE(socket->socket().hasPendingDatagrams());
}

// Two network namespaces joined by a veth pair made inside them, so the limited
// broadcast can be tried without anything reaching the machine's own network. Needs root.
class VethNamespaces {
public:
    VethNamespaces()
        : a(QStringLiteral("tavoproto%1a").arg(getpid())), b(QStringLiteral("tavoproto%1b").arg(getpid())) {
        ok = geteuid() == 0 && !QStandardPaths::findExecutable("ip").isEmpty() &&
             Ip({"netns", "add", a}) && Ip({"netns", "add", b}) &&
             Ip({"-n", a, "link", "add", "vA", "type", "veth", "peer", "name", "vB", "netns", b}) &&
             Ip({"-n", a, "addr", "add", "10.77.0.1/24", "dev", "vA"}) &&
             Ip({"-n", b, "addr", "add", "10.77.0.2/24", "dev", "vB"}) && Ip({"-n", a, "link", "set", "vA", "up"}) &&
             Ip({"-n", b, "link", "set", "vB", "up"}) && Ip({"-n", b, "link", "set", "lo", "up"});
    }
    ~VethNamespaces() {
        Ip({"netns", "del", a});
        Ip({"netns", "del", b});
    }
    // Moves the calling thread (only) into the namespace.
    static bool Enter(const QString& name) {
        const int fd = open(("/run/netns/" + name).toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool entered = setns(fd, CLONE_NEWNET) == 0;
        close(fd);
        return entered;
    }
    const QString a, b;
    bool ok = false;

private:
    static bool Ip(const QStringList& args) {
        QProcess ip;
        ip.start("ip", args);
        return ip.waitForFinished(10000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
    }
};

// Waits (bounded) in namespace b for one datagram on a free port.
struct NamespaceReceiver {
    std::promise<quint16> port;
    std::promise<QByteArray> datagram;
    void run(const QString& ns) {
        int fd = -1;
        sockaddr_in addr{};
        socklen_t length = sizeof addr;
        addr.sin_family = AF_INET;
        const timeval bound{5, 0};
        if (!VethNamespaces::Enter(ns) || (fd = socket(AF_INET, SOCK_DGRAM, 0)) < 0 ||
            setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound) != 0 ||
            bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
            port.set_value(0);
            datagram.set_value({});
        } else {
            port.set_value(ntohs(addr.sin_port));
            char buffer[512];
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            datagram.set_value(got < 0 ? QByteArray() : QByteArray(buffer, int(got)));
        }
        if (fd >= 0) close(fd);
    }
};

TEST(BroadcastSender, LimitedBroadcastLeavesThroughTheChosenOrEveryBroadcastInterface) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "making namespaces forks ip(8) from a threaded process, which ThreadSanitizer cannot follow";
#endif
    VethNamespaces namespaces;
    if (!namespaces.ok) GTEST_SKIP() << "needs root and ip(8) to make test namespaces";
    struct Case {
        const char* interfaceName;
        int sends;
    } cases[] = {{"", 1}, {"vA", 1}, {"no-such-interface", 0}};
    for (const auto& c : cases) {
        NamespaceReceiver receiver;
        auto portFuture = receiver.port.get_future();
        auto datagramFuture = receiver.datagram.get_future();
        std::thread receiving([&] { receiver.run(namespaces.b); });
        const quint16 port = portFuture.get();
        ASSERT_NE(port, 0);

        const QByteArray request = toDatagram(encodeIpSearch({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
        int sends = -1;
        std::thread sending([&] {
            if (!VethNamespaces::Enter(namespaces.a)) return;
            // Never send unless this thread really sees only the test namespace.
            for (const QNetworkInterface& itf : QNetworkInterface::allInterfaces())
                if (itf.name() != "lo" && itf.name() != "vA") return;
            LinkConfig config;  // the product's limited broadcast
            config.interfaceName = c.interfaceName;
            PeerSocket socket;
            if (socket.bind(QHostAddress(QHostAddress::AnyIPv4), 0)) sends = BroadcastSender(config).send(socket, request, port);
        });
        sending.join();
        if (c.sends == 0) {  // nothing was sent: wake the receiver from inside b
            std::thread waking([&] {
                PeerSocket socket;
                if (VethNamespaces::Enter(namespaces.b)) socket.writeDatagram("stop", QHostAddress::LocalHost, port);
            });
            waking.join();
        }
        receiving.join();
        EXPECT_EQ(sends, c.sends) << c.interfaceName;
        EXPECT_EQ(datagramFuture.get(), c.sends ? request : QByteArray("stop")) << c.interfaceName;
    }
}

}  // namespace
}  // namespace tavo
