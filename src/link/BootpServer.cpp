#include "BootpServer.h"

#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QUdpSocket>
#include <span>

namespace tavo {
namespace {

quint32 toIpv4(const Ipv4Octets& octets) {
    return (quint32(octets[0]) << 24) | (quint32(octets[1]) << 16) | (quint32(octets[2]) << 8) | octets[3];
}

Ipv4Octets toOctets(quint32 address) {
    return {uint8_t(address >> 24), uint8_t(address >> 16), uint8_t(address >> 8), uint8_t(address)};
}

QStringList MacPieces(const std::string& mac) {
    QStringList pieces;
    for (size_t i = 0; i + 1 < mac.size(); i += 2) pieces << QString::fromLatin1(mac.data() + i, 2);
    return pieces;
}

}  // namespace

BootpServer::BootpServer(LinkConfig config, QString dataDir, BootpServerObserver& observer, QObject* parent)
    : QObject(parent),
      m_config(std::move(config)),
      m_dataDir(std::move(dataDir)),
      m_observer(observer),
      m_table(m_dataDir.toStdString()) {}

BootpServer::~BootpServer() = default;

quint16 BootpServer::localPort() const { return m_pBootpSocket ? m_pBootpSocket->localPort() : 0; }

bool BootpServer::start() {
    if (m_bBootpRunning) return true;
    if (m_pBootpSocket) {
        // Deleted later: its notification may be the one being handled further up.
        m_pBootpSocket->abort();
        m_pBootpSocket->deleteLater();
    }
    auto* socket = new QUdpSocket(this);
    // BootP is direct on the local network: the system's proxy settings are never asked.
    socket->setProxy(QNetworkProxy::NoProxy);
    m_pBootpSocket = socket;
    connect(socket, &QUdpSocket::readyRead, this, [this, socket] { OnBootpReceive(socket); });

    ShowStatus(BootpStatus::Initializing);
    m_errorString.clear();
    m_configuredInterface = 0;
    if (!m_config.interfaceName.isEmpty()) {
        m_configuredInterface = m_interfaces.indexOf(m_config.interfaceName);
        if (m_configuredInterface == 0) {
            ReportStartFailure(QStringLiteral("interfaccia %1 non trovata").arg(m_config.interfaceName));
            return false;
        }
    }
    // Not shared: another BootP server on the port is a failure to report, not a
    // neighbour that silently takes some of the requests.
    if (!socket->bind(QHostAddress(QHostAddress::AnyIPv4), m_config.bootpServerPort, QAbstractSocket::DontShareAddress)) {
        ReportStartFailure(socket->errorString());
        return false;
    }
    // Read the table and the interfaces now, so that the first request is not the one
    // that waits for them.
    m_table.FindByMac(std::string());
    m_interfaces.refresh();
    ShowStatus(BootpStatus::Waiting);
    m_bBootpRunning = true;
    return true;
}

void BootpServer::stop() {
    if (!m_bBootpRunning) return;
    if (m_pBootpSocket) m_pBootpSocket->abort();
    ShowStatus(BootpStatus::Stopped);
    m_bBootpRunning = false;
}

void BootpServer::ReportStartFailure(const QString& reason) {
    m_errorString = reason;
    if (m_pBootpSocket) m_pBootpSocket->abort();
    const QString detail = QStringLiteral("%1 (%2)").arg(m_config.bootpServerPort).arg(reason);
    ShowStatus(BootpStatus::PortUnavailable, detail.toStdString());
}

void BootpServer::OnBootpReceive(QUdpSocket* socket) {
    if (socket != m_pBootpSocket || socket->state() != QAbstractSocket::BoundState) return;
    // Datagrams longer than a message are cut by the read: only their first 300 bytes
    // are examined.
    const QNetworkDatagram datagram = socket->receiveDatagram(BOOTP_MESSAGE_SIZE);
    if (!datagram.isValid()) {
        // A notification that finds nothing waiting (its datagram was read by an earlier
        // one) reads nothing and sets no error, or only the temporary one.
        const auto error = socket->error();
        if (error == QAbstractSocket::TemporaryError || error == QAbstractSocket::UnknownSocketError) return;
        socket->abort();
        m_bBootpBusy = false;
        QPointer<BootpServer> self(this);
        m_observer.bootpReadFailed();  // the page's message box runs a modal loop
        if (self) emit requestHandled();
        return;
    }
    // A request that comes in while another is being served (the entry dialog's modal
    // loop runs further up the stack) is dropped; so are requests that arrive on an
    // interface other than the configured one.
    const bool fromServedInterface = m_configuredInterface == 0 || datagram.interfaceIndex() == uint(m_configuredInterface);
    if (!m_bBootpBusy && fromServedInterface) {
        const QByteArray bytes = datagram.data();
        const BootpRequest request = checkBootpRequest(
            std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
        if (request.check != BootpRequestCheck::NotOfFamily && !serve(datagram, request)) return;
    }
    emit requestHandled();
}

bool BootpServer::serve(const QNetworkDatagram& datagram, const BootpRequest& request) {
    m_bBootpBusy = true;
    const std::string mac = FormatMac(request.mac);
    const int interfaceIndex = int(datagram.interfaceIndex());
    const InterfaceAddresses::Interface* arrival = interfaceIndex ? m_interfaces.find(interfaceIndex) : nullptr;
    m_current = {QString::fromStdString(mac), interfaceIndex, arrival ? arrival->name : QString(),
                 datagram.senderAddress(), quint16(datagram.senderPort())};

    ShowStatus(BootpStatus::Received);
    if (request.check == BootpRequestCheck::NotARequest) {
        ShowStatus(BootpStatus::InvalidRequest);
        m_observer.bootpRequestChecked(m_current, QString::fromStdString(bootpStatusText(BootpStatus::InvalidRequest)));
        m_bBootpBusy = false;
        return true;
    }
    ShowStatus(BootpStatus::Accepted);
    m_observer.bootpRequestChecked(m_current, QString::fromStdString(bootpStatusText(BootpStatus::Accepted)));
    m_strMacPart = MacPieces(mac);

    const BootpTableCache::Entry* entry = m_table.FindByMac(mac);
    if (!entry) {
        // Still busy: the next requests are dropped until the question is answered.
        QMetaObject::invokeMethod(
            this, [this, request, mac, interfaceIndex, socket = m_pBootpSocket.data()] {
                ServeUnknownDevice(request, mac, interfaceIndex, socket);
            },
            Qt::QueuedConnection);
        return false;
    }
    SendReply(request, *entry, interfaceIndex);
    m_bBootpBusy = false;
    return true;
}

void BootpServer::ServeUnknownDevice(const BootpRequest& request, const std::string& mac, int interfaceIndex,
                                     QUdpSocket* socket) {
    QPointer<BootpServer> self(this);
    // Stopped (or stopped and started) before the question could be asked: no answer.
    if (m_bBootpRunning && socket == m_pBootpSocket && socket->state() == QAbstractSocket::BoundState) {
        bool stopped = false;
        const BootpTableCache::Entry* entry = AskForUnknownDevice(mac, stopped);
        if (!self) return;
        if (!stopped && !entry) FinishRequest(BootpStatus::NotFound, false, mac);
        if (!stopped && entry) SendReply(request, *entry, interfaceIndex);
    }
    m_bBootpBusy = false;
    emit requestHandled();
}

// The entry of a device that is not in the table, after the observer was asked for it;
// `stopped` when the server stopped meanwhile (the entry was cancelled) or is gone.
const BootpTableCache::Entry* BootpServer::AskForUnknownDevice(const std::string& mac, bool& stopped) {
    QPointer<BootpServer> self(this);
    const bool confirmed = m_observer.bootpUnknownDevice(m_strMacPart);
    if (!self) {
        stopped = true;
        return nullptr;
    }
    if (!confirmed) {
        m_observer.bootpStopRequested();
        stopped = true;
        if (!self) return nullptr;
        stop();
        m_observer.bootpRequestDone(m_current, QString::fromStdString(bootpStatusText(BootpStatus::Stopped)), false);
        return nullptr;
    }
    if (!m_bBootpRunning || !m_pBootpSocket || m_pBootpSocket->state() != QAbstractSocket::BoundState) {
        stopped = true;  // stopped while the entry was open: nothing to send on
        return nullptr;
    }
    // The entry was written to "bootp.ini"; the cache sees the change.
    return m_table.FindByMac(mac);
}

void BootpServer::SendReply(const BootpRequest& request, const BootpTableCache::Entry& entry, int interfaceIndex) {
    // Without the arrival interface (a platform that does not report it) the configured
    // interface stands in; without either there is no address to announce.
    const int index = interfaceIndex ? interfaceIndex : m_configuredInterface;
    const InterfaceAddresses::Interface* interface = index ? m_interfaces.find(index) : nullptr;
    if (!interface) {
        FinishRequest(BootpStatus::HostNameUnavailable, false);
        return;
    }
    const auto serverAddress = InterfaceAddresses::chooseFor(*interface, toIpv4(entry.fields.yourAddress));
    if (!serverAddress) {
        FinishRequest(BootpStatus::HostAddressUnavailable, false);
        return;
    }
    const BootpMessage reply = buildBootpReply(request.message, entry.fields, toOctets(*serverAddress));
    QNetworkDatagram out(QByteArray(reinterpret_cast<const char*>(reply.data()), qsizetype(reply.size())),
                         m_config.broadcast, m_config.bootpClientPort);
    // The limited broadcast has no route of its own: it leaves through the interface the
    // request came in on.
    if (m_config.isLimitedBroadcast()) out.setInterfaceIndex(uint(index));
    const bool sent = m_pBootpSocket && m_pBootpSocket->writeDatagram(out) == qint64(reply.size());
    FinishRequest(sent ? BootpStatus::ReplySent : BootpStatus::ReplySendFailed, sent, entry.ip);
}

void BootpServer::FinishRequest(BootpStatus status, bool replied, const std::string& arg) {
    const QString text = QString::fromStdString(bootpStatusText(status, arg));
    m_observer.bootpStatus(text);
    m_observer.bootpRequestDone(m_current, text, replied);
}

void BootpServer::ShowStatus(BootpStatus status, const std::string& arg) {
    m_observer.bootpStatus(QString::fromStdString(bootpStatusText(status, arg)));
}

}  // namespace tavo
