#include "BootpPreflight.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QUdpSocket>
#include <span>

#include "PreflightRules.h"
#include "private/PortHolders.h"

namespace tavo {
namespace {

// How long the system's routing may take to pick the way to a device.
constexpr int kRouteWaitMs = 1000;

Ipv4Octets toOctets(quint32 address) {
    return {uint8_t(address >> 24), uint8_t(address >> 16), uint8_t(address >> 8), uint8_t(address)};
}

quint32 toNumber(const Ipv4Octets& ip) {
    return (quint32(ip[0]) << 24) | (quint32(ip[1]) << 16) | (quint32(ip[2]) << 8) | ip[3];
}

std::vector<InterfaceInfo> systemInterfaces() {
    std::vector<InterfaceInfo> interfaces;
    for (const QNetworkInterface& system : QNetworkInterface::allInterfaces()) {
        InterfaceInfo interface;
        interface.name = system.name().toStdString();
        const auto flags = system.flags();
        interface.up = flags.testFlag(QNetworkInterface::IsUp);
        interface.running = flags.testFlag(QNetworkInterface::IsRunning);
        interface.canBroadcast = flags.testFlag(QNetworkInterface::CanBroadcast);
        interface.loopback = flags.testFlag(QNetworkInterface::IsLoopBack);
        for (const QNetworkAddressEntry& entry : system.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol) continue;
            interface.addresses.push_back({toOctets(entry.ip().toIPv4Address()), entry.prefixLength(),
                                           toOctets(entry.broadcast().toIPv4Address())});
        }
        interfaces.push_back(std::move(interface));
    }
    return interfaces;
}

// Opens the port the way the server does (not shared), and closes it again.
PreflightFinding checkPort(quint16 port, bool serverPort) {
    QUdpSocket probe;
    probe.setProxy(QNetworkProxy::NoProxy);
    if (probe.bind(QHostAddress(QHostAddress::AnyIPv4), port, QAbstractSocket::DontShareAddress))
        return portFinding(port, serverPort, PortOpenResult::Opened, {}, {});
    const auto error = probe.error();
    const PortOpenResult result = error == QAbstractSocket::AddressInUseError    ? PortOpenResult::InUse
                                  : error == QAbstractSocket::SocketAccessError ? PortOpenResult::NoPermission
                                                                                : PortOpenResult::OtherError;
    return portFinding(port, serverPort, result, udpPortHolders(port), probe.errorString().toStdString());
}

// The local address the system's routing picks for the device: a UDP socket connected
// to it, which sends nothing.
std::optional<Ipv4Octets> routeSource(const Ipv4Octets& target, quint16 port) {
    QUdpSocket socket;
    socket.setProxy(QNetworkProxy::NoProxy);
    socket.connectToHost(QHostAddress(toNumber(target)), port);
    if (!socket.waitForConnected(kRouteWaitMs)) return std::nullopt;
    const QHostAddress local = socket.localAddress();
    if (local.protocol() != QAbstractSocket::IPv4Protocol || local.isNull()) return std::nullopt;
    return toOctets(local.toIPv4Address());
}

}  // namespace

BootpPreflight::BootpPreflight(QObject* parent) : QObject(parent) {
    m_listenTimer.setSingleShot(true);
    m_listenTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_listenTimer, &QTimer::timeout, this, &BootpPreflight::finish);
}

BootpPreflight::~BootpPreflight() = default;

std::vector<PreflightFinding> BootpPreflight::checkNow(const PreflightRequest& request) {
    std::vector<PreflightFinding> findings;
    // Port 0 is any free port: there is nothing to hold.
    if (request.link.bootpServerPort != 0) findings.push_back(checkPort(request.link.bootpServerPort, true));
    findings.push_back(checkPort(request.link.bootpClientPort, false));
    const std::vector<InterfaceInfo> interfaces = systemInterfaces();
    const std::string chosen = request.link.interfaceName.toStdString();
    for (PreflightFinding& finding : interfaceFindings(interfaces, chosen)) findings.push_back(std::move(finding));
    if (request.forAddress) {
        findings.push_back(routeFinding(interfaces, *request.forAddress,
                                        routeSource(*request.forAddress, request.link.devicePort), chosen));
    }
    return findings;
}

std::optional<PreflightFinding> BootpPreflight::firstBlocker(const PreflightRequest& request) {
    for (const PreflightFinding& finding : checkNow(request)) {
        if (finding.status == PreflightStatus::Blocked) return finding;
    }
    return std::nullopt;
}

void BootpPreflight::start(const PreflightRequest& request) {
    if (m_running) return;
    m_running = true;
    m_findings.clear();
    m_requestsHeard.clear();
    m_serversHeard.clear();
    m_listening = false;
    for (const PreflightFinding& finding : checkNow(request)) report(finding);
    if (request.listen.count() <= 0) {
        finish();
        return;
    }
    m_interfaceIndex = request.link.interfaceName.isEmpty()
                           ? 0
                           : QNetworkInterface::interfaceIndexFromName(request.link.interfaceName);
    m_serverPort = request.link.bootpServerPort;
    // Silence tells something only where the server port itself was listened on.
    m_listening = m_serverPort != 0 && openListener(m_serverPort, true);
    m_listenStarted.start();
    openListener(request.link.bootpClientPort, false);
    m_listenTimer.start(request.listen);
}

void BootpPreflight::cancel() {
    if (m_running) finish();
}

bool BootpPreflight::openListener(quint16 port, bool serverPort) {
    auto* socket = new QUdpSocket(this);
    socket->setProxy(QNetworkProxy::NoProxy);
    // Shared, so that the listening takes nothing from a program that shares its port.
    if (!socket->bind(QHostAddress(QHostAddress::AnyIPv4), port,
                      QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        PreflightFinding unavailable;
        unavailable.cause = PreflightCause::ListenUnavailable;
        unavailable.status = PreflightStatus::Info;
        unavailable.port = port;
        unavailable.detail = socket->errorString().toStdString();
        report(unavailable);
        delete socket;
        return false;
    }
    connect(socket, &QUdpSocket::readyRead, this, [this, socket, serverPort] { readHeard(socket, serverPort); });
    m_listeners.push_back(socket);
    return true;
}

void BootpPreflight::readHeard(QUdpSocket* socket, bool serverPort) {
    while (m_running && socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (!datagram.isValid()) return;
        if (m_interfaceIndex != 0 && datagram.interfaceIndex() != uint(m_interfaceIndex)) continue;
        const QByteArray bytes = datagram.data();
        const QHostAddress sender = datagram.senderAddress();
        const auto heard = heardDatagramFinding(
            std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), serverPort,
            toOctets(sender.toIPv4Address()),
            QNetworkInterface::interfaceNameFromIndex(int(datagram.interfaceIndex())).toStdString());
        if (!heard) continue;
        const bool isNew = heard->cause == PreflightCause::RequestHeard ? m_requestsHeard.insert(heard->mac).second
                                                                         : m_serversHeard.insert(heard->address).second;
        if (isNew) report(*heard);
    }
}

void BootpPreflight::report(const PreflightFinding& finding) {
    m_findings.push_back(finding);
    emit found(finding);
}

void BootpPreflight::finish() {
    // Heard nothing at all: no device asked, or something on the way drops the requests.
    if (m_listening && m_requestsHeard.empty()) {
        PreflightFinding nothing;
        nothing.cause = PreflightCause::NothingHeard;
        nothing.status = PreflightStatus::Warning;
        nothing.port = m_serverPort;
        nothing.listenedMs = m_listenStarted.elapsed();
        report(nothing);
    }
    m_listening = false;
    m_listenTimer.stop();
    for (QUdpSocket* socket : m_listeners) socket->deleteLater();
    m_listeners.clear();
    m_running = false;
    emit finished(m_findings);
}

}  // namespace tavo
