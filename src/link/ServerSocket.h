#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QObject>
#include <QUdpSocket>
#include <optional>

namespace tavo {

// The BootP server's datagram socket. Its notification is queued: serverSocketData()
// reaches the owner from the event loop after the current event has finished, never
// inside the read event itself. The owner then reads one datagram with Receive().
class CServerSocket : public QObject {
    Q_OBJECT
public:
    explicit CServerSocket(QObject* parent = nullptr);
    ~CServerSocket() override;

    bool Create(quint16 port, const QHostAddress& address = QHostAddress(QHostAddress::AnyIPv4),
                QAbstractSocket::BindMode mode = QAbstractSocket::DefaultForPlatform);
    bool Bind(const QHostAddress& address, quint16 port) { return Create(port, address); }
    bool SendTo(const QByteArray& datagram, const QHostAddress& address, quint16 port);
    // A prepared datagram (destination, outgoing interface) in one send.
    bool SendDatagram(const QNetworkDatagram& datagram);
    // The whole pending datagram with its sender and the interface it came in on;
    // invalid when nothing is waiting or the receive failed.
    QNetworkDatagram ReceiveDatagram();
    std::optional<QByteArray> Receive();
    void Close();

    bool isOpen() const;
    quint16 localPort() const { return m_socket.localPort(); }
    QString errorString() const { return m_socket.errorString(); }
    QUdpSocket& socket() { return m_socket; }

signals:
    void serverSocketData();  // posted: a datagram is waiting

private:
    void OnReceive(int nErrorCode);

    QUdpSocket m_socket;
};

}  // namespace tavo
