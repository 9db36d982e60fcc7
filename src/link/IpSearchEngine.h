#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "AddressText.h"
#include "LinkConfig.h"
#include "MacHistoryFDB.h"
#include "Pace.h"
#include "TableMessage.h"
#include "private/SearchSocket.h"

namespace tavo {

// What an IP search needs. `mac` gives the MAC address the next request is to carry, read
// at each tick (the operator may edit it during a search).
struct IpSearchRequest {
    LinkConfig link;
    Pace pace = Pace::product();
    std::function<MacOctets()> mac;
    std::string dataDir;             // the folder of the MAC history
    TableMessageSink tableMessages;  // the history's problems
};

// The IP search by MAC address as a paced sequence: while it runs, every tick of the
// search pace broadcasts one request carrying the MAC address its source gives at that
// moment (the operator may edit it during a search), until a reply ends it or it is
// stopped. The tick never blocks the thread it runs on.
//
// A reply that carries the MAC of the last request sent ends the search with found(); a
// reply for another MAC ends it with otherDevice(); a failed receive (a datagram longer
// than the reply buffer) is reported with receiveFailed() and the search goes on.
class IpSearchEngine final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IpSearchEngine)
public:
    explicit IpSearchEngine(IpSearchRequest request, QObject* parent = nullptr);
    ~IpSearchEngine() override;

    // Opens the search socket, records `historyEntry` (the MAC address as the operator
    // gave it) in the MAC history and starts the tick; the first request leaves one tick
    // later. False when the socket cannot be opened: nothing runs and nothing is
    // recorded then.
    bool start(const CMacHistoryFDB::Values& historyEntry);
    // Ends the search: no further request, the socket is released.
    void stop();
    void cancel() { stop(); }
    bool isSearching() const { return m_timer.isActive(); }

    // One request at once, outside the tick (the command line's first request).
    void sendNow();

    // The MAC address carried by the last request sent.
    const MacOctets& sentMac() const { return m_socket.sentMac(); }
    // The local port of the search socket while a search runs, else 0.
    quint16 localPort() const { return m_socket.localPort(); }

signals:
    // A request left; `accepted` is how many sends the stack took (0: none).
    void requestSent(const MacOctets& mac, int accepted);
    // Both end the search before they are emitted.
    void found(const Ipv4Octets& ip);
    void otherDevice(const MacOctets& mac);
    // The search goes on.
    void receiveFailed();

private:
    void onReplyWaiting();

    IpSearchRequest m_request;
    SearchSocket m_socket{m_request.link};
    QTimer m_timer;
};

}  // namespace tavo
