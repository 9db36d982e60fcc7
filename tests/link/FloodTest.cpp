// Floods of malformed datagrams from loopback at every socket of the utility that reads
// datagrams: the BootP server port, the IP search socket, and the register socket of
// the maintenance link. Nothing crashes, the event loop of the thread that
// owns the sockets keeps running (its longest stall is measured and printed), the
// tables stay as they were, and each socket does its work right after.
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "BootPFDB.h"
#include "BootpServer.h"
#include "Flood.h"
#include "IpSearchEngine.h"
#include "Loopback.h"
#include "private/MaintenanceLink.h"

namespace tavo {
namespace {

using test::kLoopback;
using test::kLoopbackBroadcast;
using test::LoopbackFlooder;
using test::StallMeter;

constexpr int kDatagrams = 100000;
constexpr int kFloodWaitMs = 180000;
// Generous: the event loop must never be held up for long, but the machine that runs the
// suite under a sanitizer is shared; the figure itself is printed.
constexpr int kStallBoundMs = 2000;
const MacOctets kKnownMac = {0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C};

std::map<QString, QByteArray> folderBytes(const QString& dir) {
    std::map<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::Files)) {
        QFile file(dir + "/" + name);
        file.open(QIODevice::ReadOnly);
        files[name] = file.readAll();
    }
    return files;
}

// Runs the flood on a thread of its own while this thread runs its event loop with a
// fast timer that measures the loop's stalls.
struct FloodRun {
    int sent = 0;
    std::chrono::milliseconds longestStall{0};

    void run(LoopbackFlooder& flooder, const std::atomic<uint16_t>& port, unsigned seed,
             const std::function<void(std::vector<uint8_t>&, int)>& shape = {}) {
        StallMeter meter;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] { meter.tick(); });
        ticker.start();
        std::atomic<bool> done{false};
        std::thread sender([&] {
            sent = flooder.flood(port, kDatagrams, seed, shape);
            done = true;
        });
        // A real event loop (a wait helper that sleeps between its rounds would itself be
        // the stall), left when the sender is done or at the bound.
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (done) loop.quit();
        });
        poll.start(20);
        QTimer::singleShot(kFloodWaitMs, &loop, &QEventLoop::quit);
        loop.exec();
        sender.join();
        EXPECT_TRUE(done.load());
        // What is still queued is read before the stall figure is taken.
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
        longestStall = meter.longest();
    }
};

void report(const char* target, const FloodRun& run, int handled) {
    std::printf("%s: %d of %d datagrams sent, %d handled, longest event loop stall %lld ms\n", target, run.sent,
                kDatagrams, handled, static_cast<long long>(run.longestStall.count()));
}

class QuietObserver : public BootpServerObserver {
public:
    void bootpStatus(const BootpEvent&) override {}
    bool bootpUnknownDevice(const MacOctets&) override {
        ++unknown;
        return false;
    }
    void bootpReadFailed() override { ++readFailures; }
    void bootpStopRequested() override {}
    int unknown = 0;
    int readFailures = 0;
};

TEST(Flood, BootpServerReadsEveryMalformedDatagramAndStillAnswers) {
    QTemporaryDir dir;
    {
        CBootPFDB table(dir.path().toStdString());
        table.AddNew();
        table.SetRecord(1, 6, "192.168.  1. 20", "024B7E0A1B2C", "192.168.  1.  1", "255.255.255.  0");
        ASSERT_TRUE(table.Save());
    }
    const auto before = folderBytes(dir.path());
    test::PeerSocket receiver;
    ASSERT_TRUE(receiver.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
    LinkConfig config;
    config.bootpServerPort = 0;
    config.bootpClientPort = receiver.localPort();
    config.broadcast = kLoopbackBroadcast;
    QuietObserver observer;
    BootpServer server(config, dir.path(), observer);
    ASSERT_TRUE(server.start());
    int handled = 0;
    QObject::connect(&server, &BootpServer::requestHandled, [&] { ++handled; });

    LoopbackFlooder flooder;
    const std::atomic<uint16_t> port{server.localPort()};
    FloodRun run;
    // Every eighth datagram carries the family's hardware address with an operation that
    // is not a request; no datagram is a request of the family (that would be a device
    // to enter, not a malformed datagram).
    run.run(flooder, port, 13, [](std::vector<uint8_t>& d, int i) {
        if (d.size() > 33 && i % 8 == 0) {
            std::copy(DEVICE_OUI.begin(), DEVICE_OUI.end(), d.begin() + 28);
            if (d[0] == BOOTP_OP_REQUEST) d[0] = 0;
        } else if (d.size() > 30 && d[28] == DEVICE_OUI[0] && d[29] == DEVICE_OUI[1] && d[30] == DEVICE_OUI[2]) {
            d[28] = 0;
        }
    });
    report("BootP server", run, handled);
    EXPECT_LT(run.longestStall.count(), kStallBoundMs);
    EXPECT_EQ(observer.unknown, 0);
    EXPECT_EQ(observer.readFailures, 0);
    EXPECT_TRUE(server.isRunning());

    // A valid request right after is answered.
    std::vector<uint8_t> request(BOOTP_MESSAGE_SIZE, 0);
    request[0] = BOOTP_OP_REQUEST;
    request[4] = 0x77;
    std::copy(kKnownMac.begin(), kKnownMac.end(), request.begin() + 28);
    ASSERT_TRUE(flooder.send(server.localPort(), request));
    ASSERT_TRUE(QTest::qWaitFor([&] { return receiver.hasPendingDatagrams(); }, test::kWaitMs));
    const QByteArray reply = receiver.receiveDatagram().data();
    ASSERT_EQ(reply.size(), 300);
    EXPECT_EQ(uint8_t(reply[0]), BOOTP_OP_REPLY);
    EXPECT_EQ(uint8_t(reply[4]), 0x77);
    EXPECT_EQ(reply.mid(16, 4).toHex(), QByteArray("c0a80114"));
    EXPECT_EQ(folderBytes(dir.path()), before);
}

TEST(Flood, SearchSocketTakesMalformedRepliesAndStillFindsTheDevice) {
    LoopbackFlooder sink;  // the device port the requests go to
    LinkConfig config;
    config.devicePort = sink.port();
    config.broadcast = kLoopbackBroadcast;
    QTemporaryDir history;  // the MAC history the search records in
    IpSearchEngine search({config, Pace::immediate(), [] { return kKnownMac; }, history.path().toStdString(), {}});
    const CMacHistoryFDB::Values entry{kKnownMac[0], kKnownMac[1], kKnownMac[2], kKnownMac[3], kKnownMac[4], kKnownMac[5]};
    std::atomic<uint16_t> port{0};
    int handled = 0;
    // A reply ends the search; it is started again, as an operator would, so that the
    // flood keeps meeting an open search socket.
    auto restart = [&] {
        ++handled;
        port = 0;
        QTimer::singleShot(0, &search, [&] {
            if (!search.isSearching() && search.start(entry)) port = search.localPort();
        });
    };
    QObject::connect(&search, &IpSearchEngine::found, restart);
    QObject::connect(&search, &IpSearchEngine::otherDevice, restart);
    QObject::connect(&search, &IpSearchEngine::receiveFailed, [&] { ++handled; });
    ASSERT_TRUE(search.start(entry));
    port = search.localPort();

    LoopbackFlooder flooder;
    FloodRun run;
    // A reply that happened to carry the searched MAC would be a find, not a malformed one.
    run.run(flooder, port, 17, [](std::vector<uint8_t>& d, int) {
        if (d.size() > 1) d[1] ^= 0x80;
    });
    report("IP search socket", run, handled);
    EXPECT_LT(run.longestStall.count(), kStallBoundMs);

    (void)QTest::qWaitFor([&] { return search.isSearching(); }, test::kWaitMs);
    ASSERT_TRUE(search.isSearching());
    search.sendNow();
    QSignalSpy found(&search, &IpSearchEngine::found);
    std::vector<uint8_t> reply(11, 0);
    reply[0] = CMD_IP_SEARCH;
    std::copy(kKnownMac.begin(), kKnownMac.end(), reply.begin() + 1);
    reply[7] = 192, reply[8] = 168, reply[9] = 1, reply[10] = 20;
    ASSERT_TRUE(flooder.send(search.localPort(), reply));
    ASSERT_TRUE(found.wait(test::kWaitMs));
    EXPECT_EQ(found.at(0).at(0).value<Ipv4Octets>(), (Ipv4Octets{192, 168, 1, 20}));
}

TEST(Flood, TheRegisterSocketTakesMalformedRepliesAndStillReads) {
    // The flooder plays the device: the socket is connected to its port, so only it reaches it.
    LoopbackFlooder device;
    LinkConfig config;
    config.devicePort = device.port();
    MaintenanceLink link(config, Pace::immediate());
    ASSERT_TRUE(link.open(kLoopback));
    {
        std::atomic<uint16_t> port{link.registerLocalPort()};
        int handled = 0;
        // A receive that fails (a datagram longer than the buffer) closes the socket; it is
        // made anew, as the next operation would, so the flood keeps meeting it.
        auto reopen = [&] {
            port = 0;
            QTimer::singleShot(0, &link, [&] {
                if (link.open(kLoopback)) port = link.registerLocalPort();
            });
        };
        QMetaObject::Connection failed = QObject::connect(&link, &MaintenanceLink::registerReceiveFailed, reopen);
        QMetaObject::Connection arrived = QObject::connect(&link, &MaintenanceLink::registerReplyArrived, [&] { ++handled; });
        FloodRun run;
        run.run(device, port, 23);
        report("register socket", run, handled);
        EXPECT_LT(run.longestStall.count(), kStallBoundMs);
        QObject::disconnect(failed);
        QObject::disconnect(arrived);
        (void)QTest::qWaitFor([&] { return link.hasRegisterSocket(); }, test::kWaitMs);
    }
    // The socket still reads a register.
    ASSERT_TRUE(link.hasRegisterSocket());
    QSignalSpy value(&link, &MaintenanceLink::registerValueReceived);
    ASSERT_TRUE(device.send(link.registerLocalPort(), {CMD_REGISTER_READ, 0x42}));
    ASSERT_TRUE(value.wait(test::kWaitMs));
    EXPECT_EQ(value.at(0).at(0).value<uint8_t>(), 0x42);
}

}  // namespace
}  // namespace tavo
