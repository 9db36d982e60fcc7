#include "IpSearchEngine.h"

#include <utility>

#include "DeviceCommand.h"

namespace tavo {

IpSearchEngine::IpSearchEngine(IpSearchRequest request, QObject* parent)
    : QObject(parent), m_request(std::move(request)) {
    // No pause follows a request: the tick already spaces them, and a pause would only
    // hold up the thread that shows the search.
    m_timer.setParent(this);  // so that the pace can be looked at from outside
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(m_request.pace.searchTick);
    connect(&m_timer, &QTimer::timeout, this, &IpSearchEngine::sendNow);
    connect(&m_socket, &SearchSocket::replyWaiting, this, &IpSearchEngine::onReplyWaiting);
}

IpSearchEngine::~IpSearchEngine() = default;

bool IpSearchEngine::start(const CMacHistoryFDB::Values& historyEntry) {
    if (!m_socket.open()) {
        m_socket.close();
        return false;
    }
    CMacHistoryFDB::AddIfAbsent(m_request.dataDir, historyEntry, m_request.tableMessages);
    m_timer.start();
    return true;
}

void IpSearchEngine::stop() {
    m_timer.stop();
    m_socket.close();
}

void IpSearchEngine::sendNow() {
    if (!m_socket.isOpen()) return;
    const MacOctets mac = m_request.mac ? m_request.mac() : MacOctets{};
    const int accepted = m_socket.sendRequest(mac);
    emit requestSent(mac, accepted);
}

void IpSearchEngine::onReplyWaiting() {
    const SearchReply reply = m_socket.receiveReply();
    if (!reply.ok) {
        emit receiveFailed();
        return;
    }
    // Any other datagram on the search socket is an answer too; either way it ends the
    // search (the socket may be closed inside its own read event).
    stop();
    if (m_socket.replyMatches(reply)) {
        emit found(reply.ip);
    } else {
        emit otherDevice(reply.mac);
    }
}

}  // namespace tavo
