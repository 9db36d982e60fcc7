#include "RegisterEngine.h"

#include <QHostAddress>

#include "private/MaintenanceLink.h"

namespace tavo {

RegisterEngine::RegisterEngine(LinkConfig config, Pace pace, QObject* parent)
    : QObject(parent), m_link(new MaintenanceLink(std::move(config), pace, this)) {
    connect(m_link, &MaintenanceLink::registerCommandSent, this, &RegisterEngine::commandSent);
    connect(m_link, &MaintenanceLink::registerReplyArrived, this, &RegisterEngine::replyArrived);
    connect(m_link, &MaintenanceLink::registerValueReceived, this, &RegisterEngine::valueReceived);
    connect(m_link, &MaintenanceLink::registerTableReceived, this, &RegisterEngine::tableReceived);
    connect(m_link, &MaintenanceLink::registerReceiveFailed, this, &RegisterEngine::receiveFailed);
}

RegisterEngine::~RegisterEngine() = default;

RegisterStatus RegisterEngine::setTarget(const Ipv4Octets& target, const TargetHistory& history) {
    if (target == Ipv4Octets{0, 0, 0, 0}) return RegisterStatus::NoTarget;
    const bool opened = m_link->open(QHostAddress(QString::fromStdString(formatDotted(target))));
    recordTarget(history, target);
    return opened ? RegisterStatus::Ok : RegisterStatus::NoSocket;
}

RegisterStatus RegisterEngine::read(uint8_t reg) {
    if (!m_link->hasRegisterSocket()) return RegisterStatus::NoSocket;
    m_link->readRegister(reg);
    return RegisterStatus::Ok;
}

RegisterStatus RegisterEngine::readTable() {
    if (!m_link->hasRegisterSocket()) return RegisterStatus::NoSocket;
    m_link->readRegisterTable();
    return RegisterStatus::Ok;
}

RegisterStatus RegisterEngine::write(uint8_t reg, uint8_t value) {
    if (!m_link->hasRegisterSocket()) return RegisterStatus::NoSocket;
    m_link->writeRegister(reg, value);
    return RegisterStatus::Ok;
}

void RegisterEngine::cancel() { m_link->close(); }

}  // namespace tavo
