// The flash runs and the maintenance link against stand-in devices on loopback: every
// reply fills only the row of the sector whose request it answers, whatever order,
// loss or duplication the device brings; a clear's writes leave back to back; register
// commands carry their golden bytes and keep their pause.
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "DeviceCommand.h"
#include "FlashReadRun.h"
#include "FlashRunSupport.h"
#include "Loopback.h"
#include "SimNetwork.h"
#include "private/FlashClearRun.h"
#include "private/MaintenanceLink.h"

namespace tavo {
namespace {

using namespace tavo::test;
using namespace std::chrono_literals;

// The bytes a stand-in device keeps in a sector: its number first, then a pattern of it.
SectorData Content(int sector) {
    SectorData data;
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(sector * 31 + int(i) * 7);
    data[0] = uint8_t(sector >> 8);
    data[1] = uint8_t(sector & 0xFF);
    return data;
}

QByteArray SectorReplyBytes(const SectorData& data) {
    QByteArray reply(1, char(CMD_SECTOR_READ));
    reply.append(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    return reply;
}

int SectorOf(const QByteArray& command) { return quint8(command.at(1)) * 256 + quint8(command.at(2)); }

// A device on loopback that answers sector reads as told: each reply may be held back
// (to be released later, in any order), dropped, duplicated or replaced.
class FlashDevice {
public:
    // Returns the replies for the n-th request (from 0) for a sector; empty: none.
    using Answer = std::function<std::vector<QByteArray>(int sector, int nth)>;

    FlashDevice() {
        EXPECT_TRUE(m_socket.bind(kLoopback, 0));
        m_socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(4 * 1024 * 1024));
        QObject::connect(&m_socket, &QUdpSocket::readyRead, [this] { read(); });
    }
    quint16 port() const { return m_socket.localPort(); }
    bool waitFor(size_t count) {
        QElapsedTimer bound;
        bound.start();
        while (received.size() < count && bound.elapsed() < kWaitMs) QTest::qWait(5);
        return received.size() >= count;
    }
    // Sends the held replies, last held first when `reversed`.
    void release(bool reversed) {
        if (reversed) std::reverse(m_held.begin(), m_held.end());
        for (const auto& [reply, to] : m_held) m_socket.writeDatagram(reply, to.senderAddress(), to.senderPort());
        m_held.clear();
    }

    void reply(const QByteArray& bytes, const QNetworkDatagram& to) {
        m_socket.writeDatagram(bytes, to.senderAddress(), to.senderPort());
    }

    Answer answer = [](int sector, int) { return std::vector<QByteArray>{SectorReplyBytes(Content(sector))}; };
    bool hold = false;
    bool answerWrites = false;  // a device that acknowledges sector writes with a sector reply
    std::vector<QNetworkDatagram> received;

private:
    void read() {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            received.push_back(datagram);
            const QByteArray command = datagram.data();
            std::vector<QByteArray> replies;
            if (quint8(command.at(0)) == CMD_SECTOR_READ) {
                const int sector = SectorOf(command);
                replies = answer(sector, m_asked[sector]++);
            } else if (answerWrites && quint8(command.at(0)) == CMD_SECTOR_WRITE) {
                replies.push_back(SectorReplyBytes(Content(0xEE)));
            }
            for (const QByteArray& reply : replies) {
                if (hold) {
                    m_held.emplace_back(reply, datagram);
                } else {
                    m_socket.writeDatagram(reply, datagram.senderAddress(), datagram.senderPort());
                }
            }
        }
    }
    PeerSocket m_socket;
    std::map<int, int> m_asked;
    std::vector<std::pair<QByteArray, QNetworkDatagram>> m_held;
};

LinkConfig DeviceAt(quint16 port) {
    LinkConfig config;
    config.devicePort = port;
    config.broadcast = kLoopbackBroadcast;
    return config;
}

Pace FastPace() {
    Pace pace = Pace::immediate();
    pace.afterSectorRead = 1ms;
    pace.afterRegisterCommand = 0ms;
    return pace;
}

FlashReadRun::Request Range(int from, int to, int retries = 0, std::chrono::milliseconds wait = 300ms) {
    FlashReadRun::Request request;
    request.target = kLoopback;
    request.from = from;
    request.to = to;
    request.retries = retries;
    request.replyWait = wait;
    return request;
}

void ExpectOwnBytes(const FlashDump& dump) {
    for (int s = dump.from(); s <= dump.to(); ++s) {
        if (const SectorData* data = dump.sector(s)) EXPECT_EQ(*data, Content(s)) << "sector " << s;
    }
}

TEST(FlashReadRun, OneSectorIsAskedForWithItsGoldenRequest) {
    FlashDevice device;
    FlashReadRun run(DeviceAt(device.port()), FastPace(), Range(5, 5));
    QSignalSpy sent(&run, &FlashReadRun::requestSent);
    QSignalSpy received(&run, &FlashReadRun::sectorReceived);
    QSignalSpy done(&run, &FlashReadRun::requestsDone);
    EXPECT_EQ(runToEnd(run), FlashRunStatus::Completed);
    ASSERT_EQ(device.received.size(), 1u);
    EXPECT_EQ(device.received[0].data().toHex(' '), "50 00 05");
    ASSERT_EQ(sent.count(), 1);
    EXPECT_EQ(sent[0][0].toInt(), 5);
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(done.count(), 1);
    ASSERT_NE(run.dump().sector(5), nullptr);
    EXPECT_EQ(*run.dump().sector(5), Content(5));
}

TEST(FlashReadRun, RepliesOutOfOrderDuplicatedOrLostFillOnlyTheirOwnSector) {
    FlashDevice device;
    device.hold = true;
    device.answer = [](int sector, int) -> std::vector<QByteArray> {
        if (sector == 12 || sector == 20) return {};  // lost
        const QByteArray reply = SectorReplyBytes(Content(sector));
        return {reply, reply};  // each twice
    };
    FlashReadRun run(DeviceAt(device.port()), FastPace(), Range(10, 29));
    QObject::connect(&run, &FlashReadRun::requestsDone, [&] {
        device.waitFor(20);
        device.release(true);  // the last sector's replies first
    });
    QSignalSpy received(&run, &FlashReadRun::sectorReceived);
    EXPECT_EQ(runToEnd(run), FlashRunStatus::Completed);
    EXPECT_EQ(run.dump().missing(), (std::vector<int>{12, 20}));
    ExpectOwnBytes(run.dump());
    EXPECT_EQ(received.count(), 18);  // the duplicates were dropped with their sockets
    std::set<quint16> ports;
    for (const auto& d : device.received) ports.insert(d.senderPort());
    EXPECT_EQ(ports.size(), 20u) << "every request leaves from a port of its own";
}

TEST(FlashReadRun, ALateReplyNeverFillsTheRowAndTheSectorIsAskedAgain) {
    FlashDevice device;
    device.answer = [](int sector, int nth) -> std::vector<QByteArray> {
        if (sector == 3 && nth == 0) return {};  // answered late, below
        if (sector == 7 && nth == 0) return {};  // lost
        return {SectorReplyBytes(Content(sector))};
    };
    FlashReadRun run(DeviceAt(device.port()), FastPace(), Range(0, 9, 2, 150ms));
    QSignalSpy passes(&run, &FlashReadRun::passStarted);
    QObject::connect(&run, &FlashReadRun::passStarted, [&](int pass) {
        if (pass != 1) return;
        // The first request for sector 3 gets an answer (with other bytes) only now,
        // after its wait ran out, just before the sector is asked for again.
        for (const auto& d : device.received)
            if (SectorOf(d.data()) == 3) device.reply(SectorReplyBytes(Content(0xEE)), d);
    });
    EXPECT_EQ(runToEnd(run), FlashRunStatus::Completed);
    EXPECT_TRUE(run.dump().complete());
    ExpectOwnBytes(run.dump());
    ASSERT_EQ(passes.count(), 2);
    EXPECT_EQ(passes[1][1].toInt(), 2);  // sectors 3 and 7 once more
    int asked3 = 0;
    for (const auto& d : device.received) asked3 += SectorOf(d.data()) == 3 ? 1 : 0;
    EXPECT_EQ(asked3, 2);
}

TEST(FlashReadRun, AReplyArrivingAfterItsWaitIsDropped) {
    FlashDevice device;
    device.hold = true;
    FlashReadRun run(DeviceAt(device.port()), FastPace(), Range(40, 41, 0, 100ms));
    EXPECT_EQ(runToEnd(run), FlashRunStatus::Completed);
    EXPECT_EQ(run.dump().missing(), (std::vector<int>{40, 41}));
    // Released now, the replies are dropped: the dump stays as it was.
    device.release(false);
    QTest::qWait(50);
    EXPECT_EQ(run.dump().missing(), (std::vector<int>{40, 41}));
}

TEST(FlashReadRun, ADatagramLongerThanASectorReplyLeavesTheSectorMissing) {
    FlashDevice device;
    device.answer = [](int sector, int) -> std::vector<QByteArray> {
        if (sector == 1) return {QByteArray(300, '\x50')};
        return {SectorReplyBytes(Content(sector))};
    };
    FlashReadRun run(DeviceAt(device.port()), FastPace(), Range(0, 2));
    QSignalSpy failed(&run, &FlashReadRun::receiveFailed);
    EXPECT_EQ(runToEnd(run), FlashRunStatus::Completed);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed[0][0].toInt(), 1);
    EXPECT_EQ(run.dump().missing(), (std::vector<int>{1}));
    ExpectOwnBytes(run.dump());
}

TEST(FlashClearRun, AClearOfSectors0To2043Sends2044WritesBackToBackAndItsRepliesNeverReachARead) {
    FlashDevice device;
    device.answerWrites = true;
    FlashClearRun clear(DeviceAt(device.port()), kLoopback, 0, 2043);
    FlashReadRun read(DeviceAt(device.port()), FastPace(), Range(100, 104));
    std::optional<FlashRunStatus> cleared;
    QObject::connect(&clear, &FlashClearRun::finished, [&](FlashRunStatus s) { cleared = s; });
    clear.start();
    EXPECT_EQ(runToEnd(read), FlashRunStatus::Completed);
    ASSERT_TRUE(device.waitFor(2044 + 5));
    EXPECT_EQ(cleared, FlashRunStatus::Completed);
    EXPECT_EQ(clear.sent(), 2044);

    int expected = 0;
    quint16 clearPort = 0;
    for (const auto& d : device.received) {
        const QByteArray bytes = d.data();
        if (quint8(bytes.at(0)) != CMD_SECTOR_WRITE) continue;
        ASSERT_EQ(bytes.size(), 259);
        EXPECT_EQ(SectorOf(bytes), expected++);
        EXPECT_EQ(bytes.mid(3), QByteArray(256, '\0'));
        if (clearPort == 0) clearPort = d.senderPort();
        EXPECT_EQ(d.senderPort(), clearPort) << "the clear sends on one socket of its own";
    }
    EXPECT_EQ(expected, 2044);
    EXPECT_TRUE(read.dump().complete());
    ExpectOwnBytes(read.dump());
}

TEST(FlashReadRun, AgainstASimulatorThatDropsAndDelaysEverySectorIsItsOwn) {
    for (int retries : {0, 3}) {
        sim::SimConfig config;
        config.bootpMaxRequests = 0;
        config.dropEvery = 5;
        config.delayMinMs = 0;
        config.delayMaxMs = 40;
        sim::SimNetwork network(config);
        network.addDevice(sim::Ipv4Address{127, 0, 0, 1}, sim::MacAddress{0x02, 0x4B, 0x7E, 0, 0, 1});
        ASSERT_TRUE(network.start()) << network.errorString().toStdString();
        auto& flash = network.device(0).flash();
        for (int s = 0; s < 40; ++s) {
            const SectorData data = Content(s);
            std::copy(data.begin(), data.end(), flash.begin() + s * 256);
        }
        FlashReadRun run(DeviceAt(network.port()), FastPace(), Range(0, 39, retries, 200ms));
        EXPECT_EQ(runToEnd(run), FlashRunStatus::Completed);
        ExpectOwnBytes(run.dump());
        if (retries == 0) {
            EXPECT_EQ(run.dump().missing().size(), 8u);  // every fifth of 40 replies
        } else {
            EXPECT_TRUE(run.dump().complete()) << run.dump().missing().size() << " missing";
        }
    }
}

// The maintenance link's register commands.
QByteArray RegisterAnswer(const QByteArray& command) {
    switch (quint8(command.at(0))) {
    case CMD_REGISTER_READ: return QByteArray::fromHex("300a");
    case CMD_REGISTER_TABLE_READ: {
        QByteArray reply(1, char(CMD_REGISTER_TABLE_READ));
        for (int r = 0x10; r <= 0xFF; ++r) reply.append(char(r ^ 0x5A));
        return reply;
    }
    default: return {};
    }
}

struct RegisterDevice {
    RegisterDevice() {
        EXPECT_TRUE(socket.bind(kLoopback, 0));
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
            while (socket.hasPendingDatagrams()) {
                const QNetworkDatagram d = socket.receiveDatagram();
                received.push_back(d);
                const QByteArray reply = answer ? answer(d.data()) : RegisterAnswer(d.data());
                if (!reply.isEmpty()) socket.writeDatagram(reply, d.senderAddress(), d.senderPort());
            }
        });
    }
    std::function<QByteArray(const QByteArray&)> answer;
    PeerSocket socket;
    std::vector<QNetworkDatagram> received;
};

TEST(MaintenanceLink, RegisterCommandsCarryTheirGoldenBytesAndRepliesAreDecoded) {
    RegisterDevice device;
    MaintenanceLink link(DeviceAt(device.socket.localPort()), FastPace());
    ASSERT_TRUE(link.open(kLoopback));
    QSignalSpy values(&link, &MaintenanceLink::registerValueReceived);
    QSignalSpy tables(&link, &MaintenanceLink::registerTableReceived);

    link.readRegister(0x0F);
    ASSERT_TRUE(values.wait(kWaitMs));
    EXPECT_EQ(values[0][0].value<uint8_t>(), 0x0A);
    link.writeRegister(0x1B, 0xC4);
    link.readRegisterTable();
    ASSERT_TRUE(tables.wait(kWaitMs));
    const auto table = tables[0][0].value<RegisterTable>();
    EXPECT_EQ(table[0xA3 - 0x10], 0xA3 ^ 0x5A);

    ASSERT_EQ(device.received.size(), 3u);
    EXPECT_EQ(device.received[0].data().toHex(' '), "30 0f");
    EXPECT_EQ(device.received[1].data().toHex(' '), "20 1b c4");
    EXPECT_EQ(device.received[2].data().toHex(' '), "10");
    for (const auto& d : device.received) EXPECT_EQ(d.senderPort(), link.registerLocalPort());
}

TEST(MaintenanceLink, AReplyLongerThanTheBufferClosesTheRegisterSocket) {
    RegisterDevice device;
    device.answer = [](const QByteArray&) { return QByteArray(242, '\x30'); };
    MaintenanceLink link(DeviceAt(device.socket.localPort()), FastPace());
    ASSERT_TRUE(link.open(kLoopback));
    QSignalSpy failed(&link, &MaintenanceLink::registerReceiveFailed);
    link.readRegister(0x20);
    ASSERT_TRUE(failed.wait(kWaitMs));
    EXPECT_FALSE(link.hasRegisterSocket());
}

TEST(MaintenanceLink, ACommandWithinThePauseWaitsAndLeavesOnTheCurrentPair) {
    RegisterDevice device;
    Pace pace = FastPace();
    pace.afterRegisterCommand = 200ms;
    MaintenanceLink link(DeviceAt(device.socket.localPort()), pace);
    ASSERT_TRUE(link.open(kLoopback));
    link.readRegister(0x20);
    link.readRegister(0x21);
    EXPECT_EQ(link.waitingCommands(), 1);
    // A new pair replaces the first one meanwhile; the waiting command takes the new one.
    ASSERT_TRUE(link.open(kLoopback));
    const quint16 newPort = link.registerLocalPort();
    QElapsedTimer bound;
    bound.start();
    while (device.received.size() < 2 && bound.elapsed() < kWaitMs) QTest::qWait(10);
    ASSERT_EQ(device.received.size(), 2u);
    EXPECT_EQ(device.received[1].data().toHex(' '), "30 21");
    EXPECT_EQ(device.received[1].senderPort(), newPort);
}

}  // namespace
}  // namespace tavo
