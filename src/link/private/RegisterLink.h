#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <cstdint>
#include <vector>

#include "DeviceCommand.h"
#include "LinkConfig.h"

namespace tavo {

class CClientSocket;

// The register socket (KIND_SECONDARY), connected to the target device. The device
// answers to the port a command came from, and the flash runs send from sockets of their
// own, so a register reply can only arrive here.
//
// The send functions may be called from a worker thread: the datagram is then handed to
// the thread that owns the socket and sent from there, so that a socket is only ever
// touched by one thread. The link object must outlive such calls.
class RegisterLink final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RegisterLink)
public:
    explicit RegisterLink(LinkConfig config, QObject* parent = nullptr);
    ~RegisterLink() override;

    // Makes a new socket connected to (target, device port); a previous one is released.
    bool open(const QHostAddress& target);
    // Safe inside the reply signal: the socket is released once the read event is over.
    void close();
    bool isOpen() const { return m_register != nullptr; }
    quint16 localPort() const;

    // A register command already encoded (as the paced queue keeps it). True when sent
    // (or handed to the owner thread).
    bool sendRegisterCommand(const std::vector<uint8_t>& bytes);

    // Reads the waiting datagram by the 241-byte rule; ok is false on a failed receive
    // (or a missing socket).
    RegisterReply receiveRegister();

signals:
    void registerReplyWaiting();  // direct, inside the socket's read event

private:
    bool sendNow(const QByteArray& datagram);

    LinkConfig m_config;
    CClientSocket* m_register = nullptr;  // a child of this object
};

}  // namespace tavo
