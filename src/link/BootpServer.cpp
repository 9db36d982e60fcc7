#include "BootpServer.h"

#include <QMetaMethod>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QUdpSocket>
#include <span>
#include <utility>

#include "LinkLog.h"

namespace tavo {
namespace {

quint32 toIpv4(const Ipv4Octets& octets) {
    return (quint32(octets[0]) << 24) | (quint32(octets[1]) << 16) | (quint32(octets[2]) << 8) | octets[3];
}

Ipv4Octets toOctets(quint32 address) {
    return {uint8_t(address >> 24), uint8_t(address >> 16), uint8_t(address >> 8), uint8_t(address)};
}

}  // namespace

BootpServer::BootpServer(LinkConfig config, QString dataDir, BootpServerObserver& observer, QObject* parent)
    : QObject(parent),
      m_config(std::move(config)),
      m_dataDir(std::move(dataDir)),
      m_observer(observer),
      m_table(m_dataDir.toStdString()) {
    connect(&m_interfaceWatch, &BootpInterfaceWatch::changed, this, &BootpServer::onInterfaceChanged);
    connect(&m_rivals, &BootpRivalListener::rivalSeen, this, &BootpServer::rivalServerSeen);
}

namespace {
// The one server of this program that holds the port; servers live on the main thread.
const BootpServer* g_running = nullptr;
}  // namespace

BootpServer::~BootpServer() {
    if (g_running == this) g_running = nullptr;
}

const BootpServer* BootpServer::runningInProgram() { return g_running; }

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

    showStatus(BootpStatus::Initializing);
    m_startFailure = BootpEvent();
    if (g_running) {
        BootpEvent failure(BootpStatus::PortUnavailable);
        failure.heldBy = g_running->owner();
        reportStartFailure(std::move(failure));
        return false;
    }
    m_configuredInterface = 0;
    if (!m_config.interfaceName.isEmpty()) {
        m_configuredInterface = m_interfaces.indexOf(m_config.interfaceName);
        if (m_configuredInterface == 0) {
            BootpEvent failure(BootpStatus::PortUnavailable);
            failure.missingInterface = m_config.interfaceName.toStdString();
            reportStartFailure(std::move(failure));
            return false;
        }
    }
    // Not shared: another BootP server on the port is a failure to report, not a
    // neighbour that silently takes some of the requests.
    if (!socket->bind(QHostAddress(QHostAddress::AnyIPv4), m_config.bootpServerPort, QAbstractSocket::DontShareAddress)) {
        BootpEvent failure(BootpStatus::PortUnavailable);
        failure.reason = socket->errorString().toStdString();
        reportStartFailure(std::move(failure));
        return false;
    }
    // Read the table and the interfaces now, so that the first request is not the one
    // that waits for them.
    m_table.FindByMac(std::string());
    m_interfaces.refresh();
    if (!m_config.interfaceName.isEmpty()) m_interfaceWatch.start(m_config.interfaceName);
    // Without it (the client port held unshared) the server serves all the same.
    m_rivals.start(m_config.bootpClientPort, socket->localPort());
    showStatus(BootpStatus::Waiting);
    m_bBootpRunning = true;
    g_running = this;
    return true;
}

void BootpServer::stop() {
    if (!m_bBootpRunning) return;
    if (m_pBootpSocket) m_pBootpSocket->abort();
    m_interfaceWatch.stop();
    m_rivals.stop();
    showStatus(BootpStatus::Stopped);
    m_bBootpRunning = false;
    if (g_running == this) g_running = nullptr;
}

void BootpServer::reportStartFailure(BootpEvent failure) {
    if (m_pBootpSocket) m_pBootpSocket->abort();
    failure.port = m_config.bootpServerPort;
    m_startFailure = std::move(failure);
    m_observer.bootpStatus(m_startFailure);
}

void BootpServer::OnBootpReceive(QUdpSocket* socket) {
    if (socket != m_pBootpSocket || socket->state() != QAbstractSocket::BoundState) return;
    // Datagrams longer than a message are cut by the read: only their first 300 bytes
    // are examined.
    const QNetworkDatagram datagram = socket->receiveDatagram(BOOTP_MESSAGE_SIZE);
    qCDebug(lcSocket, "Errorcode = %d", datagram.isValid() ? 0 : int(socket->error()));
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
    const QByteArray bytes = datagram.data();
    const BootpRequest request =
        checkBootpRequest(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    // A request that comes in while another is being served (the entry dialog's modal
    // loop runs further up the stack) is dropped; so are requests that arrive on an
    // interface other than the configured one.
    if (m_bBootpBusy || !servesInterface(int(datagram.interfaceIndex()))) {
        if (isLogging()) logRequest(newRecord(datagram, request), BootpRequestOutcome::Dropped);
    } else if (request.check == BootpRequestCheck::NotOfFamily) {
        if (isLogging()) logRequest(newRecord(datagram, request), BootpRequestOutcome::Refused);
    } else if (!serve(datagram, request)) {
        return;
    }
    emit requestHandled();
}

bool BootpServer::serve(const QNetworkDatagram& datagram, const BootpRequest& request) {
    m_bBootpBusy = true;
    const std::string mac = FormatMac(request.mac);
    const int interfaceIndex = int(datagram.interfaceIndex());
    const InterfaceAddresses::Interface* arrival = interfaceIndex ? m_interfaces.find(interfaceIndex) : nullptr;
    m_current = {request.mac, interfaceIndex, arrival ? arrival->name : QString(),
                 datagram.senderAddress(), quint16(datagram.senderPort())};
    if (isLogging()) m_currentRecord = newRecord(datagram, request);

    showStatus(BootpStatus::Received);
    if (request.check == BootpRequestCheck::NotARequest) {
        showStatus(BootpStatus::InvalidRequest);
        m_observer.bootpRequestChecked(m_current, BootpStatus::InvalidRequest);
        if (isLogging()) logRequest(m_currentRecord, BootpRequestOutcome::NotBootp);
        m_bBootpBusy = false;
        return true;
    }
    showStatus(BootpStatus::Accepted);
    m_observer.bootpRequestChecked(m_current, BootpStatus::Accepted);
    m_lastMac = request.mac;

    const BootpTableCache::Entry* entry = m_table.FindByMac(mac);
    if (!entry) {
        // Still busy: the next requests are dropped until the question is answered.
        QMetaObject::invokeMethod(
            this, [this, request, interfaceIndex, socket = m_pBootpSocket.data()] {
                serveUnknownDevice(request, interfaceIndex, socket);
            },
            Qt::QueuedConnection);
        return false;
    }
    sendReply(request, *entry, interfaceIndex);
    m_bBootpBusy = false;
    return true;
}

void BootpServer::serveUnknownDevice(const BootpRequest& request, int interfaceIndex, QUdpSocket* socket) {
    QPointer<BootpServer> self(this);
    // Stopped (or stopped and started) before the question could be asked: no answer.
    bool stopped = true;
    if (m_bBootpRunning && socket == m_pBootpSocket && socket->state() == QAbstractSocket::BoundState) {
        stopped = false;
        const BootpTableCache::Entry* entry = askForUnknownDevice(request.mac, stopped);
        if (!self) return;
        if (!stopped && !entry) {
            BootpEvent notFound{BootpStatus::NotFound};
            notFound.mac = request.mac;
            finishRequest(notFound, false);
        }
        if (!stopped && entry) sendReply(request, *entry, interfaceIndex);
    }
    if (stopped && isLogging()) logRequest(m_currentRecord, BootpRequestOutcome::Unknown);
    m_bBootpBusy = false;
    emit requestHandled();
}

// The entry of a device that is not in the table, after the observer was asked for it;
// `stopped` when the server stopped meanwhile (the entry was cancelled) or is gone.
const BootpTableCache::Entry* BootpServer::askForUnknownDevice(const MacOctets& mac, bool& stopped) {
    QPointer<BootpServer> self(this);
    const bool confirmed = m_observer.bootpUnknownDevice(mac);
    if (!self) {
        stopped = true;
        return nullptr;
    }
    if (!confirmed) {
        m_observer.bootpStopRequested();
        stopped = true;
        if (!self) return nullptr;
        stop();
        m_observer.bootpRequestDone(m_current, BootpEvent{BootpStatus::Stopped}, false);
        return nullptr;
    }
    if (!m_bBootpRunning || !m_pBootpSocket || m_pBootpSocket->state() != QAbstractSocket::BoundState) {
        stopped = true;  // stopped while the entry was open: nothing to send on
        return nullptr;
    }
    // The entry was written to "bootp.ini"; the cache sees the change.
    return m_table.FindByMac(FormatMac(mac));
}

void BootpServer::sendReply(const BootpRequest& request, const BootpTableCache::Entry& entry, int interfaceIndex) {
    // Without the arrival interface (a platform that does not report it) the configured
    // interface stands in; without either there is no address to announce.
    const int index = interfaceIndex ? interfaceIndex : m_configuredInterface;
    const InterfaceAddresses::Interface* interface = index ? m_interfaces.find(index) : nullptr;
    if (!interface) {
        finishRequest(BootpEvent{BootpStatus::HostNameUnavailable}, false);
        return;
    }
    const auto serverAddress = InterfaceAddresses::chooseFor(*interface, toIpv4(entry.fields.yourAddress));
    if (!serverAddress) {
        finishRequest(BootpEvent{BootpStatus::HostAddressUnavailable}, false);
        return;
    }
    const BootpMessage reply = buildBootpReply(request.message, entry.fields, toOctets(*serverAddress));
    QNetworkDatagram out(QByteArray(reinterpret_cast<const char*>(reply.data()), qsizetype(reply.size())),
                         m_config.broadcast, m_config.bootpClientPort);
    // The limited broadcast has no route of its own: it leaves through the interface the
    // request came in on.
    if (m_config.isLimitedBroadcast()) out.setInterfaceIndex(uint(index));
    const bool sent = m_pBootpSocket && m_pBootpSocket->writeDatagram(out) == qint64(reply.size());
    BootpEvent outcome{sent ? BootpStatus::ReplySent : BootpStatus::ReplySendFailed};
    outcome.entryIp = entry.ip;
    finishRequest(outcome, sent);
}

void BootpServer::finishRequest(const BootpEvent& outcome, bool replied) {
    m_observer.bootpStatus(outcome);
    m_observer.bootpRequestDone(m_current, outcome, replied);
    if (isLogging()) logCurrent(outcome);
}

bool BootpServer::servesInterface(int index) {
    if (m_config.interfaceName.isEmpty() || index == m_configuredInterface) return true;
    // The configured interface deleted and made again has a new index: its first request
    // may come before the watch has seen it back.
    const InterfaceAddresses::Interface* arrival = index ? m_interfaces.find(index) : nullptr;
    if (!arrival || arrival->name != m_config.interfaceName) return false;
    m_configuredInterface = index;
    return true;
}

void BootpServer::onInterfaceChanged(const BootpInterfaceEvent& event, int index) {
    if (event.state == BootpInterfaceState::Up) {
        m_configuredInterface = index;
        // The next reply announces the interface's address as it is now.
        m_interfaces.refresh();
    }
    emit interfaceChanged(event);
}

bool BootpServer::isLogging() const {
    static const QMetaMethod requestSeenSignal = QMetaMethod::fromSignal(&BootpServer::requestSeen);
    return isSignalConnected(requestSeenSignal);
}

BootpRequestRecord BootpServer::newRecord(const QNetworkDatagram& datagram, const BootpRequest& request) {
    BootpRequestRecord record;
    record.time = QDateTime::currentDateTimeUtc();
    const int index = int(datagram.interfaceIndex());
    if (const InterfaceAddresses::Interface* arrival = index ? m_interfaces.find(index) : nullptr)
        record.interfaceName = arrival->name;
    record.sender = datagram.senderAddress();
    record.senderPort = quint16(datagram.senderPort());
    record.mac = request.mac;
    record.ofFamily = request.check != BootpRequestCheck::NotOfFamily;
    return record;
}

void BootpServer::logRequest(BootpRequestRecord record, BootpRequestOutcome outcome) {
    record.outcome = outcome;
    emit requestSeen(record);
}

void BootpServer::logCurrent(const BootpEvent& outcome) {
    switch (outcome.status) {
    case BootpStatus::ReplySent:
        m_currentRecord.address = ParseDottedIp(outcome.entryIp);
        m_currentRecord.replySize = int(BOOTP_MESSAGE_SIZE);
        logRequest(m_currentRecord, BootpRequestOutcome::Answered);
        break;
    case BootpStatus::NotFound:
        logRequest(m_currentRecord, BootpRequestOutcome::Unknown);
        break;
    default:  // no server address, or the send failed
        logRequest(m_currentRecord, BootpRequestOutcome::Failed);
        break;
    }
}

void BootpServer::showStatus(BootpStatus status) { m_observer.bootpStatus(BootpEvent{status}); }

}  // namespace tavo
