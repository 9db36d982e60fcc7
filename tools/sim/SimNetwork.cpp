#include "SimNetwork.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>
#include <QVariant>
#include <cstring>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace tavo::sim {

namespace {
const QHostAddress kLoopbackBroadcast(QStringLiteral("127.255.255.255"));
// With a free port asked for, the port the first socket gets may be taken on another
// address; a few fresh tries settle it.
constexpr int kBindAttempts = 20;
// A flash clear arrives as a burst of up to 2044 datagrams of 259 bytes; the stack's
// default buffer holds only a part of it. (The system may cap the figure.)
constexpr int kReceiveBuffer = 4 * 1024 * 1024;
constexpr auto kSharedMode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;

// False once the socket is closed, which an IP clear or stop() does while it is being read.
bool Readable(const QUdpSocket* socket) {
    return socket && socket->state() == QAbstractSocket::BoundState && socket->hasPendingDatagrams();
}

// Sends with the given source address. Qt's own sender field does not set it on Linux
// (it fills the part of the packet information that sending ignores), so the packet
// information is written here.
bool sendFrom(QUdpSocket& socket, const QByteArray& data, const QHostAddress& from, const QNetworkDatagram& to) {
#ifdef Q_OS_LINUX
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(to.senderPort());
    peer.sin_addr.s_addr = htonl(to.senderAddress().toIPv4Address());
    iovec payload = {const_cast<char*>(data.constData()), size_t(data.size())};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message = {};
    message.msg_name = &peer;
    message.msg_namelen = sizeof peer;
    message.msg_iov = &payload;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info = {};
    info.ipi_spec_dst.s_addr = htonl(from.toIPv4Address());
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    return ::sendmsg(int(socket.socketDescriptor()), &message, 0) == data.size();
#else
    Q_UNUSED(socket); Q_UNUSED(data); Q_UNUSED(from); Q_UNUSED(to);
    return false;
#endif
}

QHostAddress toHost(const Ipv4Address& ip) { return QHostAddress(ipv4ToNumber(ip)); }

bool sameAddress(const QHostAddress& a, const QHostAddress& b) {
    return a.isEqual(b, QHostAddress::ConvertV4MappedToIPv4);
}

// The sector a sector write (or upload block) is for; none for any other datagram.
std::optional<int> writtenSector(const QByteArray& data) {
    if (data.size() < 3 || quint8(data.at(0)) != code::kSectorWrite) return std::nullopt;
    return (quint8(data.at(1)) << 8) | quint8(data.at(2));
}

// The limited and loopback broadcasts, the configured one and every local interface's.
std::vector<QHostAddress> broadcastAddresses(const QHostAddress& configured) {
    std::vector<QHostAddress> addresses = {QHostAddress(QHostAddress::Broadcast), kLoopbackBroadcast, configured};
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces())
        for (const QNetworkAddressEntry& entry : iface.addressEntries())
            if (!entry.broadcast().isNull()) addresses.push_back(entry.broadcast());
    return addresses;
}

QString bindError(const QUdpSocket& socket, const QHostAddress& address, quint16 port) {
    return QStringLiteral("cannot bind %1:%2: %3").arg(address.toString()).arg(port).arg(socket.errorString());
}
}  // namespace

struct SimNetwork::Node {
    Node(const MacAddress& mac, std::optional<Ipv4Address> ip, SimFaults faults) : device(mac, ip), faults(faults) {}
    SimDevice device;
    SimFaults faults;
    bool silent = false;
    bool droppedOnce = false;  // faults.dropWriteOnceSector has had its loss
    std::unique_ptr<QUdpSocket> socket;  // loopback mode: the device's own address
    bool fallback = false;               // socket is on 0.0.0.0: the address was not local
    QTimer* bootpTimer = nullptr;
    bool bootpPending = false;
    int bootpSent = 0;
    quint32 xid = 0;
};

SimNetwork::SimNetwork(SimConfig config, QObject* parent) : QObject(parent), m_config(std::move(config)) {}

SimNetwork::~SimNetwork() { stop(); }

int SimNetwork::addDevice(std::optional<Ipv4Address> ip, const MacAddress& mac, SimFaults faults) {
    if (m_running) return -1;
    const int index = deviceCount();
    auto node = std::make_unique<Node>(mac, ip, faults);
    node->bootpTimer = new QTimer(this);
    connect(node->bootpTimer, &QTimer::timeout, this, [this, index] { bootpTick(index); });
    m_nodes.push_back(std::move(node));
    return index;
}

SimDevice& SimNetwork::device(int index) { return m_nodes.at(index)->device; }
const SimDevice& SimNetwork::device(int index) const { return m_nodes.at(index)->device; }

QHostAddress SimNetwork::deviceAddress(int index) const {
    const auto& ip = device(index).address();
    return ip ? toHost(*ip) : QHostAddress();
}

bool SimNetwork::isSilent(int index) const { return m_nodes.at(index)->silent; }

quint16 SimNetwork::bootpClientPort() const { return m_bootp ? m_bootp->localPort() : m_config.bootpClientPort; }

bool SimNetwork::start() {
    if (m_running) return true;
    m_error.clear();
    if (!m_config.interfaceName.isEmpty()) {
        const auto iface = QNetworkInterface::interfaceFromName(m_config.interfaceName);
        if (!iface.isValid()) {
            m_error = QStringLiteral("no network interface named %1").arg(m_config.interfaceName);
            return false;
        }
        m_interfaceIndex = iface.index();
    }
    m_broadcasts = broadcastAddresses(m_config.broadcast);
    if (!bindDevicePort()) return false;
    bool asks = false;
    for (const auto& node : m_nodes) asks = asks || !node->device.address();
    if (asks && m_config.bootpMaxRequests > 0 && !ensureBootpSocket()) {
        closeDeviceSockets();
        return false;
    }
    m_running = true;
    // Queued, so that whoever started us reports readiness before the first request.
    // With a stagger, one device after another, as a batch plugged in one by one.
    int asking = 0;
    for (int i = 0; i < deviceCount(); ++i) {
        if (device(i).address()) continue;
        QTimer::singleShot(asking++ * m_config.bootpStaggerMs, this, [this, i] {
            if (m_running && !device(i).address()) startBootp(i);
        });
    }
    return true;
}

void SimNetwork::stop() {
    m_running = false;
    for (auto& node : m_nodes) {
        node->bootpTimer->stop();
        node->bootpPending = false;
    }
    closeDeviceSockets();
    if (m_bootp) m_bootp->close();
}

// Closed rather than destroyed: this may run inside one of their own readyRead signals.
// A later bind replaces them.
void SimNetwork::closeDeviceSockets() {
    for (auto& node : m_nodes)
        if (node->socket) node->socket->close();
    if (m_shared) m_shared->close();
}

bool SimNetwork::bindDevicePort() {
    const int attempts = m_config.devicePort == 0 ? kBindAttempts : 1;
    for (int i = 0; i < attempts; ++i) {
        if (tryBindDevicePort(m_config.devicePort)) return true;
        closeDeviceSockets();
    }
    return false;
}

// Binds every device socket on one port; with port 0 the first socket picks it.
bool SimNetwork::tryBindDevicePort(quint16 port) {
    if (m_config.bindAny) {
        if (!bindShared(QHostAddress(QHostAddress::AnyIPv4), port)) return false;
        m_port = m_shared->localPort();
        return true;
    }
    for (int i = 0; i < deviceCount(); ++i) {
        if (!device(i).address()) continue;
        if (!bindNodeSocket(i, port, false)) return false;
        port = m_nodes[i]->socket->localPort();
    }
    if (!bindShared(kLoopbackBroadcast, port)) return false;
    m_port = m_shared->localPort();
    return true;
}

bool SimNetwork::bindShared(const QHostAddress& address, quint16 port) {
    m_shared = std::make_unique<QUdpSocket>();
    if (!m_shared->bind(address, port, kSharedMode)) {
        m_error = bindError(*m_shared, address, port);
        m_shared.reset();
        return false;
    }
    m_shared->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kReceiveBuffer));
    connect(m_shared.get(), &QUdpSocket::readyRead, this, &SimNetwork::readShared);
    return true;
}

// The device's own address; a BootP address that is not local to this host (allowFallback)
// is served on 0.0.0.0 instead.
bool SimNetwork::bindNodeSocket(int index, quint16 port, bool allowFallback) {
    Node& node = *m_nodes[index];
    const QHostAddress address = deviceAddress(index);
    node.socket = std::make_unique<QUdpSocket>();
    node.fallback = false;
    if (!node.socket->bind(address, port)) {
        m_error = bindError(*node.socket, address, port);
        node.socket = std::make_unique<QUdpSocket>();
        node.fallback = allowFallback && node.socket->bind(QHostAddress(QHostAddress::AnyIPv4), port, kSharedMode);
        if (!node.fallback) {
            node.socket.reset();
            return false;
        }
    }
    node.socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kReceiveBuffer));
    connect(node.socket.get(), &QUdpSocket::readyRead, this, [this, index] { readNode(index); });
    return true;
}

bool SimNetwork::ensureBootpSocket() {
    if (m_bootp && m_bootp->state() == QAbstractSocket::BoundState) return true;
    m_bootp = std::make_unique<QUdpSocket>();
    const QHostAddress any(QHostAddress::AnyIPv4);
    if (!m_bootp->bind(any, m_config.bootpClientPort, kSharedMode)) {
        m_error = bindError(*m_bootp, any, m_config.bootpClientPort);
        m_bootp.reset();
        return false;
    }
    // Replies to many devices asking at once arrive together.
    m_bootp->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kReceiveBuffer));
    connect(m_bootp.get(), &QUdpSocket::readyRead, this, &SimNetwork::readBootp);
    return true;
}

void SimNetwork::readShared() {
    while (Readable(m_shared.get())) {
        const QNetworkDatagram datagram = m_shared->receiveDatagram();
        if (!datagram.isValid()) continue;
        const QHostAddress to = datagram.destinationAddress();
        if (m_config.bindAny && !to.isNull()) {
            int addressed = -1;
            for (int i = 0; i < deviceCount() && addressed < 0; ++i)
                if (sameAddress(deviceAddress(i), to)) addressed = i;
            if (addressed >= 0) {
                deliver(addressed, datagram, m_shared.get());
                continue;
            }
        }
        // On 0.0.0.0 every unicast to this host arrives here too: a datagram for an address
        // no device has is no device's, or a write meant for a cleared device would land
        // in every other one.
        for (int i = 0; i < deviceCount(); ++i) {
            if (m_config.bindAny && !to.isNull() && !isBroadcastFor(i, to)) continue;
            QUdpSocket* reply = m_config.bindAny ? m_shared.get() : m_nodes[i]->socket.get();
            if (reply) deliver(i, datagram, reply);
        }
    }
}

void SimNetwork::readNode(int index) {
    QUdpSocket* socket = m_nodes[index]->socket.get();
    while (Readable(socket)) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        // A socket on 0.0.0.0 also sees the loopback broadcasts the shared socket hands out.
        const bool broadcast =
            datagram.destinationAddress().isEqual(kLoopbackBroadcast, QHostAddress::ConvertV4MappedToIPv4);
        if (datagram.isValid() && !(m_nodes[index]->fallback && broadcast)) deliver(index, datagram, socket);
    }
}

bool SimNetwork::isBroadcastFor(int index, const QHostAddress& to) const {
    for (const QHostAddress& broadcast : m_broadcasts)
        if (sameAddress(broadcast, to)) return true;
    // The directed broadcast of the subnet a BootP reply put the device in.
    const SimDevice& device = m_nodes[index]->device;
    const quint32 mask = ipv4ToNumber(device.mask());
    return device.address() && mask != 0 && sameAddress(QHostAddress(ipv4ToNumber(*device.address()) | ~mask), to);
}

// The network-wide lost sector, or the device's own lost-once sector the first time.
bool SimNetwork::dropsWrite(Node& node, int sector) {
    if (sector == m_config.dropWriteSector) return true;
    if (sector != node.faults.dropWriteOnceSector || node.droppedOnce) return false;
    node.droppedOnce = true;
    return true;
}

void SimNetwork::deliver(int index, const QNetworkDatagram& datagram, QUdpSocket* replySocket) {
    Node& node = *m_nodes[index];
    if (node.silent) return;
    const QByteArray data = datagram.data();
    // A device without an address takes no command, so it loses nothing either.
    const std::optional<int> written = node.device.address() ? writtenSector(data) : std::nullopt;
    if (written && dropsWrite(node, *written)) {
        emit writeDropped(index, *written);
        return;
    }
    const SimOutcome outcome = node.device.handle(data);
    if (!outcome.handled) return;
    emit commandReceived(index, quint8(data.at(0)), int(data.size()));
    if (!outcome.reply.isEmpty()) sendReply(index, outcome.reply, datagram, replySocket);
    if (outcome.cleared) {
        if (node.socket) node.socket->close();  // no address: nothing to serve
        emit cleared(index);
        startBootp(index);
    }
    if (written && *written == node.faults.silentAfterSector && *written < SimDevice::kSectorCount)
        silence(index, *written);
}

// Its socket stays open and is read to no effect: a device that stopped answering sends
// no port-unreachable either.
void SimNetwork::silence(int index, int sector) {
    Node& node = *m_nodes[index];
    node.silent = true;
    node.bootpPending = false;
    node.bootpTimer->stop();
    emit silenced(index, sector);
}

// Applies the configured loss and delay, then sends.
void SimNetwork::sendReply(int index, const QByteArray& reply, const QNetworkDatagram& datagram,
                           QUdpSocket* replySocket) {
    ++m_replies;
    if (m_config.dropEvery > 0 && m_replies % quint64(m_config.dropEvery) == 0) {
        emit replyDropped(index, quint8(reply.at(0)));
        return;
    }
    if (m_config.delayMaxMs <= 0) {
        writeReply(index, reply, datagram, replySocket);
        return;
    }
    const int delay = m_config.delayMinMs +
                      int(QRandomGenerator::global()->bounded(quint32(m_config.delayMaxMs - m_config.delayMinMs + 1)));
    // The socket may be closed or replaced meanwhile (an IP clear, stop()): then the reply is lost.
    QPointer<QUdpSocket> socket(replySocket);
    QTimer::singleShot(delay, this, [this, index, reply, datagram, socket] {
        if (m_nodes[index]->silent) return;  // fell silent while the reply was on its way
        if (socket && socket->state() == QAbstractSocket::BoundState) writeReply(index, reply, datagram, socket);
    });
}

void SimNetwork::writeReply(int index, const QByteArray& reply, const QNetworkDatagram& datagram,
                            QUdpSocket* replySocket) {
    // On 0.0.0.0 the stack would pick the source itself (for a broadcast, the interface's
    // address); a client socket connected to the device takes only replies that come from
    // the device's own address, and a search answer names its sender. When the address is
    // not local, the stack's choice stands.
    const QHostAddress own = deviceAddress(index);
    const bool fromOwn = replySocket->localAddress() == QHostAddress(QHostAddress::AnyIPv4) && !own.isNull();
    if (!fromOwn || !sendFrom(*replySocket, reply, own, datagram))
        replySocket->writeDatagram(reply, datagram.senderAddress(), datagram.senderPort());
}

void SimNetwork::startBootp(int index) {
    if (!m_running || m_config.bootpMaxRequests <= 0 || m_nodes[index]->silent) return;
    if (!ensureBootpSocket()) {
        emit problem(m_error);
        return;
    }
    Node& node = *m_nodes[index];
    node.bootpPending = true;
    node.bootpSent = 0;
    node.xid = QRandomGenerator::global()->generate();
    bootpTick(index);
    node.bootpTimer->start(std::max(1, m_config.bootpIntervalMs));
}

// One request per tick until the count is reached; the tick after the last ends the wait.
void SimNetwork::bootpTick(int index) {
    Node& node = *m_nodes[index];
    if (!node.bootpPending || !m_bootp) {
        node.bootpTimer->stop();
        return;
    }
    if (node.bootpSent >= m_config.bootpMaxRequests) {
        node.bootpTimer->stop();
        node.bootpPending = false;
        emit bootpGaveUp(index);
        return;
    }
    QNetworkDatagram request(buildBootpRequest(node.device.mac(), node.xid), m_config.broadcast,
                             m_config.bootpServerPort);
    if (m_interfaceIndex > 0) request.setInterfaceIndex(uint(m_interfaceIndex));
    if (m_bootp->writeDatagram(request) < 0) emit problem(QStringLiteral("BootP request not sent: %1").arg(m_bootp->errorString()));
    ++node.bootpSent;
    emit bootpRequestSent(index);
}

void SimNetwork::readBootp() {
    while (Readable(m_bootp.get())) {
        const QByteArray data = m_bootp->receiveDatagram().data();
        for (int i = 0; i < deviceCount(); ++i) {
            Node& node = *m_nodes[i];
            if (!node.bootpPending) continue;
            if (const auto offer = parseBootpReply(data, node.device.mac(), node.xid)) takeOffer(i, *offer);
        }
    }
}

void SimNetwork::takeOffer(int index, const BootpOffer& offer) {
    Node& node = *m_nodes[index];
    node.bootpPending = false;
    node.bootpTimer->stop();
    node.device.configure(offer.ip, offer.gateway, offer.mask);
    if (!m_config.bindAny && !bindNodeSocket(index, m_port, true)) emit problem(m_error);
    emit configured(index);
}

}  // namespace tavo::sim
