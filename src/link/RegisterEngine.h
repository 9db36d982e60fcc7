#pragma once

#include <QObject>
#include <cstdint>

#include "DeviceCommand.h"
#include "LinkConfig.h"
#include "Pace.h"
#include "TargetHistory.h"

namespace tavo {

class MaintenanceLink;

enum class RegisterStatus {
    Ok,        // the target is set, or the command waits for its turn
    NoTarget,  // 0.0.0.0
    NoSocket,  // the register socket could not be opened, or was closed by a bad reply
};

// The register operations (read one register, read the table, write one register) on
// one target. They are one engine because they share one register socket and one pause:
// `Pace::afterRegisterCommand` holds between any two register commands, whichever
// operation sent them, so separate engines would each keep a clock of their own.
//
// setTarget() is the Set of every register operation: it refuses 0.0.0.0, records the
// target in the IP history and opens a new register socket. Replies come as signals
// whenever the device sends them; a front end that waits for one puts its own bound on it.
class RegisterEngine final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RegisterEngine)
public:
    RegisterEngine(LinkConfig config, Pace pace, QObject* parent = nullptr);
    ~RegisterEngine() override;

    // Registers below the table's first lie outside the space the device answers for in
    // full: a read of one is worth a warning, and goes out all the same.
    static bool isBelowRegisterSpace(uint8_t reg) { return reg < REGISTER_TABLE_FIRST; }

    // NoTarget (nothing recorded, nothing opened), else Ok or NoSocket.
    RegisterStatus setTarget(const Ipv4Octets& target, const TargetHistory& history);
    RegisterStatus read(uint8_t reg);
    RegisterStatus readTable();
    RegisterStatus write(uint8_t reg, uint8_t value);
    // Drops the commands still waiting and closes the socket.
    void cancel();

    const MaintenanceLink& link() const { return *m_link; }

signals:
    // A register command left (accepted: the stack took it whole).
    void commandSent(uint8_t code, bool accepted);
    // A datagram is waiting on the register socket (before it is read).
    void replyArrived();
    void valueReceived(uint8_t value);
    void tableReceived(const tavo::RegisterTable& table);
    // The reply could not be read (too long, or nothing listens): the socket is closed.
    void receiveFailed();

private:
    MaintenanceLink* m_link = nullptr;  // a child
};

}  // namespace tavo
