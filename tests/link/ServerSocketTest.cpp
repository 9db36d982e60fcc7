#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QNetworkProxy>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include "ServerSocket.h"
#include "Loopback.h"

namespace tavo {
namespace {

using namespace tavo::test;


TEST(ServerSocket, NotificationArrivesFromTheEventLoopAfterTheReadEvent) {
    CServerSocket server;
    ASSERT_TRUE(server.Create(0, kLoopback));
    QSignalSpy announced(&server, &CServerSocket::serverSocketData);

    // Connected after the socket's own handling, so it runs at the end of the read event.
    int announcedDuringReadEvent = -1;
    QObject::connect(&server.socket(), &QUdpSocket::readyRead, &server, [&] { announcedDuringReadEvent = announced.count(); });
    QSignalSpy readEvents(&server.socket(), &QUdpSocket::readyRead);

    PeerSocket client;
    ASSERT_TRUE(client.bind(kLoopback, 0));
    client.writeDatagram("request", kLoopback, server.localPort());
    ASSERT_TRUE(readEvents.wait(kWaitMs));
    EXPECT_EQ(announcedDuringReadEvent, 0);
    EXPECT_EQ(announced.count(), 0);  // not before control is back in the event loop

    ASSERT_TRUE(announced.wait(kWaitMs));
    const QNetworkDatagram datagram = server.ReceiveDatagram();
    EXPECT_EQ(datagram.data(), QByteArray("request"));
    EXPECT_EQ(datagram.senderPort(), client.localPort());
}

TEST(ServerSocket, OneNotificationPerDatagramReadByTheHandler) {
    CServerSocket server;
    ASSERT_TRUE(server.Create(0, kLoopback));
    QList<QByteArray> served;
    QObject::connect(&server, &CServerSocket::serverSocketData, &server, [&] { served << server.Receive().value_or("failed"); });
    QSignalSpy announced(&server, &CServerSocket::serverSocketData);

    PeerSocket client;
    for (const char* text : {"one", "two", "three"}) client.writeDatagram(text, kLoopback, server.localPort());
    while (served.size() < 3 && announced.wait(kWaitMs)) {
    }
    EXPECT_EQ(served, (QList<QByteArray>{"one", "two", "three"}));
}

TEST(ServerSocket, SocketDeletedBeforeItsNotificationIsDeliveredTakesItAlong) {
    auto* server = new CServerSocket;
    ASSERT_TRUE(server->Create(0, kLoopback));
    bool announced = false;
    QObject receiver;
    QObject::connect(server, &CServerSocket::serverSocketData, &receiver, [&] { announced = true; });
    QSignalSpy readEvents(&server->socket(), &QUdpSocket::readyRead);

    PeerSocket client;
    client.writeDatagram("late", kLoopback, server->localPort());
    ASSERT_TRUE(readEvents.wait(kWaitMs));
    delete server;  // the notification is still queued
    for (int round = 0; round < 20; ++round) QCoreApplication::processEvents();
    EXPECT_FALSE(announced);
}

}  // namespace
}  // namespace tavo
