#include "BootpServer.h"

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
    void bootpStatus(const QString& text) override { statuses << text; }
    bool bootpUnknownDevice(const QStringList& macParts) override {
        asked << macParts;
        return onUnknown ? onUnknown(macParts) : false;
    }
    void bootpReadFailed() override { ++readFailures; }
    void bootpStopRequested() override {
        ++stopRequests;
        if (server) server->stop();  // what the page's stop handler does
    }

    QStringList statuses;
    QList<QStringList> asked;
    int readFailures = 0;
    int stopRequests = 0;
    std::function<bool(const QStringList&)> onUnknown;
    BootpServer* server = nullptr;
};

// A server on loopback with a free port, replying to the loopback broadcast on the port
// of a receiver bound to 0.0.0.0 (which sees that broadcast).
class ServerBench {
public:
    ServerBench() {
        EXPECT_TRUE(dir.isValid());
        for (QUdpSocket* socket : {&receiver, &client}) socket->setProxy(QNetworkProxy::NoProxy);
        EXPECT_TRUE(receiver.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
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
    EXPECT_EQ(bench.server->macParts(), (QStringList{"02", "4B", "7E", "0A", "1B", "2C"}));
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
        bench.observer.onUnknown = [&](const QStringList&) {
            Device entered = added;
            if (c.answer == Answer::ChangeMac) entered.mac = "024B7E000098";
            if (c.answer != Answer::Cancel) AddDevice(bench.dir.path(), entered);
            return c.answer != Answer::Cancel;
        };
        ASSERT_TRUE(bench.start());
        ASSERT_TRUE(bench.send(c.request));

        EXPECT_EQ(bench.observer.statuses, c.statuses);
        const QList<QStringList> expectedAsked =
            c.answer == Answer::NotAsked ? QList<QStringList>{} : QList<QStringList>{{"02", "4B", "7E", "00", "00", "99"}};
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
    bench.observer.onUnknown = [&](const QStringList&) {
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
        EXPECT_FALSE(server.errorString().isEmpty());
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
        bench.observer.onUnknown = [](const QStringList&) { return true; };  // entry left empty
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
