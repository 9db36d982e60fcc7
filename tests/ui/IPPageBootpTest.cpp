// The BootP server as the IP configuration page runs it, on loopback: the server port is
// a free one, replies go to the loopback broadcast on the port of a receiver bound to
// 0.0.0.0, which sees that broadcast.
#include <QFile>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <optional>

#include "BootpServer.h"
#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "bootp/IPPage.h"

namespace tavo {
namespace {

using test::FakePrompts;
using Message = FakePrompts::Message;

constexpr int kWaitMs = 5000;
const QHostAddress kLoopback(QHostAddress::LocalHost);

const char* const kKnownMac = "024B7E0A1B2C";
const char* const kSentinelMac = "024B7E0A0A0A";
const char* const kUnknownMac = "024B7E000099";

const QString kWaitingForRequests = QStringLiteral("In attesa di richeste BootP ....");
const QString kStopped = QStringLiteral("BootP interrotto ..");

QByteArray DeviceTable() {
    const char* const form = "\r\n[%1]\r\nHType : 1 \r\nhlen : 6 \r\nIP : %2 \r\nMAC : %3 \r\nGateway : %4 \r\nSubnet : %5\r\n";
    return (QString::fromLatin1(form).arg(1).arg("192.168.  1. 20", kKnownMac, "192.168.  1.  1", "255.255.255.  0") +
            QString::fromLatin1(form).arg(2).arg(" 10.  0.  0.  7", kSentinelMac, " 10.  0.  0.  1", "255.  0.  0.  0"))
        .toLatin1();
}

QByteArray MakeRequest(const QString& mac, quint32 xid, char op = 1) {
    QByteArray request(300, '\0');
    for (int i = 0; i < request.size(); ++i) request[i] = char(i * 5 + 1);
    request[0] = op;
    for (int i = 0; i < 4; ++i) request[4 + i] = char(xid >> (24 - 8 * i));
    const QByteArray chaddr = QByteArray::fromHex(mac.toLatin1());
    for (int i = 0; i < chaddr.size(); ++i) request[28 + i] = chaddr[i];
    return request;
}

quint32 Xid(const QByteArray& message) {
    quint32 xid = 0;
    for (int i = 4; i < 8; ++i) xid = (xid << 8) | uint8_t(message[i]);
    return xid;
}

class IPPageBootpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(receiver.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
        test::WriteFileBytes(dir.filePath(QStringLiteral("bootp.ini")), DeviceTable());
        context.link.bootpServerPort = 0;
        context.link.bootpClientPort = receiver.localPort();
        context.link.broadcast = QHostAddress(QStringLiteral("127.255.255.255"));
        page = std::make_unique<CIPPage>(context);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }

    QPushButton* button(const char* id) { return page->findChild<QPushButton*>(QString::fromLatin1(id)); }
    QString status() { return page->findChild<QLineEdit*>(QStringLiteral("1005"))->text(); }
    int rows() { return page->findChild<QTableWidget*>(QStringLiteral("1000"))->rowCount(); }

    void start() {
        QTest::mouseClick(button("1004"), Qt::LeftButton);
        ASSERT_TRUE(page->isBootpRunning());
        ASSERT_NE(page->bootpServer().localPort(), 0);
    }
    // Sends one datagram to the server and waits until the server has handled it (the
    // entry dialog, if it opens, runs inside this wait).
    bool send(const QByteArray& datagram) {
        QSignalSpy handled(&page->bootpServer(), &BootpServer::requestHandled);
        client.writeDatagram(datagram, kLoopback, page->bootpServer().localPort());
        return handled.wait(kWaitMs);
    }
    std::optional<QByteArray> nextReply() {
        if (!receiver.hasPendingDatagrams() && !receiver.waitForReadyRead(kWaitMs)) return std::nullopt;
        return receiver.receiveDatagram().data();
    }
    // Nothing was sent before: the reply to the next known device is the first to come.
    void expectNoReplyBefore() {
        ASSERT_TRUE(send(MakeRequest(QString::fromLatin1(kSentinelMac), 0x5E5E5E5E)));
        const auto reply = nextReply();
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(Xid(*reply), 0x5E5E5E5Eu) << "an unexpected reply came first";
    }

    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dir.path()};
    QUdpSocket receiver;
    QUdpSocket client;
    std::unique_ptr<CIPPage> page;
};

TEST_F(IPPageBootpTest, StartAndStopSetTheButtonsAndTheStatus) {
    start();
    EXPECT_EQ(status(), kWaitingForRequests);
    EXPECT_FALSE(button("1004")->isEnabled());
    EXPECT_TRUE(button("1006")->isEnabled());
    QTest::mouseClick(button("1006"), Qt::LeftButton);
    EXPECT_FALSE(page->isBootpRunning());
    EXPECT_FALSE(page->bootpServer().isRunning());
    EXPECT_EQ(status(), kStopped);
    EXPECT_TRUE(button("1004")->isEnabled());
    EXPECT_FALSE(button("1006")->isEnabled());
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(IPPageBootpTest, KnownDeviceGetsItsReply) {
    start();
    const QByteArray request = MakeRequest(QString::fromLatin1(kKnownMac), 0x12345678);
    ASSERT_TRUE(send(request));
    const auto reply = nextReply();
    ASSERT_TRUE(reply.has_value());
    ASSERT_EQ(reply->size(), 300);
    EXPECT_EQ(uint8_t(reply->at(0)), 2);
    EXPECT_EQ(reply->mid(1, 2).toHex(), QByteArray("0106"));
    EXPECT_EQ(Xid(*reply), 0x12345678u);
    EXPECT_EQ(reply->mid(16, 4).toHex(), QByteArray("c0a80114"));  // yiaddr
    EXPECT_EQ(reply->mid(24, 4).toHex(), QByteArray("c0a80101"));  // giaddr: the gateway
    EXPECT_EQ(reply->mid(28, 16), request.mid(28, 16));             // chaddr echoed
    EXPECT_EQ(reply->mid(242, 4).toHex(), QByteArray("ffffff00"));  // the subnet mask
    EXPECT_EQ(status(), "Invio della replica BootP  all'indirizzo IP [ 192.168.  1. 20 ]");
    // The request presets the next "Aggiungi nuovo dispositivo".
    EXPECT_EQ(page->macPreset(), (QStringList{"02", "4B", "7E", "0A", "1B", "2C"}));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// Requests the server answers without asking the operator: the status tells what became
// of them, and none gets a reply.
TEST_F(IPPageBootpTest, RequestsThatGetNoReply) {
    const struct {
        const char* name;
        QByteArray request;
        QString status;
    } cases[] = {
        {"op 2", MakeRequest(QString::fromLatin1(kKnownMac), 1, 2), "Socket BootP non valido.. Annullo operazione.."},
        // Another vendor prefix is ignored without a word: the status keeps the last text.
        {"another prefix", MakeRequest(QStringLiteral("024B7F0A1B2C"), 2), kWaitingForRequests},
    };
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        page->showStatus(kWaitingForRequests);
        ASSERT_TRUE(send(c.request));
        EXPECT_EQ(status(), c.status);
        EXPECT_TRUE(page->isBootpRunning());
        expectNoReplyBefore();
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(rows(), 2);
}

TEST_F(IPPageBootpTest, UnknownDeviceIsOfferedForEntry) {
    enum class Answer { Confirm, Cancel, ChangeMac };
    const struct {
        const char* name;
        Answer answer;
        QString status;
        int rows;
        bool running;
    } cases[] = {
        {"confirmed", Answer::Confirm, "Invio della replica BootP  all'indirizzo IP [ 192.168.  1. 99 ]", 3, true},
        {"cancelled", Answer::Cancel, kStopped, 2, false},
        {"MAC changed", Answer::ChangeMac, "INDIRIZZO H/W , 024B7E000099 , NON TROVATO ..", 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFileBytes(dir.filePath(QStringLiteral("bootp.ini")), DeviceTable());
        page->FillDeviceList();
        start();
        QStringList preset;
        QString statusWhileOpen;
        test::WhenModal(
            [&](QWidget* dlg) {
                for (const char* f : {"1029", "1030", "1031", "1034", "1035", "1036"}) {
                    preset << dlg->findChild<QLineEdit*>(QString::fromLatin1(f))->text();
                }
                statusWhileOpen = status();
                if (c.answer == Answer::Cancel) {
                    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("2")), Qt::LeftButton);
                    return;
                }
                if (c.answer == Answer::ChangeMac) {
                    auto* last = dlg->findChild<QLineEdit*>(QStringLiteral("1036"));
                    last->clear();
                    QTest::keyClicks(last, "98");
                }
                test::TypeAddress(dlg, "1028", QStringLiteral("192.168.1.99"));
                QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
            },
            400, page.get());
        const QByteArray request = MakeRequest(QString::fromLatin1(kUnknownMac), 0xA0A0A0A0);
        ASSERT_TRUE(send(request));

        EXPECT_EQ(preset, (QStringList{"02", "4B", "7E", "00", "00", "99"}));
        EXPECT_EQ(statusWhileOpen, "Socket BootP  Accettato..");
        EXPECT_EQ(status(), c.status);
        EXPECT_EQ(rows(), c.rows);
        EXPECT_EQ(page->isBootpRunning(), c.running);
        EXPECT_EQ(button("1004")->isEnabled(), !c.running);
        EXPECT_EQ(button("1006")->isEnabled(), c.running);
        if (c.answer == Answer::Confirm) {
            const auto reply = nextReply();
            ASSERT_TRUE(reply.has_value());
            EXPECT_EQ(Xid(*reply), 0xA0A0A0A0u);
            EXPECT_EQ(reply->mid(16, 4).toHex(), QByteArray("c0a80163"));
            // A successful addition empties the preset.
            EXPECT_EQ(page->macPreset(), QStringList(6, QString()));
        }
        if (c.running) {
            expectNoReplyBefore();
            QTest::mouseClick(button("1006"), Qt::LeftButton);
        } else {
            EXPECT_FALSE(receiver.hasPendingDatagrams());
            // The MAC of the cancelled device stays as the preset of the add button.
            EXPECT_EQ(page->macPreset(), (QStringList{"02", "4B", "7E", "00", "00", "99"}));
        }
        EXPECT_TRUE(prompts.messages.isEmpty());
    }
}

TEST_F(IPPageBootpTest, AddressCommandsStopTheServerFirst) {
    const struct {
        const char* id;
        bool sent;
        QString status;
    } cases[] = {
        {"1009", false, "In Attesa ...."},
        {"1008", false, "In Attesa ...."},
        {"1008", true, "Comando di cancellazione indirizzo IP inviato.."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.id) + (c.sent ? " sent" : ""));
        bool runnerSawRunning = true;
        int runs = 0;
        page->setIpSearchRunner([&] {
            ++runs;
            runnerSawRunning = page->bootpServer().isRunning();
        });
        page->setIpClearRunner([&] {
            ++runs;
            runnerSawRunning = page->bootpServer().isRunning();
            return c.sent;
        });
        start();
        QTest::mouseClick(button(c.id), Qt::LeftButton);
        EXPECT_EQ(runs, 1);
        EXPECT_FALSE(runnerSawRunning);
        EXPECT_FALSE(page->isBootpRunning());
        EXPECT_EQ(status(), c.status);
        EXPECT_TRUE(button("1004")->isEnabled());
        EXPECT_FALSE(button("1006")->isEnabled());
    }
    // Without a runner, and with the server not running, the preparation alone is done.
    page->setIpSearchRunner({});
    page->setIpClearRunner({});
    page->showStatus(kStopped);
    QTest::mouseClick(button("1009"), Qt::LeftButton);
    EXPECT_EQ(status(), "In Attesa ....");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(IPPageBootpTest, APortThatCannotBeOpenedIsReportedAndTheServerStaysStopped) {
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QAbstractSocket::DontShareAddress));
    context.link.bootpServerPort = holder.localPort();
    CIPPage blocked(context);
    QTest::mouseClick(blocked.findChild<QPushButton*>(QStringLiteral("1004")), Qt::LeftButton);
    EXPECT_FALSE(blocked.isBootpRunning());
    EXPECT_FALSE(blocked.bootpServer().isRunning());
    EXPECT_TRUE(blocked.findChild<QPushButton*>(QStringLiteral("1004"))->isEnabled());
    EXPECT_FALSE(blocked.findChild<QPushButton*>(QStringLiteral("1006"))->isEnabled());
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(prompts.messages.first().caption, "Errore");
    EXPECT_TRUE(prompts.messages.first().text.startsWith(
        QStringLiteral("Impossibile aprire la porta BootP %1").arg(holder.localPort())));
    EXPECT_EQ(blocked.findChild<QLineEdit*>(QStringLiteral("1005"))->text(), prompts.messages.first().text);
    // Then the cause: this very test process holds the port.
    QFile comm(QStringLiteral("/proc/self/comm"));
    ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
    const QString program = QString::fromLocal8Bit(comm.readAll().trimmed());
    EXPECT_EQ(prompts.messages[1].caption, "Errore");
    EXPECT_EQ(prompts.messages[1].text,
              QString::fromUtf8("La porta UDP %1 è occupata dal programma %2 (pid %3): chiuderlo, poi premere di nuovo "
                                "\"Avvio BootP\".")
                  .arg(holder.localPort())
                  .arg(program)
                  .arg(QCoreApplication::applicationPid()));
}

TEST_F(IPPageBootpTest, AMissingInterfaceIsNamedAfterTheFailedStart) {
    context.link.interfaceName = QStringLiteral("tavo-absent0");
    CIPPage blocked(context);
    QTest::mouseClick(blocked.findChild<QPushButton*>(QStringLiteral("1004")), Qt::LeftButton);
    EXPECT_FALSE(blocked.isBootpRunning());
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(prompts.messages[1].text, QStringLiteral("L'interfaccia di rete tavo-absent0 non esiste."));
}

}  // namespace
}  // namespace tavo
