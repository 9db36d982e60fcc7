#pragma once

#include <QHostAddress>
#include <QNetworkProxy>
#include <QUdpSocket>

// What the socket suites share: loopback addresses, the bound of every network wait,
// and a plain peer socket.
namespace tavo::test {

constexpr int kWaitMs = 5000;
inline const QHostAddress kLoopback{QHostAddress::LocalHost};
inline const QHostAddress kLoopbackBroadcast{QStringLiteral("127.255.255.255")};

// A plain test peer; like the link's own sockets it never asks for proxy settings.
struct PeerSocket : QUdpSocket {
    PeerSocket() { setProxy(QNetworkProxy::NoProxy); }
};

}  // namespace tavo::test
