#include "HeldPorts.h"

#include <QUdpSocket>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tavo {

HeldPorts::HeldPorts(std::chrono::milliseconds hold, QObject* parent) : QObject(parent), m_hold(hold) {
    m_clock.start();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &HeldPorts::releaseDue);
}

HeldPorts::~HeldPorts() {
#ifdef Q_OS_UNIX
    for (const Held& held : m_held) ::close(int(held.descriptor));
#endif
}

bool HeldPorts::take(QUdpSocket& socket) {
#ifdef Q_OS_UNIX
    const qintptr descriptor = socket.socketDescriptor();
    if (descriptor < 0) return false;
    const int copy = ::dup(int(descriptor));
    if (copy < 0) return false;
    socket.abort();
    m_held.push_back({m_clock.elapsed() + m_hold.count(), copy});
    if (!m_timer.isActive()) m_timer.start(m_hold);
    return true;
#else
    (void)socket;
    return false;
#endif
}

void HeldPorts::releaseDue() {
#ifdef Q_OS_UNIX
    const qint64 now = m_clock.elapsed();
    while (!m_held.empty() && m_held.front().dueMs <= now) {
        ::close(int(m_held.front().descriptor));
        m_held.pop_front();
    }
    if (!m_held.empty()) m_timer.start(std::chrono::milliseconds(m_held.front().dueMs - now));
#endif
}

}  // namespace tavo
