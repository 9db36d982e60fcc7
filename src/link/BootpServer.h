#pragma once

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <optional>

#include "BootpMessage.h"
#include "BootpRequestRecord.h"
#include "BootpStatus.h"
#include "LinkConfig.h"
#include "private/BootpInterfaceWatch.h"
#include "private/BootpRivalListener.h"
#include "private/BootpTableCache.h"
#include "private/InterfaceAddresses.h"

class QNetworkDatagram;
class QUdpSocket;

namespace tavo {

// A request of the family, as the optional hooks of the observer describe it.
struct BootpRequestInfo {
    MacOctets mac{};
    int interfaceIndex = 0;  // the interface it came in on (0: not known)
    QString interfaceName;
    QHostAddress sender;
    quint16 senderPort = 0;
};

// What the BootP server tells its front end (the IP configuration page, or the command
// line). Every call is made on the thread that owns the server, while it serves a request.
class BootpServerObserver {
public:
    virtual ~BootpServerObserver() = default;
    // Every status, in order; each replaces the previous one.
    virtual void bootpStatus(const BootpEvent& event) = 0;
    // A device of the family that is not in "bootp.ini". The page runs its device entry
    // dialog here, modally; requests that arrive meanwhile are read and dropped. True
    // when the entry was confirmed: the table is then looked up again. False when it was
    // cancelled: the server then stops.
    virtual bool bootpUnknownDevice(const MacOctets& mac) = 0;
    // A read on the server socket failed (kBootpReadFailedText, kBootpReadFailedCaption).
    // The socket is closed; the server stays "running" and receives nothing until it is
    // stopped and started again.
    virtual void bootpReadFailed() = 0;
    // The operator cancelled the entry of an unknown device. The page runs its stop
    // handler here (which calls stop()); the server stops afterwards in any case.
    virtual void bootpStopRequested() = 0;

    // Optional, for a front end that follows each request: a request of the family once
    // its op was examined (Accepted or InvalidRequest) ...
    virtual void bootpRequestChecked(const BootpRequestInfo& request, BootpStatus status) {
        (void)request;
        (void)status;
    }
    // ... and, for an accepted one, how it ended: the reply sent, or why there was none.
    virtual void bootpRequestDone(const BootpRequestInfo& request, const BootpEvent& outcome, bool replied) {
        (void)request;
        (void)outcome;
        (void)replied;
    }
};

// The BootP server: one UDP socket on LinkConfig::bootpServerPort. A request whose
// hardware address carries DEVICE_OUI is answered from "bootp.ini" with a 300-byte reply
// to LinkConfig::broadcast, port LinkConfig::bootpClientPort, sent out of the interface
// the request came in on, with that interface's IPv4 address as the server address.
//
// The server address (siaddr) is an IPv4 address of the arrival interface: the first one
// on the device's subnet, else the interface's first (127.0.0.1 on loopback). When the
// platform does not say which interface a request came in on, the configured interface
// stands in; without either the request ends in HostNameUnavailable, and an interface
// without an IPv4 address in HostAddressUnavailable; no reply is sent in both cases.
//
// With a configured interface, the server lives through that interface going down,
// losing its address, or being deleted and made again: it reports each change once
// (interfaceChanged) and answers again as soon as the interface is back, from its new
// index and with its new address.
//
// Every datagram read is reported as a typed record (requestSeen) for a request log;
// the record is made only while something is connected. A second, receive-only socket on
// the client port hears other servers' replies to devices of the family (rivalServerSeen).
//
// Requests are served one at a time on the owning thread; while one is being served
// (m_bBootpBusy), the next are read and dropped.
//
// The socket's read event is handled directly: a known device is answered within it,
// with no posted notification in between (three system calls fewer per request). The
// question about an unknown device, which runs the page's modal dialog, is asked from a
// posted call instead, outside the read event: Qt does not report a socket's next read
// event while the handler of the previous one is still running, so only from there do
// the requests that arrive during the dialog get read, and dropped.
class BootpServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BootpServer)
public:
    BootpServer(LinkConfig config, QString dataDir, BootpServerObserver& observer, QObject* parent = nullptr);
    ~BootpServer() override;

    // Opens the server port. False, with startFailure() and a PortUnavailable status, when the port
    // cannot be opened (taken by another server, no permission) or the configured
    // interface does not exist: the server then stays stopped. A running server is left
    // as it is.
    bool start();
    // Closes the port and reports Stopped; nothing when not running.
    void stop();
    bool isRunning() const { return m_bBootpRunning; }
    // Who this server serves for (Service unless set); a start while another server of
    // this program runs fails with that server's owner in startFailure().heldBy.
    void setOwner(BootpServerOwner owner) { m_owner = owner; }
    BootpServerOwner owner() const { return m_owner; }
    // The server of this program that runs now, if any (servers live on the main thread).
    static const BootpServer* runningInProgram();
    bool isBusy() const { return m_bBootpBusy; }
    quint16 localPort() const;
    // The PortUnavailable event of the last start that failed; the status Waiting after a
    // start that succeeded.
    const BootpEvent& startFailure() const { return m_startFailure; }
    // The MAC address of the last request that passed the request checks; nothing
    // before the first.
    const std::optional<MacOctets>& lastMac() const { return m_lastMac; }

signals:
    // After every datagram read from the server socket, whatever became of it.
    void requestHandled();
    // What became of each datagram read, once it is known (before requestHandled).
    void requestSeen(const tavo::BootpRequestRecord& record);
    // Another server answered a device of the family; once per server and start.
    void rivalServerSeen(const tavo::BootpRivalServer& rival);
    // The configured interface changed state (never for a server on every interface).
    void interfaceChanged(const tavo::BootpInterfaceEvent& event);

private:
    void OnBootpReceive(QUdpSocket* socket);
    // False when the request goes on in ServeUnknownDevice, posted.
    bool serve(const QNetworkDatagram& datagram, const BootpRequest& request);
    void serveUnknownDevice(const BootpRequest& request, int interfaceIndex, QUdpSocket* socket);
    const BootpTableCache::Entry* askForUnknownDevice(const MacOctets& mac, bool& stopped);
    void sendReply(const BootpRequest& request, const BootpTableCache::Entry& entry, int interfaceIndex);
    void showStatus(BootpStatus status);
    void finishRequest(const BootpEvent& outcome, bool replied);
    void reportStartFailure(BootpEvent failure);
    bool servesInterface(int index);
    void onInterfaceChanged(const BootpInterfaceEvent& event, int index);
    bool isLogging() const;
    BootpRequestRecord newRecord(const QNetworkDatagram& datagram, const BootpRequest& request);
    void logRequest(BootpRequestRecord record, BootpRequestOutcome outcome);
    void logCurrent(const BootpEvent& outcome);

    LinkConfig m_config;
    QString m_dataDir;
    BootpServerObserver& m_observer;
    BootpTableCache m_table;
    InterfaceAddresses m_interfaces;
    int m_configuredInterface = 0;  // index of LinkConfig::interfaceName, 0 for any

    QPointer<QUdpSocket> m_pBootpSocket;  // owned (child); replaced at the next start
    bool m_bBootpRunning = false;
    bool m_bBootpBusy = false;
    std::optional<MacOctets> m_lastMac;
    BootpEvent m_startFailure;
    BootpServerOwner m_owner = BootpServerOwner::Service;
    BootpRequestInfo m_current;  // the request being served
    BootpRequestRecord m_currentRecord;  // its log record, while something logs
    BootpInterfaceWatch m_interfaceWatch;
    BootpRivalListener m_rivals{m_interfaces};
};

}  // namespace tavo
