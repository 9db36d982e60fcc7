#include "FlashClearRun.h"

#include <QTimer>

#include "ClientSocket.h"
#include "DeviceCommand.h"

namespace tavo {

FlashClearRun::FlashClearRun(LinkConfig config, QHostAddress target, int from, int to, QObject* parent)
    : QObject(parent), m_config(std::move(config)), m_target(std::move(target)), m_from(from), m_to(to), m_next(from) {}

FlashClearRun::~FlashClearRun() = default;  // the socket is a child

void FlashClearRun::start() {
    if (m_running || m_socket) return;
    m_running = true;
    m_socket = new CClientSocket(KIND_PRIMARY, this);
    if (!m_socket->Create(0) || !m_socket->Connect(m_target, m_config.devicePort)) {
        finish(FlashRunStatus::NoSocket);
        return;
    }
    connect(m_socket, &CClientSocket::clientSocketData, this, &FlashClearRun::drain);
    sendSlice();
}

void FlashClearRun::stop() {
    if (m_running) finish(FlashRunStatus::Stopped);
}

void FlashClearRun::sendSlice() {
    if (!m_running) return;
    for (int i = 0; i < kSlice && m_next <= m_to; ++i, ++m_next) {
        ++m_sent;
        if (m_socket->Send(toDatagram(encodeSectorClear(m_next)))) ++m_accepted;
    }
    if (m_next > m_to) {
        finish(FlashRunStatus::Completed);
    } else {
        QTimer::singleShot(0, this, &FlashClearRun::sendSlice);
    }
}

void FlashClearRun::drain() {
    while (m_socket && m_socket->Receive()) {
    }
}

void FlashClearRun::finish(FlashRunStatus status) {
    m_running = false;
    if (m_socket) {
        m_socket->Close();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    emit finished(status);
}

}  // namespace tavo
