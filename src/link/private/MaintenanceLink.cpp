#include "MaintenanceLink.h"

#include "ClientSocket.h"

namespace tavo {

MaintenanceLink::MaintenanceLink(LinkConfig config, Pace pace, QObject* parent)
    : QObject(parent), m_config(config), m_pace(pace), m_link(std::move(config)) {
    m_link.setParent(this);
    m_pause.setParent(this);
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &MaintenanceLink::sendWaiting);
    connect(&m_link, &RegisterLink::registerReplyWaiting, this, &MaintenanceLink::onRegisterReply);
}

MaintenanceLink::~MaintenanceLink() = default;

bool MaintenanceLink::open(const QHostAddress& target) {
    m_target = target;
    return m_link.open(target);
}

// Commands still waiting would otherwise leave on the next socket.
void MaintenanceLink::close() {
    m_waiting.clear();
    m_pause.stop();
    m_link.close();
}

void MaintenanceLink::readRegister(uint8_t reg) { queue(encodeRegisterRead(reg)); }
void MaintenanceLink::readRegisterTable() { queue(encodeRegisterTableRead()); }
void MaintenanceLink::writeRegister(uint8_t reg, uint8_t value) { queue(encodeRegisterWrite(reg, value)); }

void MaintenanceLink::queue(std::vector<uint8_t> command) {
    m_waiting.push_back(std::move(command));
    if (!m_pause.isActive()) sendWaiting();
}

void MaintenanceLink::sendWaiting() {
    const qint64 pause = m_pace.afterRegisterCommand.count();
    if (m_sinceLast.isValid() && m_sinceLast.elapsed() < pause) {
        m_pause.start(std::chrono::milliseconds(pause - m_sinceLast.elapsed()));
        return;
    }
    if (m_waiting.empty()) return;
    const std::vector<uint8_t> command = std::move(m_waiting.front());
    m_waiting.pop_front();
    const bool accepted = m_link.sendRegisterCommand(command);
    m_sinceLast.start();
    emit registerCommandSent(command.front(), accepted);
    if (!m_waiting.empty()) m_pause.start(m_pace.afterRegisterCommand);
}

void MaintenanceLink::onRegisterReply() {
    emit registerReplyArrived();
    const RegisterReply reply = m_link.receiveRegister();
    if (!reply.ok) {
        m_link.close();
        emit registerReceiveFailed();
        return;
    }
    if (reply.kind == RegisterReplyKind::Value) emit registerValueReceived(reply.value);
    if (reply.kind == RegisterReplyKind::Table) emit registerTableReceived(reply.table);
}

}  // namespace tavo
