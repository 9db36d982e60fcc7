#include "BootpRivalListener.h"

#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QUdpSocket>
#include <span>

#include "BootpMessage.h"
#include "InterfaceAddresses.h"

namespace tavo {

BootpRivalListener::BootpRivalListener(InterfaceAddresses& interfaces, QObject* parent)
    : QObject(parent), m_interfaces(interfaces) {}

BootpRivalListener::~BootpRivalListener() = default;

bool BootpRivalListener::start(quint16 clientPort, quint16 ownServerPort) {
    stop();
    m_seen.clear();
    m_ownServerPort = ownServerPort;
    auto* socket = new QUdpSocket(this);
    socket->setProxy(QNetworkProxy::NoProxy);
    // Shared, so that a client or simulator on this machine can still take the port.
    if (!socket->bind(QHostAddress(QHostAddress::AnyIPv4), clientPort,
                      QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        delete socket;
        return false;
    }
    m_socket = socket;
    connect(socket, &QUdpSocket::readyRead, this, &BootpRivalListener::onReadyRead);
    return true;
}

void BootpRivalListener::stop() {
    if (!m_socket) return;
    // Deleted later: its notification may be the one being handled further up.
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

void BootpRivalListener::onReadyRead() {
    QUdpSocket* socket = m_socket;
    while (socket && socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram(BOOTP_MESSAGE_SIZE);
        if (!datagram.isValid()) return;
        const QByteArray bytes = datagram.data();
        const BootpRequest message = checkBootpRequest(
            std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
        if (message.check != BootpRequestCheck::NotARequest || message.message[bootp_offset::kOp] != BOOTP_OP_REPLY)
            continue;
        const quint32 source = datagram.senderAddress().toIPv4Address();
        if (datagram.senderPort() == m_ownServerPort && m_interfaces.isOwnAddress(source)) continue;
        if (!m_seen.insert(source).second) continue;
        BootpRivalServer rival;
        rival.time = QDateTime::currentDateTimeUtc();
        rival.server = QHostAddress(source);
        rival.mac = message.mac;
        const int index = int(datagram.interfaceIndex());
        if (const auto* arrival = index ? m_interfaces.find(index) : nullptr) rival.interfaceName = arrival->name;
        emit rivalSeen(rival);
    }
}

}  // namespace tavo
