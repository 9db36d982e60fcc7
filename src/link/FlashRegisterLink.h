#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <cstdint>
#include <span>

#include "DeviceCommand.h"
#include "LinkConfig.h"

namespace tavo {

class CClientSocket;

// The socket pair of the maintenance page, both connected to the target device: the
// flash socket (KIND_PRIMARY) carries the sector commands, the register socket
// (KIND_SECONDARY) the register commands. Each has its own local port, and the device
// answers to the port a command came from, so a sector reply can only arrive on the
// flash socket and a register reply only on the register socket.
//
// The send functions may be called from a worker thread: the datagram is then handed to
// the thread that owns the sockets and sent from there, so that a socket is only ever
// touched by one thread. The link object must outlive such calls.
class FlashRegisterLink : public QObject {
    Q_OBJECT
public:
    explicit FlashRegisterLink(LinkConfig config, QObject* parent = nullptr);
    ~FlashRegisterLink() override;

    // Makes a new pair connected to (target, device port); a previous pair is released.
    bool open(const QHostAddress& target);
    // The register socket alone, for a front end that sends no sector command on it (the
    // flash runs have sockets of their own); a previous pair is released.
    bool openRegister(const QHostAddress& target);
    // Safe inside the reply signals: the sockets are released once the read event is over.
    void closeFlash();
    void closeRegister();
    void close();
    bool isFlashOpen() const { return m_flash != nullptr; }
    bool isRegisterOpen() const { return m_register != nullptr; }
    quint16 flashLocalPort() const;
    quint16 registerLocalPort() const;

    // Flash socket. True when sent (or handed to the owner thread).
    bool sendSectorRead(int sector);
    bool sendSectorWrite(int sector, std::span<const uint8_t, SECTOR_SIZE> data);
    bool sendSectorClear(int sector);
    // Register socket.
    bool sendRegisterRead(uint8_t reg);
    bool sendRegisterTableRead();
    bool sendRegisterWrite(uint8_t reg, uint8_t value);
    // A register command already encoded (as the paced queue keeps it).
    bool sendRegisterCommand(const std::vector<uint8_t>& bytes) { return sendOn(Channel::Register, bytes); }

    // Read the waiting datagram by the 257- and 241-byte rules; ok is false on a failed
    // receive (or a missing socket).
    SectorReply receiveSector();
    RegisterReply receiveRegister();

signals:
    void flashReplyWaiting();     // direct, inside the flash socket's read event
    void registerReplyWaiting();  // direct, inside the register socket's read event

private:
    enum class Channel { Flash, Register };
    bool sendOn(Channel channel, const std::vector<uint8_t>& bytes);
    bool sendNow(Channel channel, const QByteArray& datagram);
    CClientSocket* makeSocket(int kind, const QHostAddress& target);

    LinkConfig m_config;
    CClientSocket* m_flash = nullptr;     // children of this object
    CClientSocket* m_register = nullptr;
};

}  // namespace tavo
