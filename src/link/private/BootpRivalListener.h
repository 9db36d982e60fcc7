#pragma once

#include <QObject>
#include <QPointer>
#include <unordered_set>

#include "BootpRequestRecord.h"

class QUdpSocket;

namespace tavo {

class InterfaceAddresses;

// Hears the BootP replies that other servers send to the devices of the family, so that
// the operator learns of a plant server that answers first. The server's own socket is
// on the server port and never sees replies, which go to the client port: this is a
// second socket there, shared with any other program that shares it (a device simulator,
// a client), that only receives. Its own server's replies, heard here too, are told apart
// by their source: one of this machine's addresses and the server's own port.
class BootpRivalListener final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BootpRivalListener)
public:
    BootpRivalListener(InterfaceAddresses& interfaces, QObject* parent = nullptr);
    ~BootpRivalListener() override;

    // Starts listening on `clientPort`, forgetting the servers seen before. False when
    // the port is held by a program that does not share it: the server then serves on
    // without hearing other servers.
    bool start(quint16 clientPort, quint16 ownServerPort);
    void stop();

signals:
    // Once per server and run.
    void rivalSeen(const tavo::BootpRivalServer& rival);

private:
    void onReadyRead();

    InterfaceAddresses& m_interfaces;
    QPointer<QUdpSocket> m_socket;
    quint16 m_ownServerPort = 0;
    std::unordered_set<quint32> m_seen;
};

}  // namespace tavo
