#include "BroadcastSender.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>

namespace tavo {
namespace {

bool hasIpv4Address(const QNetworkInterface& itf) {
    for (const QNetworkAddressEntry& entry : itf.addressEntries())
        if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) return true;
    return false;
}

bool canCarryBroadcast(const QNetworkInterface& itf) {
    const auto flags = itf.flags();
    return flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::CanBroadcast) &&
           !flags.testFlag(QNetworkInterface::IsLoopBack) && hasIpv4Address(itf);
}

}  // namespace

int BroadcastSender::send(QUdpSocket& socket, const QByteArray& datagram, quint16 port) const {
    // Qt opens every UDP socket with broadcasting allowed, so no socket option is needed.
    if (!m_config.isLimitedBroadcast())
        return socket.writeDatagram(datagram, m_config.broadcast, port) == datagram.size() ? 1 : 0;

    if (!m_config.interfaceName.isEmpty()) {
        const QNetworkInterface itf = QNetworkInterface::interfaceFromName(m_config.interfaceName);
        return itf.isValid() ? sendOutOf(socket, datagram, port, itf.index()) : 0;
    }
    int sent = 0;
    for (const QNetworkInterface& itf : QNetworkInterface::allInterfaces())
        if (canCarryBroadcast(itf)) sent += sendOutOf(socket, datagram, port, itf.index());
    return sent;
}

int BroadcastSender::sendOutOf(QUdpSocket& socket, const QByteArray& datagram, quint16 port,
                               int interfaceIndex) const {
    QNetworkDatagram out(datagram, m_config.broadcast, port);
    out.setInterfaceIndex(static_cast<uint>(interfaceIndex));
    return socket.writeDatagram(out) == datagram.size() ? 1 : 0;
}

}  // namespace tavo
