#pragma once

#include <QByteArray>
#include <QUdpSocket>
#include <utility>

#include "LinkConfig.h"

namespace tavo {

// Sends one datagram to LinkConfig::broadcast on the given port. The limited broadcast
// 255.255.255.255 has no route of its own on every system, so it goes out once per
// interface: the configured one, or every up IPv4 interface that can broadcast (loopback
// excluded). Any other broadcast address (a directed one, or 127.255.255.255 on
// loopback) is one plain send, which the routing table resolves.
class BroadcastSender {
public:
    explicit BroadcastSender(LinkConfig config) : m_config(std::move(config)) {}

    // Returns how many sends the stack accepted (0 when none, or no interface fits).
    int send(QUdpSocket& socket, const QByteArray& datagram, quint16 port) const;

private:
    int sendOutOf(QUdpSocket& socket, const QByteArray& datagram, quint16 port, int interfaceIndex) const;

    LinkConfig m_config;
};

}  // namespace tavo
