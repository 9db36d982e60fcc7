#include "ClientSocket.h"

#include <QDebug>
#include <QNetworkProxy>

namespace tavo {

CClientSocket::CClientSocket(int nKind, QObject* parent) : QObject(parent), m_socket(this), m_nKind(nKind) {
    // Device traffic is direct on the local network: never ask for the system's proxy
    // settings (that lookup may itself go out on the network).
    m_socket.setProxy(QNetworkProxy::NoProxy);
    // A read event carries no error of its own; errors show up in the owner's Receive().
    connect(&m_socket, &QUdpSocket::readyRead, this, [this] { OnReceive(0); });
}

CClientSocket::~CClientSocket() { Close(); }

bool CClientSocket::Create(quint16 port, const QHostAddress& address) {
    return m_socket.bind(address, port);
}

bool CClientSocket::Connect(const QHostAddress& address, quint16 port) {
    // For an IP literal the UDP "connection" is made at once, without a lookup.
    m_socket.connectToHost(address, port);
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

bool CClientSocket::Send(const QByteArray& datagram) {
    return m_socket.write(datagram) == datagram.size();
}

bool CClientSocket::SendTo(const QByteArray& datagram, const QHostAddress& address, quint16 port) {
    return m_socket.writeDatagram(datagram, address, port) == datagram.size();
}

std::optional<QByteArray> CClientSocket::Receive() {
    QNetworkDatagram datagram = ReceiveDatagram();
    if (!datagram.isValid()) return std::nullopt;
    return datagram.data();
}

QNetworkDatagram CClientSocket::ReceiveDatagram() {
    if (!m_socket.hasPendingDatagrams()) return {};
    return m_socket.receiveDatagram();  // no size limit: the whole datagram
}

void CClientSocket::Close() { m_socket.abort(); }

bool CClientSocket::isOpen() const { return m_socket.state() != QAbstractSocket::UnconnectedState; }

void CClientSocket::OnReceive(int nErrorCode) {
    qDebug("Errorcode = %d", nErrorCode);
    if (m_nKind == KIND_PRIMARY)
        emit clientSocketData();
    else if (m_nKind == KIND_SECONDARY)
        emit clientSocketData2();
    else
        emit kindNotInitiated(QString::fromLatin1(KIND_NOT_INITIATED_TEXT));
}

}  // namespace tavo
