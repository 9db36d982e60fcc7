#include "SearchSocket.h"

#include "ClientSocket.h"

namespace tavo {

SearchSocket::SearchSocket(LinkConfig config, QObject* parent)
    : QObject(parent), m_config(config), m_sender(std::move(config)) {}

SearchSocket::~SearchSocket() = default;  // the socket goes with its parent

bool SearchSocket::open() {
    close();
    m_socket = new CClientSocket(KIND_PRIMARY, this);
    connect(m_socket, &CClientSocket::clientSocketData, this, &SearchSocket::replyWaiting);
    return m_socket->Create(0);
}

void SearchSocket::close() {
    if (!m_socket) return;
    m_socket->Close();
    m_socket->deleteLater();
    m_socket = nullptr;
}

quint16 SearchSocket::localPort() const { return m_socket ? m_socket->localPort() : 0; }

int SearchSocket::sendRequest(const MacOctets& mac) {
    m_sentMac = mac;
    if (!m_socket) return 0;
    return m_sender.send(m_socket->socket(), toDatagram(encodeIpSearch(mac)), m_config.devicePort);
}

SearchReply SearchSocket::receiveReply() {
    if (!m_socket) return {};
    const auto datagram = m_socket->Receive();
    if (!datagram) return {};
    return decodeSearchReply(datagramBytes(*datagram));
}

}  // namespace tavo
