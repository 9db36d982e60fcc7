#include "ServerSocket.h"

#include <QDebug>
#include <QNetworkProxy>
#include <QMetaObject>

namespace tavo {

CServerSocket::CServerSocket(QObject* parent) : QObject(parent), m_socket(this) {
    // Device traffic is direct on the local network: never ask for the system's proxy
    // settings (that lookup may itself go out on the network).
    m_socket.setProxy(QNetworkProxy::NoProxy);
    connect(&m_socket, &QUdpSocket::readyRead, this, [this] { OnReceive(0); });
}

CServerSocket::~CServerSocket() { Close(); }

bool CServerSocket::Create(quint16 port, const QHostAddress& address, QAbstractSocket::BindMode mode) {
    return m_socket.bind(address, port, mode);
}

bool CServerSocket::SendTo(const QByteArray& datagram, const QHostAddress& address, quint16 port) {
    return m_socket.writeDatagram(datagram, address, port) == datagram.size();
}

bool CServerSocket::SendDatagram(const QNetworkDatagram& datagram) {
    return m_socket.writeDatagram(datagram) == datagram.data().size();
}

QNetworkDatagram CServerSocket::ReceiveDatagram() {
    if (!m_socket.hasPendingDatagrams()) return {};
    return m_socket.receiveDatagram();
}

std::optional<QByteArray> CServerSocket::Receive() {
    QNetworkDatagram datagram = ReceiveDatagram();
    if (!datagram.isValid()) return std::nullopt;
    return datagram.data();
}

void CServerSocket::Close() { m_socket.abort(); }

bool CServerSocket::isOpen() const { return m_socket.state() != QAbstractSocket::UnconnectedState; }

void CServerSocket::OnReceive(int nErrorCode) {
    qDebug("Errorcode = %d", nErrorCode);
    // Posted, so that the request is served after the current event completes; a
    // socket destroyed before then takes the pending notification with it.
    QMetaObject::invokeMethod(this, [this] { emit serverSocketData(); }, Qt::QueuedConnection);
}

}  // namespace tavo
