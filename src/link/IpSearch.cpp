#include "IpSearch.h"

#include "DeviceCommand.h"

namespace tavo {

IpSearch::IpSearch(LinkConfig config, Pace pace, MacSource macSource, QObject* parent)
    : QObject(parent), m_macSource(std::move(macSource)), m_socket(std::move(config)) {
    // No pause follows a request: the tick already spaces them, and a pause would only
    // hold up the thread that shows the search.
    m_timer.setParent(this);  // so that the pace can be looked at from outside
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(pace.searchTick);
    connect(&m_timer, &QTimer::timeout, this, &IpSearch::sendNow);
    connect(&m_socket, &SearchSocket::replyWaiting, this, &IpSearch::onReplyWaiting);
}

IpSearch::~IpSearch() = default;

bool IpSearch::start() {
    if (!m_socket.open()) {
        m_socket.close();
        return false;
    }
    m_timer.start();
    return true;
}

void IpSearch::stop() {
    m_timer.stop();
    m_socket.close();
}

void IpSearch::sendNow() {
    if (!m_socket.isOpen()) return;
    const MacOctets mac = m_macSource ? m_macSource() : MacOctets{};
    const int accepted = m_socket.sendRequest(mac);
    emit requestSent(mac, accepted);
}

void IpSearch::onReplyWaiting() {
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
