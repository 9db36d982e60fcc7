#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QStringList>
#include <QNetworkProxy>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include "ClientSocket.h"
#include "Loopback.h"

namespace tavo {
namespace {

using namespace tavo::test;


// Collects the debug trace while alive.
// Records the messages logged while it lives; with `traceOn` the sockets' trace category
// is switched on, as QT_LOGGING_RULES="tavo.socket.debug=true" does.
class TraceCapture {
public:
    explicit TraceCapture(bool traceOn = true) {
        s_lines.clear();
        QLoggingCategory::setFilterRules(traceOn ? QStringLiteral("tavo.socket.debug=true") : QString());
        m_previous = qInstallMessageHandler(&Record);
    }
    ~TraceCapture() {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    static const QStringList& lines() { return s_lines; }

private:
    static void Record(QtMsgType, const QMessageLogContext&, const QString& text) { s_lines << text; }
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

struct Peer {
    PeerSocket socket;
    Peer() { EXPECT_TRUE(socket.bind(kLoopback, 0)); }
    void sendTo(const CClientSocket& target, const QByteArray& data) {
        ASSERT_EQ(socket.writeDatagram(data, kLoopback, target.localPort()), data.size());
    }
};

TEST(ClientSocket, EachKindAnnouncesWithItsOwnSignalInsideTheReadEvent) {
    struct Case {
        int kind;
        void (CClientSocket::*announce)();
        void (CClientSocket::*other)();
    } cases[] = {
        {KIND_PRIMARY, &CClientSocket::clientSocketData, &CClientSocket::clientSocketData2},
        {KIND_SECONDARY, &CClientSocket::clientSocketData2, &CClientSocket::clientSocketData},
    };
    for (const auto& c : cases) {
        CClientSocket client(c.kind);
        ASSERT_TRUE(client.Create(0, kLoopback));
        QSignalSpy other(&client, c.other);
        QSignalSpy notInitiated(&client, &CClientSocket::kindNotInitiated);

        // The owner's handler reads the datagram itself, as every reader does.
        QByteArray read;
        QObject::connect(&client, c.announce, &client, [&] { read = client.Receive().value_or("failed"); });
        // Connected after the socket's own handling: runs later in the same read event.
        bool handledWithinReadEvent = false;
        QObject::connect(&client.socket(), &QUdpSocket::readyRead, &client, [&] { handledWithinReadEvent = !read.isEmpty(); });
        QSignalSpy readEvents(&client.socket(), &QUdpSocket::readyRead);

        TraceCapture trace;
        Peer peer;
        peer.sendTo(client, "\x30\x0A");
        ASSERT_TRUE(readEvents.wait(kWaitMs)) << "kind " << c.kind;
        EXPECT_TRUE(handledWithinReadEvent) << "kind " << c.kind;
        EXPECT_EQ(read, QByteArray("\x30\x0A")) << "kind " << c.kind;
        EXPECT_EQ(other.count(), 0) << "kind " << c.kind;
        EXPECT_EQ(notInitiated.count(), 0) << "kind " << c.kind;
        EXPECT_TRUE(TraceCapture::lines().contains("Errorcode = 0")) << "kind " << c.kind;
    }
}

TEST(ClientSocket, TraceIsOffUnlessSwitchedOn) {
    CClientSocket client(KIND_PRIMARY);
    ASSERT_TRUE(client.Create(0, kLoopback));
    QSignalSpy announced(&client, &CClientSocket::clientSocketData);
    TraceCapture trace(false);
    Peer peer;
    peer.sendTo(client, "\x30\x0A");
    ASSERT_TRUE(announced.wait(kWaitMs));
    EXPECT_TRUE(TraceCapture::lines().isEmpty()) << TraceCapture::lines().join('|').toStdString();
}

TEST(ClientSocket, AnyOtherKindSaysItIsNotInitiatedAndAnnouncesNothing) {
    for (int kind : {2, -1, 13}) {
        CClientSocket client(kind);
        ASSERT_TRUE(client.Create(0, kLoopback));
        QSignalSpy primary(&client, &CClientSocket::clientSocketData);
        QSignalSpy secondary(&client, &CClientSocket::clientSocketData2);
        QSignalSpy notInitiated(&client, &CClientSocket::kindNotInitiated);
        Peer peer;
        peer.sendTo(client, "x");
        ASSERT_TRUE(notInitiated.wait(kWaitMs)) << "kind " << kind;
        EXPECT_EQ(notInitiated.takeFirst().at(0).toString(), QString("The kind is not initiated"));
        EXPECT_EQ(primary.count() + secondary.count(), 0) << "kind " << kind;
    }
}

TEST(ClientSocket, AnUnreadDatagramStaysPendingWithoutFurtherNotifications) {
    CClientSocket client(KIND_PRIMARY);
    ASSERT_TRUE(client.Create(0, kLoopback));
    QSignalSpy announced(&client, &CClientSocket::clientSocketData);
    Peer peer;
    peer.sendTo(client, "first");
    peer.sendTo(client, "second");
    ASSERT_TRUE(announced.wait(kWaitMs));
    // Nobody reads: the event loop keeps running without announcing again.
    for (int round = 0; round < 20; ++round) QCoreApplication::processEvents();
    EXPECT_EQ(announced.count(), 1);

    // Reading lets the next datagram be announced; both are whole and in order.
    EXPECT_EQ(client.Receive(), QByteArray("first"));
    ASSERT_TRUE(announced.wait(kWaitMs));
    EXPECT_EQ(client.Receive(), QByteArray("second"));
    EXPECT_FALSE(client.Receive().has_value());  // nothing left: a failed receive
}

TEST(ClientSocket, ReceiveReturnsTheWholeDatagramWhateverItsLength) {
    CClientSocket client(KIND_SECONDARY);
    ASSERT_TRUE(client.Create(0, kLoopback));
    QSignalSpy announced(&client, &CClientSocket::clientSocketData2);
    Peer peer;
    for (const qsizetype size : {0, 1, 241, 242, 1400}) {
        const QByteArray sent(size, '\x30');
        peer.sendTo(client, sent);
        ASSERT_TRUE(announced.wait(kWaitMs)) << size;
        EXPECT_EQ(client.Receive(), sent) << size;
    }
}

TEST(ClientSocket, ConnectedSocketSendsToItsPeer) {
    Peer peer;
    CClientSocket client(KIND_PRIMARY);
    ASSERT_TRUE(client.Create(0));
    ASSERT_TRUE(client.Connect(kLoopback, peer.socket.localPort()));
    QSignalSpy arrived(&peer.socket, &QUdpSocket::readyRead);
    ASSERT_TRUE(client.Send(QByteArray("\x50\x00\x05", 3)));
    ASSERT_TRUE(arrived.wait(kWaitMs));
    const QNetworkDatagram datagram = peer.socket.receiveDatagram();
    EXPECT_EQ(datagram.data(), QByteArray("\x50\x00\x05", 3));
    EXPECT_EQ(datagram.senderPort(), client.localPort());
}

}  // namespace
}  // namespace tavo
