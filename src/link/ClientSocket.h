#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QObject>
#include <QString>
#include <QUdpSocket>
#include <cstdint>
#include <optional>
#include <span>

namespace tavo {

// The bytes of a datagram between the core's codecs and the socket.
inline QByteArray toDatagram(std::span<const uint8_t> bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}
inline std::span<const uint8_t> datagramBytes(const QByteArray& datagram) {
    return {reinterpret_cast<const uint8_t*>(datagram.constData()), static_cast<size_t>(datagram.size())};
}

// The kinds of client socket: each announces a waiting datagram with its own signal, so
// that one owner can tell two sockets apart.
inline constexpr int KIND_PRIMARY = 0;
inline constexpr int KIND_SECONDARY = 1;

// Text of the notice a client socket of any other kind gives on a read event.
inline constexpr const char* KIND_NOT_INITIATED_TEXT = "The kind is not initiated";

// A datagram socket for device command exchanges. When a datagram can be read it tells
// its owner at once, inside the read event (a direct signal), and the owner reads the
// datagram itself with Receive(). Until that datagram is read no further notification
// comes, so a datagram nobody reads simply stays pending.
// The owner must not delete the socket inside its own notification (the read event is
// still running): Close() it there and release it with deleteLater().
class CClientSocket : public QObject {
    Q_OBJECT
public:
    explicit CClientSocket(int nKind = KIND_PRIMARY, QObject* parent = nullptr);
    ~CClientSocket() override;

    int kind() const { return m_nKind; }

    // Opens the socket on a local port (0: the stack picks one) and address.
    bool Create(quint16 port = 0, const QHostAddress& address = QHostAddress(QHostAddress::AnyIPv4));
    bool Bind(const QHostAddress& address, quint16 port) { return Create(port, address); }
    // Fixes the peer of later Send() calls; for UDP only datagrams from that peer arrive.
    bool Connect(const QHostAddress& address, quint16 port);
    // One datagram to the connected peer; true when all of it was handed to the stack.
    bool Send(const QByteArray& datagram);
    bool SendTo(const QByteArray& datagram, const QHostAddress& address, quint16 port);
    // The whole pending datagram, however long, so that the reader can judge its length;
    // nothing when no datagram is waiting or the receive failed.
    std::optional<QByteArray> Receive();
    QNetworkDatagram ReceiveDatagram();
    void Close();

    bool isOpen() const;
    quint16 localPort() const { return m_socket.localPort(); }
    QUdpSocket& socket() { return m_socket; }

signals:
    void clientSocketData();   // KIND_PRIMARY: a datagram is waiting
    void clientSocketData2();  // KIND_SECONDARY: a datagram is waiting
    void kindNotInitiated(const QString& text);

private:
    void OnReceive(int nErrorCode);

    QUdpSocket m_socket;
    int m_nKind;
};

}  // namespace tavo
