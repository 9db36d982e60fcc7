#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <vector>

#include "DeviceCommand.h"
#include "RegisterLink.h"
#include "LinkConfig.h"
#include "Pace.h"

namespace tavo {

// The register engine's link to its target device: the register socket that every Set
// makes anew, and the register commands with their replies. Flash runs send on sockets
// of their own, so no flash socket is kept here.
//
// Register commands keep `Pace::afterRegisterCommand` between them: one that comes
// sooner waits for the end of the pause instead of holding up the thread, and goes out
// on the socket that is current when it leaves. The socket a new open() replaces is
// released at once: a waiting register command always takes the current one.
class MaintenanceLink final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MaintenanceLink)
public:
    MaintenanceLink(LinkConfig config, Pace pace, QObject* parent = nullptr);
    ~MaintenanceLink() override;

    // Makes a new register socket connected to the target; false when it could not be opened.
    bool open(const QHostAddress& target);
    // Releases the socket and drops the commands still waiting.
    void close();
    const QHostAddress& target() const { return m_target; }
    bool hasRegisterSocket() const { return m_link.isOpen(); }
    quint16 registerLocalPort() const { return m_link.localPort(); }

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

private:
    void queue(std::vector<uint8_t> command);
    void sendWaiting();
    void onRegisterReply();

    LinkConfig m_config;
    Pace m_pace;
    RegisterLink m_link;
    QHostAddress m_target;
    std::deque<std::vector<uint8_t>> m_waiting;
    QTimer m_pause;
    QElapsedTimer m_sinceLast;
};

}  // namespace tavo
