#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>
#include <set>
#include <vector>

#include "LinkConfig.h"
#include "PreflightFinding.h"

class QUdpSocket;

namespace tavo {

struct PreflightRequest {
    LinkConfig link;                       // the ports and the interface the server would use
    std::optional<Ipv4Octets> forAddress;  // a device whose way out is asked for
    std::chrono::milliseconds listen{0};   // how long to listen, sending nothing
};

// Why the BootP server cannot serve, or what stands in its way, found before it starts
// or after it failed to: the server and client ports (free, or held by which program),
// the interfaces, the way to one device, and, when asked to listen, the requests heard
// and the replies of other servers. Sends nothing: the ports are only opened, and the
// way to a device is what the system's routing picks for a socket connected to it.
// The IP page and `tavo doctor` run the same checks.
class BootpPreflight final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BootpPreflight)
public:
    explicit BootpPreflight(QObject* parent = nullptr);
    ~BootpPreflight() override;

    // The checks that need no waiting, at once: ports, interfaces, the way to the device.
    static std::vector<PreflightFinding> checkNow(const PreflightRequest& request);
    // The first finding that keeps the server from serving, if there is one.
    static std::optional<PreflightFinding> firstBlocker(const PreflightRequest& request);

    // checkNow, then the listening: found() reports each finding as it comes (requests
    // once per MAC, other servers once per address, and at the end that no request came
    // in at all), finished() all of them at the end.
    void start(const PreflightRequest& request);
    // Ends the listening now; finished() follows.
    void cancel();

signals:
    void found(const tavo::PreflightFinding& finding);
    void finished(const std::vector<tavo::PreflightFinding>& findings);

private:
    // False when the port cannot be listened on (reported as ListenUnavailable).
    bool openListener(quint16 port, bool serverPort);
    void readHeard(QUdpSocket* socket, bool serverPort);
    void report(const PreflightFinding& finding);
    void finish();

    std::vector<PreflightFinding> m_findings;
    std::vector<QUdpSocket*> m_listeners;  // children
    QTimer m_listenTimer;
    int m_interfaceIndex = 0;  // 0: every interface
    std::set<MacOctets> m_requestsHeard;
    std::set<Ipv4Octets> m_serversHeard;
    bool m_running = false;
    bool m_listening = false;  // on a server port of its own, until the end
    quint16 m_serverPort = 0;
    QElapsedTimer m_listenStarted;
};

}  // namespace tavo
