#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <vector>

#include "DeviceCommand.h"
#include "FlashRegisterLink.h"
#include "LinkConfig.h"
#include "Pace.h"

namespace tavo {

// The maintenance page's link to its target device, shared with the `tavo reg` command:
// the socket pair (flash and register socket) that every operation makes anew, and the
// register commands with their replies.
//
// Register commands keep `Pace::afterRegisterCommand` between them: one that comes
// sooner waits for the end of the pause instead of holding up the thread, and goes out
// on the pair that is current when it leaves. The pair a new open() replaces is released
// at once: flash runs send on sockets of their own, and a waiting register command
// always takes the current pair.
class MaintenanceLink final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MaintenanceLink)
public:
    MaintenanceLink(LinkConfig config, Pace pace, QObject* parent = nullptr);
    ~MaintenanceLink() override;

    // Makes a new pair connected to the target; false when a socket could not be opened.
    bool open(const QHostAddress& target);
    void close();
    const QHostAddress& target() const { return m_target; }
    bool hasFlashSocket() const { return m_link.isFlashOpen(); }
    bool hasRegisterSocket() const { return m_link.isRegisterOpen(); }
    quint16 registerLocalPort() const { return m_link.registerLocalPort(); }
    quint16 flashLocalPort() const { return m_link.flashLocalPort(); }

    void readRegister(uint8_t reg);
    void readRegisterTable();
    void writeRegister(uint8_t reg, uint8_t value);
    // Commands still waiting for the end of the pause.
    int waitingCommands() const { return static_cast<int>(m_waiting.size()); }

signals:
    // A register command left (accepted: the stack took it whole).
    void registerCommandSent(uint8_t code, bool accepted);
    // A datagram is waiting on the register socket (before it is read).
    void registerReplyArrived();
    void registerValueReceived(uint8_t value);
    void registerTableReceived(const tavo::RegisterTable& table);
    // The register socket's datagram could not be read; the socket is closed.
    void registerReceiveFailed();
    // A datagram on the flash socket could not be read; the socket is closed.
    void flashReceiveFailed();

private:
    void queue(std::vector<uint8_t> command);
    void sendWaiting();
    void onRegisterReply();
    void onFlashDatagram();

    LinkConfig m_config;
    Pace m_pace;
    FlashRegisterLink m_link;
    QHostAddress m_target;
    std::deque<std::vector<uint8_t>> m_waiting;
    QTimer m_pause;
    QElapsedTimer m_sinceLast;
};

}  // namespace tavo
