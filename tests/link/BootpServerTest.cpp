#include "BootpServer.h"
#include "BootpWords.h"

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "BootPFDB.h"

namespace tavo {
namespace {

constexpr int kWaitMs = 5000;
const QHostAddress kLoopback(QHostAddress::LocalHost);
const QHostAddress kLoopbackBroadcast(QStringLiteral("127.255.255.255"));

const char* const kKnownMac = "024B7E0A1B2C";
const char* const kUnknownMac = "024B7E000099";

struct Device {
    int hType;
    int hLen;
    const char* ip;
    const char* mac;
    const char* gateway;
    const char* subnet;
};
const Device kKnown = {1, 6, "192.168.  1. 20", kKnownMac, "192.168.  1.  1", "255.255.255.  0"};
const Device kSentinel = {1, 6, " 10.  0.  0.  7", "024B7E0A0A0A", " 10.  0.  0.  1", "255.  0.  0.  0"};

void AddDevice(const QString& dir, const Device& device) {
    CBootPFDB table(dir.toStdString());
    table.Load();
    table.AddNew();
    table.setHType(device.hType);
    table.setHLen(device.hLen);
    table.setIP(device.ip);
    table.setMAC(device.mac);
    table.setGateway(device.gateway);
    table.setSubnet(device.subnet);
    ASSERT_TRUE(table.Save());
}

int RowCount(const QString& dir) {
    CBootPFDB table(dir.toStdString());
    table.Load();
    return table.getCount();
}

QByteArray MakeRequest(const std::string& mac, quint32 xid, uint8_t op = 1, int length = 300) {
    QByteArray request(300, '\0');
    for (int i = 0; i < 300; ++i) request[i] = char(i * 7 + 3);
    request[0] = char(op);
    for (int i = 0; i < 4; ++i) request[4 + i] = char(xid >> (24 - 8 * i));
    for (int i = 0; i < 6; ++i) request[28 + i] = char(std::stoi(mac.substr(size_t(2 * i), 2), nullptr, 16));
    if (length < 300) request.truncate(length);
    while (request.size() < length) request.append(char(0x5A));
    return request;
}

quint32 Xid(const QByteArray& message) {
    quint32 xid = 0;
    for (int i = 4; i < 8; ++i) xid = (xid << 8) | uint8_t(message[i]);
    return xid;
}

QByteArray ExpectedReply(const QByteArray& request, const Device& device) {
    const auto checked = checkBootpRequest(std::span(reinterpret_cast<const uint8_t*>(request.constData()), size_t(request.size())));
    const auto reply = buildBootpReply(checked.message, makeBootpReplyFields(device.hType, device.hLen, device.ip, device.gateway, device.subnet),
                                       {127, 0, 0, 1});
    return QByteArray(reinterpret_cast<const char*>(reply.data()), qsizetype(reply.size()));
}

// Records what the server tells the page, and answers the unknown-device question the
// way a test scripts it.
class FakeObserver : public BootpServerObserver {
public:
    void bootpStatus(const BootpEvent& event) override { statuses << QString::fromStdString(bootpStatusText(event)); }
    bool bootpUnknownDevice(const MacOctets& mac) override {
        asked << mac;
        return onUnknown ? onUnknown(mac) : false;
    }
    void bootpReadFailed() override { ++readFailures; }
    void bootpStopRequested() override {
        ++stopRequests;
        if (server) server->stop();  // what the page's stop handler does
    }

    QStringList statuses;
    QList<MacOctets> asked;
    int readFailures = 0;
    int stopRequests = 0;
    std::function<bool(const MacOctets&)> onUnknown;
    BootpServer* server = nullptr;
};

// A server on loopback with a free port, replying to the loopback broadcast on the port
// of a receiver bound to 0.0.0.0 (which sees that broadcast).
class ServerBench {
public:
    explicit ServerBench(QAbstractSocket::BindMode receiverMode = QAbstractSocket::DefaultForPlatform) {
        EXPECT_TRUE(dir.isValid());
        for (QUdpSocket* socket : {&receiver, &client}) socket->setProxy(QNetworkProxy::NoProxy);
        EXPECT_TRUE(receiver.bind(QHostAddress(QHostAddress::AnyIPv4), 0, receiverMode));
        AddDevice(dir.path(), kKnown);
        AddDevice(dir.path(), kSentinel);
        LinkConfig config;
        config.bootpServerPort = 0;
        config.bootpClientPort = receiver.localPort();
        config.broadcast = kLoopbackBroadcast;
        server.emplace(config, dir.path(), observer);
        observer.server = &*server;
    }

    bool start() {
        if (!server->start()) return false;
        observer.statuses.clear();
        return true;
    }

    // Sends one datagram to the server and waits until the server has handled it.
    bool send(const QByteArray& datagram) {
        QSignalSpy handled(&*server, &BootpServer::requestHandled);
        client.writeDatagram(datagram, kLoopback, server->localPort());
        return handled.wait(kWaitMs);
    }

    std::optional<QByteArray> nextReply() {
        if (!receiver.hasPendingDatagrams() && !receiver.waitForReadyRead(kWaitMs)) return std::nullopt;
        return receiver.receiveDatagram().data();
    }

    // No reply is on its way: the reply to a known device's request, sent after, is the
    // next one to arrive.
    void expectNoReply() {
        const QByteArray sentinel = MakeRequest(kSentinel.mac, 0x5E5E5E5E);
        ASSERT_TRUE(send(sentinel));
        const auto reply = nextReply();
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(Xid(*reply), 0x5E5E5E5Eu) << "an unexpected reply came first";
    }

    QTemporaryDir dir;
    QUdpSocket receiver;
    QUdpSocket client;
    FakeObserver observer;
    std::optional<BootpServer> server;
};

const QString kReceived = QStringLiteral("Ricevuto..");
const QString kAccepted = QStringLiteral("Socket BootP  Accettato..");

TEST(BootpServer, KnownDeviceGetsItsReplyFromTheTable) {
    ServerBench bench;
    ASSERT_TRUE(bench.server->start());
    EXPECT_EQ(bench.observer.statuses,
              (QStringList{"Inizializzazione del BootP Server..", "In attesa di richeste BootP ...."}));
    bench.observer.statuses.clear();

    const QByteArray request = MakeRequest(kKnownMac, 0x12345678);
    ASSERT_TRUE(bench.send(request));
    const auto reply = bench.nextReply();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->size(), 300);
    EXPECT_EQ(reply->mid(16, 12).toHex(), QByteArray("c0a801147f000001c0a80101"));  // yiaddr siaddr giaddr
    EXPECT_EQ(reply->mid(242, 4).toHex(), QByteArray("ffffff00"));
    EXPECT_EQ(*reply, ExpectedReply(request, kKnown));
    EXPECT_EQ(bench.observer.statuses,
              (QStringList{kReceived, kAccepted, "Invio della replica BootP  all'indirizzo IP [ 192.168.  1. 20 ]"}));
    EXPECT_EQ(bench.server->lastMac(), (MacOctets{0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C}));
    EXPECT_TRUE(bench.server->isRunning());
    EXPECT_FALSE(bench.server->isBusy());
}

TEST(BootpServer, RequestVariants) {
    enum class Answer { NotAsked, Confirm, Cancel, ChangeMac };
    struct Case {
        const char* name;
        QByteArray request;
        Answer answer;
        QStringList statuses;          // after the start texts
        std::optional<Device> replyFrom;  // the entry the reply carries, if any
        int rows;                      // "bootp.ini" afterwards
        bool running;
    };
    const Device added = {1, 6, "192.168.  1. 99", kUnknownMac, "192.168.  1.  1", "255.255.255.  0"};
    const Case cases[] = {
        {"another vendor prefix", MakeRequest("024B7F0A1B2C", 1), Answer::NotAsked, {}, std::nullopt, 2, true},
        {"op 2", MakeRequest(kKnownMac, 2, 2), Answer::NotAsked,
         {kReceived, "Socket BootP non valido.. Annullo operazione.."}, std::nullopt, 2, true},
        {"unknown device, entry confirmed", MakeRequest(kUnknownMac, 3), Answer::Confirm,
         {kReceived, kAccepted, "Invio della replica BootP  all'indirizzo IP [ 192.168.  1. 99 ]"}, added, 3, true},
        {"unknown device, entry cancelled", MakeRequest(kUnknownMac, 4), Answer::Cancel,
         {kReceived, kAccepted, "BootP interrotto .."}, std::nullopt, 2, false},
        {"unknown device, MAC changed in the entry", MakeRequest(kUnknownMac, 5), Answer::ChangeMac,
         {kReceived, kAccepted, "INDIRIZZO H/W , 024B7E000099 , NON TROVATO .."}, std::nullopt, 3, true},
        {"request of 240 bytes", MakeRequest(kKnownMac, 6, 1, 240), Answer::NotAsked,
         {kReceived, kAccepted, "Invio della replica BootP  all'indirizzo IP [ 192.168.  1. 20 ]"}, kKnown, 2, true},
        {"request of 420 bytes", MakeRequest(kKnownMac, 7, 1, 420), Answer::NotAsked,
         {kReceived, kAccepted, "Invio della replica BootP  all'indirizzo IP [ 192.168.  1. 20 ]"}, kKnown, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServerBench bench;
        bench.observer.onUnknown = [&](const MacOctets&) {
            Device entered = added;
            if (c.answer == Answer::ChangeMac) entered.mac = "024B7E000098";
            if (c.answer != Answer::Cancel) AddDevice(bench.dir.path(), entered);
            return c.answer != Answer::Cancel;
        };
        ASSERT_TRUE(bench.start());
        ASSERT_TRUE(bench.send(c.request));

        EXPECT_EQ(bench.observer.statuses, c.statuses);
        const QList<MacOctets> expectedAsked =
            c.answer == Answer::NotAsked ? QList<MacOctets>{} : QList<MacOctets>{{0x02, 0x4B, 0x7E, 0x00, 0x00, 0x99}};
        EXPECT_EQ(bench.observer.asked, expectedAsked);
        EXPECT_EQ(bench.server->isRunning(), c.running);
        EXPECT_EQ(bench.observer.stopRequests, c.answer == Answer::Cancel ? 1 : 0);
        if (c.replyFrom) {
            const auto reply = bench.nextReply();
            ASSERT_TRUE(reply.has_value());
            EXPECT_EQ(*reply, ExpectedReply(c.request, *c.replyFrom));
        }
        if (c.running) {
            bench.expectNoReply();
        } else {
            EXPECT_FALSE(bench.receiver.hasPendingDatagrams());
        }
        EXPECT_EQ(RowCount(bench.dir.path()), c.rows);
    }
}

TEST(BootpServer, RequestsArrivingWhileTheEntryIsOpenAreDropped) {
    ServerBench bench;
    bool busyDuringEntry = false;
    bench.observer.onUnknown = [&](const MacOctets&) {
        busyDuringEntry = bench.server->isBusy();
        // A known device asks while the operator types: the nested event loop of the
        // dialog lets the server read that request, and it must drop it.
        QSignalSpy handled(&*bench.server, &BootpServer::requestHandled);
        bench.client.writeDatagram(MakeRequest(kKnownMac, 0xB0B0), kLoopback, bench.server->localPort());
        EXPECT_TRUE(handled.wait(kWaitMs));
        AddDevice(bench.dir.path(), {1, 6, "192.168.  1. 99", kUnknownMac, "0.0.0.0", "255.255.255.  0"});
        return true;
    };
    ASSERT_TRUE(bench.start());
    ASSERT_TRUE(bench.send(MakeRequest(kUnknownMac, 0xA0A0)));

    const auto reply = bench.nextReply();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(Xid(*reply), 0xA0A0u);
    bench.expectNoReply();  // the dropped request got none
    EXPECT_TRUE(busyDuringEntry);
    EXPECT_EQ(bench.observer.statuses.count(kReceived), 2);  // the unknown device, then the sentinel
}

TEST(BootpServer, PortThatCannotBeOpenedIsReportedAndTheServerStaysStopped) {
    const struct {
        const char* name;
        QAbstractSocket::BindMode blockerMode;
    } cases[] = {
        {"held without sharing", QAbstractSocket::DontShareAddress},
        {"held with address reuse", QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QUdpSocket blocker;
        blocker.setProxy(QNetworkProxy::NoProxy);
        ASSERT_TRUE(blocker.bind(QHostAddress(QHostAddress::AnyIPv4), 0, c.blockerMode));
        FakeObserver observer;
        LinkConfig config;
        config.bootpServerPort = blocker.localPort();
        config.broadcast = kLoopbackBroadcast;
        BootpServer server(config, QString(), observer);

        EXPECT_FALSE(server.start());
        EXPECT_FALSE(server.isRunning());
        EXPECT_FALSE(bootpStartFailureReason(server.startFailure()).empty());
        ASSERT_EQ(observer.statuses.size(), 2);
        EXPECT_EQ(observer.statuses[0], "Inizializzazione del BootP Server..");
        EXPECT_TRUE(observer.statuses[1].startsWith(QStringLiteral("Impossibile aprire la porta BootP %1 (").arg(blocker.localPort())))
            << observer.statuses[1].toStdString();
        EXPECT_TRUE(observer.statuses[1].endsWith(" .. BootP non avviato .."));
    }
}

TEST(BootpServer, InterfaceThatDoesNotExistIsReportedAndTheServerStaysStopped) {
    FakeObserver observer;
    LinkConfig config;
    config.bootpServerPort = 0;
    config.interfaceName = QStringLiteral("tavo-none0");
    BootpServer server(config, QString(), observer);
    EXPECT_FALSE(server.start());
    EXPECT_FALSE(server.isRunning());
    EXPECT_EQ(observer.statuses.value(1),
              "Impossibile aprire la porta BootP 0 (interfaccia tavo-none0 non trovata) .. BootP non avviato ..");
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Writes over the file's bytes in place (same inode, same size) and sets its
// modification time back, so that only the content and the status-change time differ.
void RewriteInPlaceKeepingTheTime(const std::string& path, const std::string& content) {
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    {
        std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
        out.write(content.data(), std::streamsize(content.size()));
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(BootpServer, ChangeToTheTableIsSeenByTheVeryNextRequest) {
    const struct {
        const char* name;
        std::function<void(const QString& dir, const std::string& path)> change;
        std::optional<const char*> servedIp;  // nullopt: no longer in the table
    } cases[] = {
        {"rewritten in place, same size, same time",
         [](const QString&, const std::string& path) {
             std::string content = ReadAll(path);
             const size_t at = content.find("192.168.  1. 20");
             ASSERT_NE(at, std::string::npos);
             content.replace(at, 15, "192.168.  1. 21");
             RewriteInPlaceKeepingTheTime(path, content);
         },
         "192.168.  1. 21"},
        {"saved by the table",
         [](const QString& dir, const std::string&) {
             CBootPFDB table(dir.toStdString());
             table.Load();
             table.SetPosition(table.FindByMac(kKnownMac));
             table.setIP("192.168.  1.155");
             ASSERT_TRUE(table.Save());
         },
         "192.168.  1.155"},
        {"file removed", [](const QString&, const std::string& path) { std::remove(path.c_str()); }, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ServerBench bench;
        bench.observer.onUnknown = [](const MacOctets&) { return true; };  // entry left empty
        ASSERT_TRUE(bench.start());
        ASSERT_TRUE(bench.send(MakeRequest(kKnownMac, 1)));
        ASSERT_TRUE(bench.nextReply().has_value());

        c.change(bench.dir.path(), CBootPFDB(bench.dir.path().toStdString()).GetPath());
        bench.observer.statuses.clear();
        ASSERT_TRUE(bench.send(MakeRequest(kKnownMac, 2)));
        if (c.servedIp) {
            EXPECT_EQ(bench.observer.statuses.value(2),
                      QStringLiteral("Invio della replica BootP  all'indirizzo IP [ %1 ]").arg(*c.servedIp));
            const auto reply = bench.nextReply();
            ASSERT_TRUE(reply.has_value());
            EXPECT_EQ(Xid(*reply), 2u);
        } else {
            EXPECT_EQ(bench.observer.statuses.value(2), "INDIRIZZO H/W , 024B7E0A1B2C , NON TROVATO ..");
        }
    }
}

}  // namespace
}  // namespace tavo

namespace tavo {
namespace {

// The receiver holds the client port without sharing it, as a client of another make may:
// the server starts and serves all the same, and logs each datagram with its outcome.
TEST(BootpServer, RequestLogRecordsEveryDatagramWithItsOutcome) {
    ServerBench bench;
    bench.observer.onUnknown = [](const MacOctets&) { return true; };  // left out of the table
    QList<BootpRequestRecord> records;
    QObject::connect(&*bench.server, &BootpServer::requestSeen, [&](const BootpRequestRecord& r) { records << r; });
    ASSERT_TRUE(bench.start());
    const struct {
        const char* name;
        QByteArray datagram;
        bool ofFamily;
        BootpRequestOutcome outcome;
        Ipv4Octets address;
        int replySize;
    } cases[] = {
        {"known", MakeRequest(kKnownMac, 1), true, BootpRequestOutcome::Answered, {192, 168, 1, 20}, 300},
        {"not in the table", MakeRequest(kUnknownMac, 2), true, BootpRequestOutcome::Unknown, {}, 0},
        {"another prefix", MakeRequest("024B7F0A1B2C", 3), false, BootpRequestOutcome::Refused, {}, 0},
        {"op 2", MakeRequest(kKnownMac, 4, 2), true, BootpRequestOutcome::NotBootp, {}, 0},
        {"short", MakeRequest(kKnownMac, 5, 1, 40), true, BootpRequestOutcome::Answered, {192, 168, 1, 20}, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        records.clear();
        const QDateTime before = QDateTime::currentDateTimeUtc();
        ASSERT_TRUE(bench.send(c.datagram));
        ASSERT_EQ(records.size(), 1);
        const BootpRequestRecord& r = records[0];
        EXPECT_EQ(r.ofFamily, c.ofFamily);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.address, c.address);
        EXPECT_EQ(r.replySize, c.replySize);
        EXPECT_EQ(FormatMac(r.mac), c.datagram.mid(28, 6).toHex().toUpper().toStdString());
        EXPECT_EQ(r.sender, kLoopback);
        EXPECT_EQ(r.senderPort, bench.client.localPort());
        EXPECT_EQ(r.interfaceName, "lo");
        EXPECT_GE(r.time, before.addMSecs(-1));
        EXPECT_LE(r.time, QDateTime::currentDateTimeUtc());
    }
}

TEST(BootpServer, RivalServerIsReportedOncePerServerAndNeverItsOwnReplies) {
    ServerBench bench(QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    ASSERT_TRUE(bench.start());
    QSignalSpy rivals(&*bench.server, &BootpServer::rivalServerSeen);
    // The server's own reply, heard on the client port like any other.
    ASSERT_TRUE(bench.send(MakeRequest(kKnownMac, 1)));
    ASSERT_TRUE(bench.nextReply().has_value());

    const auto replyFrom = [&](const char* address, const std::string& mac) {
        QUdpSocket rival;
        rival.setProxy(QNetworkProxy::NoProxy);
        ASSERT_TRUE(rival.bind(QHostAddress(QString::fromLatin1(address)), 0));
        rival.writeDatagram(MakeRequest(mac, 9, 2), kLoopbackBroadcast, bench.receiver.localPort());
    };
    replyFrom("127.0.0.2", kKnownMac);
    replyFrom("127.0.0.2", kUnknownMac);       // the same server again
    replyFrom("127.0.0.4", "024B7F0A1B2C");    // a reply to another make's device
    replyFrom("127.0.0.3", kUnknownMac);
    QDeadlineTimer deadline(kWaitMs);
    while (rivals.size() < 2 && rivals.wait(int(std::max<qint64>(1, deadline.remainingTime())))) {}
    ASSERT_EQ(rivals.size(), 2);
    const auto rival = [&](int i) { return rivals[i][0].value<BootpRivalServer>(); };
    EXPECT_EQ(rival(0).server, QHostAddress(QStringLiteral("127.0.0.2")));
    EXPECT_EQ(FormatMac(rival(0).mac), kKnownMac);
    EXPECT_EQ(rival(1).server, QHostAddress(QStringLiteral("127.0.0.3")));
    EXPECT_EQ(FormatMac(rival(1).mac), kUnknownMac);
}

}  // namespace
}  // namespace tavo
