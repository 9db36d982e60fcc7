// `tavo bootp serve` on loopback: its lines, unknown devices left unanswered or given an
// address from the pool, the port that cannot be opened, and the clean end on a signal.
#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <csignal>
#include <optional>

#include "BootPFDB.h"
#include "IPFDB.h"

namespace tavo {
namespace {

constexpr int kWaitMs = 10000;
const QHostAddress kLoopback(QHostAddress::LocalHost);

QByteArray Request(const char* mac12, quint8 xid) {
    QByteArray request(300, '\0');
    request[0] = 1;
    request[7] = char(xid);
    const QByteArray mac = QByteArray::fromHex(mac12);
    for (int i = 0; i < 6; ++i) request[28 + i] = mac[i];
    return request;
}

void AddKnownDevice(const QString& dir) {
    CBootPFDB table(dir.toStdString());
    table.Load();
    table.AddNew();
    table.setHType(1);
    table.setHLen(6);
    table.setIP("192.168.  1. 20");
    table.setMAC("024B7E0A1B2C");
    table.setGateway("192.168.  1.  1");
    table.setSubnet("255.255.255.  0");
    ASSERT_TRUE(table.Save());
}

class ServeProcess {
public:
    ~ServeProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kWaitMs);
        }
    }

    bool start(const QStringList& extra, const QString& dir, quint16 replyPort) {
        process.start(TAVO_CLI_EXE, QStringList{"bootp", "serve", "--data-dir", dir, "--port", "0", "--reply-port",
                                                QString::number(replyPort), "--broadcast", "127.255.255.255"} +
                                        extra);
        QString ready;
        if (!waitLine("ready port ", &ready)) return false;
        port = quint16(ready.section(' ', 2).toUInt());
        return port != 0;
    }

    bool waitLine(const QString& prefix, QString* found = nullptr) {
        QDeadlineTimer deadline(kWaitMs);
        for (;;) {
            while (process.canReadLine()) lines << QString::fromUtf8(process.readLine()).chopped(1);
            for (; next < lines.size(); ++next) {
                if (!lines[next].startsWith(prefix)) continue;
                if (found) *found = lines[next];
                ++next;
                return true;
            }
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning) return false;
            process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        }
    }

    // Sends the signal; true when the server then ends with status 0 after saying so.
    bool endWith(int signalNumber) {
        ::kill(pid_t(process.processId()), signalNumber);
        return process.waitForFinished(kWaitMs) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
               waitLine("BootP interrotto ..");
    }

    QProcess process;
    QStringList lines;
    int next = 0;
    quint16 port = 0;
};

struct Bench {
    Bench() {
        for (QUdpSocket* socket : {&receiver, &client}) socket->setProxy(QNetworkProxy::NoProxy);
        EXPECT_TRUE(receiver.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
        AddKnownDevice(dir.path());
    }
    std::optional<QByteArray> reply() {
        if (!receiver.hasPendingDatagrams() && !receiver.waitForReadyRead(kWaitMs)) return std::nullopt;
        return receiver.receiveDatagram().data();
    }
    QTemporaryDir dir;
    QUdpSocket receiver;
    QUdpSocket client;
};

TEST(BootpCli, AnswersKnownDevicesAndLeavesUnknownOnesUnanswered) {
    Bench bench;
    ServeProcess serve;
    ASSERT_TRUE(serve.start({}, bench.dir.path(), bench.receiver.localPort()));
    EXPECT_EQ(serve.lines.mid(0, 2), (QStringList{"Inizializzazione del BootP Server..", "In attesa di richeste BootP ...."}));

    bench.client.writeDatagram(Request("024B7E000099", 1), kLoopback, serve.port);
    bench.client.writeDatagram(Request("024B7E0A1B2C", 2), kLoopback, serve.port);
    const auto reply = bench.reply();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->at(7), 2);  // the unknown device got nothing before it
    EXPECT_EQ(reply->mid(16, 4).toHex(), "c0a80114");
    EXPECT_EQ(reply->mid(20, 4).toHex(), "7f000001");

    const QString from = QStringLiteral("from 127.0.0.1:%1: ").arg(bench.client.localPort());
    ASSERT_TRUE(serve.waitLine("reply 024B7E0A1B2C"));
    EXPECT_EQ(serve.lines.mid(3),
              (QStringList{"request 024B7E000099 on lo " + from + "Socket BootP  Accettato..",
                           "unknown 024B7E000099: not in bootp.ini, left unanswered",
                           "no reply 024B7E000099 on lo: INDIRIZZO H/W , 024B7E000099 , NON TROVATO ..",
                           "request 024B7E0A1B2C on lo " + from + "Socket BootP  Accettato..",
                           "reply 024B7E0A1B2C on lo: Invio della replica BootP  all'indirizzo IP [ 192.168.  1. 20 ]"}));
    EXPECT_TRUE(serve.endWith(SIGTERM));
}

TEST(BootpCli, AddsUnknownDevicesFromThePoolWhenAskedTo) {
    Bench bench;
    ServeProcess serve;
    // .20 is taken by the known device and .0 is never given.
    ASSERT_TRUE(serve.start({"--add-unknown", "--ip-pool", "192.168.1.0-192.168.1.21", "--gateway", "192.168.1.1"},
                            bench.dir.path(), bench.receiver.localPort()));
    bench.client.writeDatagram(Request("024B7E000099", 1), kLoopback, serve.port);
    const auto reply = bench.reply();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->mid(16, 4).toHex(), "c0a80101");
    ASSERT_TRUE(serve.waitLine("added 024B7E000099 ip 192.168.1.1"));

    bench.client.writeDatagram(Request("024B7E000098", 2), kLoopback, serve.port);
    ASSERT_TRUE(bench.reply().has_value());
    ASSERT_TRUE(serve.waitLine("added 024B7E000098 ip 192.168.1.2"));
    EXPECT_TRUE(serve.endWith(SIGINT));

    CBootPFDB table(bench.dir.path().toStdString());
    table.Load();
    ASSERT_EQ(table.getCount(), 3);
    table.SetPosition(1);
    EXPECT_EQ(table.getIP(), "192.168.  1.  1");
    EXPECT_EQ(table.getMAC(), "024B7E000099");
    EXPECT_EQ(table.getGateway(), "192.168.  1.  1");
    EXPECT_EQ(table.getSubnet(), "255.255.255.  0");
    CIPFDB history(bench.dir.path().toStdString());
    history.Load();
    EXPECT_EQ(history.getCount(), 2);  // both addresses recorded, as the entry dialog does
}

TEST(BootpCli, RefusesWhatItCannotDo) {
    QUdpSocket blocker;
    blocker.setProxy(QNetworkProxy::NoProxy);
    ASSERT_TRUE(blocker.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QAbstractSocket::DontShareAddress));
    const struct {
        const char* name;
        QStringList args;
        int status;
        const char* stderrText;
    } cases[] = {
        {"port held by another server", {"--port", QString::number(blocker.localPort())}, 1,
         "the BootP server did not start"},
        {"not a port", {"--port", "70000"}, 2, "--port: not a port number"},
        {"not a broadcast address", {"--broadcast", "10.1"}, 2, "--broadcast: not an IPv4 address"},
        {"pool without --add-unknown", {"--ip-pool", "10.0.0.1-10.0.0.9"}, 2, "go with --add-unknown"},
        {"pool upside down", {"--add-unknown", "--ip-pool", "10.0.0.9-10.0.0.1"}, 2, "--ip-pool: not a range"},
        {"no such action", {"start"}, 2, "usage: tavo bootp serve"},
        {"log that cannot be written", {"--log", "/nonexistent-folder/requests.jsonl"}, 1,
         "--log: cannot open /nonexistent-folder/requests.jsonl"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess tavo;
        tavo.start(TAVO_CLI_EXE, QStringList{"bootp"} + (c.args.contains("start") ? QStringList{} : QStringList{"serve"}) +
                                     QStringList{"--data-dir", dir.path(), "--reply-port", "9"} + c.args);
        ASSERT_TRUE(tavo.waitForFinished(kWaitMs));
        EXPECT_EQ(tavo.exitCode(), c.status);
        EXPECT_TRUE(tavo.readAllStandardError().contains(c.stderrText));
    }
}

}  // namespace
}  // namespace tavo
