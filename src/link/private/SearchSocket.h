#pragma once

#include <QObject>

#include "AddressText.h"
#include "BroadcastSender.h"
#include "DeviceCommand.h"
#include "LinkConfig.h"

namespace tavo {

class CClientSocket;

// The socket of an IP search by MAC: a KIND_PRIMARY client socket on any local port that
// broadcasts the search request to the device port and receives the device's answer.
// It remembers the MAC of the last request, which a reply must carry to be taken.
class SearchSocket : public QObject {
    Q_OBJECT
public:
    explicit SearchSocket(LinkConfig config, QObject* parent = nullptr);
    ~SearchSocket() override;

    bool open();
    // Safe inside replyWaiting(): the socket is released once the read event is over.
    void close();
    bool isOpen() const { return m_socket != nullptr; }
    quint16 localPort() const;

    // Broadcasts the 60-byte request for mac; returns how many sends the stack accepted.
    int sendRequest(const MacOctets& mac);
    const MacOctets& sentMac() const { return m_sentMac; }

    // Reads the waiting datagram by the 66-byte rule; ok is false on a failed receive.
    SearchReply receiveReply();
    bool replyMatches(const SearchReply& reply) const { return searchReplyMatches(reply, m_sentMac); }

signals:
    void replyWaiting();  // direct, inside the read event

private:
    LinkConfig m_config;
    BroadcastSender m_sender;
    CClientSocket* m_socket = nullptr;  // child of this object
    MacOctets m_sentMac{};
};

}  // namespace tavo
