#pragma once

#include "SimBootp.h"
#include "SimConfig.h"
#include "SimDevice.h"
#include "SimFaults.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QNetworkDatagram;
class QTimer;
class QUdpSocket;

namespace tavo::sim {

// The sockets around a set of simulated devices.
//
// Loopback mode: each device with an address has a socket on (its address, port), and
// one shared socket on (127.255.255.255, port) takes the loopback broadcasts and hands
// them to every device; a socket bound to one 127.0.0.x address does not see them.
// Bind-any mode (inside a namespace): one socket on (0.0.0.0, port); a datagram for a
// device's own address goes to that device, a broadcast to every device, and one for an
// address no device has (a cleared device's, a pool address not yet given) to none.
// Devices without an address ask for one by BootP from the shared BootP client socket.
// Every reply goes back to the address and port the command came from.
class SimNetwork : public QObject {
    Q_OBJECT
public:
    explicit SimNetwork(SimConfig config = {}, QObject* parent = nullptr);
    ~SimNetwork() override;

    // Devices are added before start(); an empty address means none (it asks by BootP).
    // Returns the device's index, or -1 after start().
    int addDevice(std::optional<Ipv4Address> ip, const MacAddress& mac, SimFaults faults = {});

    // Binds every socket; false (with errorString()) when one cannot be bound. The first
    // BootP requests leave from the event loop, after start() has returned.
    bool start();
    void stop();
    bool isRunning() const { return m_running; }
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    quint16 bootpClientPort() const;
    int deviceCount() const { return int(m_nodes.size()); }
    SimDevice& device(int index);
    const SimDevice& device(int index) const;
    // The device's current address, or a null address while it has none.
    QHostAddress deviceAddress(int index) const;
    // True once the device has fallen silent (SimFaults::silentAfterSector).
    bool isSilent(int index) const;

signals:
    void commandReceived(int device, quint8 code, int length);
    // A reply left out on purpose (SimConfig::dropEvery).
    void replyDropped(int device, quint8 code);
    // A sector write left out on purpose (SimConfig::dropWriteSector, SimFaults::dropWriteOnceSector).
    void writeDropped(int device, int sector);
    // The device stored its write to `sector` and is silent from now on (SimFaults::silentAfterSector).
    void silenced(int device, int sector);
    void cleared(int device);
    void configured(int device);
    void bootpRequestSent(int device);
    void bootpGaveUp(int device);
    // Something went wrong after start (for example the BootP port cannot be bound).
    void problem(const QString& text);

private:
    struct Node;

    bool bindDevicePort();
    bool tryBindDevicePort(quint16 port);
    bool bindNodeSocket(int index, quint16 port, bool allowFallback);
    bool bindShared(const QHostAddress& address, quint16 port);
    bool ensureBootpSocket();
    void closeDeviceSockets();

    bool isBroadcastFor(int index, const QHostAddress& to) const;
    bool dropsWrite(Node& node, int sector);
    void silence(int index, int sector);

    void readShared();
    void readNode(int index);
    void readBootp();
    void deliver(int index, const QNetworkDatagram& datagram, QUdpSocket* replySocket);
    void sendReply(int index, const QByteArray& reply, const QNetworkDatagram& datagram, QUdpSocket* replySocket);
    void writeReply(int index, const QByteArray& reply, const QNetworkDatagram& datagram, QUdpSocket* replySocket);

    void startBootp(int index);
    void bootpTick(int index);
    void takeOffer(int index, const BootpOffer& offer);

    SimConfig m_config;
    std::vector<std::unique_ptr<Node>> m_nodes;
    std::unique_ptr<QUdpSocket> m_shared;
    std::unique_ptr<QUdpSocket> m_bootp;
    std::vector<QHostAddress> m_broadcasts;  // bind-any mode: destinations that reach every device
    int m_interfaceIndex = 0;
    quint16 m_port = 0;
    quint64 m_replies = 0;  // replies due so far, for dropEvery
    bool m_running = false;
    QString m_error;
};

}  // namespace tavo::sim
