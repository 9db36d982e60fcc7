#pragma once

#include <QHostAddress>
#include <QString>

namespace tavo {

// Where the link sends and listens. The product runs with the defaults; tests and the
// demo point every port and the broadcast address at loopback or a test namespace.
struct LinkConfig {
    static constexpr quint16 kBootpServerPort = 67;
    static constexpr quint16 kBootpClientPort = 68;
    static constexpr quint16 kDevicePort = 1024;

    quint16 bootpServerPort = kBootpServerPort;  // BootP requests are received here
    quint16 bootpClientPort = kBootpClientPort;  // BootP replies are broadcast to this port
    quint16 devicePort = kDevicePort;            // every device command goes to this port
    QHostAddress broadcast = QHostAddress(QHostAddress::Broadcast);
    QString interfaceName;  // empty: every up IPv4 interface that can broadcast

    // The limited broadcast 255.255.255.255 needs an outgoing interface on Linux.
    bool isLimitedBroadcast() const { return broadcast == QHostAddress(QHostAddress::Broadcast); }
};

}  // namespace tavo
