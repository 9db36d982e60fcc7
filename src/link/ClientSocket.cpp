#include "ClientSocket.h"

#include <QNetworkProxy>

#include "LinkLog.h"

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

std::optional<QByteArray> CClientSocket::Receive() {
    if (!m_socket.hasPendingDatagrams()) return std::nullopt;
    const QNetworkDatagram datagram = m_socket.receiveDatagram();  // no size limit: the whole datagram
    if (!datagram.isValid()) return std::nullopt;
    return datagram.data();
}

void CClientSocket::Close() { m_socket.abort(); }

bool CClientSocket::isOpen() const { return m_socket.state() != QAbstractSocket::UnconnectedState; }

void CClientSocket::OnReceive(int nErrorCode) {
    qCDebug(lcSocket, "Errorcode = %d", nErrorCode);
    if (m_nKind == KIND_PRIMARY)
        emit clientSocketData();
    else if (m_nKind == KIND_SECONDARY)
        emit clientSocketData2();
    else
        emit kindNotInitiated(QString::fromLatin1(KIND_NOT_INITIATED_TEXT));
}

}  // namespace tavo
