#include "BootpInterfaceWatch.h"

#include <QNetworkInterface>

namespace tavo {
namespace {
// A quarter of a second between looks: an interface that is back is served again well
// within the two seconds an operator waits for.
constexpr int kCheckIntervalMs = 250;
}  // namespace

BootpInterfaceWatch::BootpInterfaceWatch(QObject* parent) : QObject(parent) {
    m_timer.setInterval(kCheckIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &BootpInterfaceWatch::check);
}

void BootpInterfaceWatch::start(const QString& name) {
    m_name = name;
    int index = 0;
    m_state = look(index).state;
    m_timer.start();
}

void BootpInterfaceWatch::stop() { m_timer.stop(); }

BootpInterfaceEvent BootpInterfaceWatch::look(int& index) const {
    BootpInterfaceEvent event;
    event.name = m_name;
    const QNetworkInterface system = QNetworkInterface::interfaceFromName(m_name);
    index = system.isValid() ? system.index() : 0;
    if (!system.isValid()) {
        event.state = BootpInterfaceState::Missing;
        return event;
    }
    // A pulled cable (no carrier) is as down as an interface set down: nothing arrives.
    const auto flags = system.flags();
    if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)) {
        event.state = BootpInterfaceState::Down;
        return event;
    }
    for (const QNetworkAddressEntry& entry : system.addressEntries()) {
        if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol) continue;
        event.address = entry.ip();
        event.state = BootpInterfaceState::Up;
        return event;
    }
    event.state = BootpInterfaceState::NoAddress;
    return event;
}

void BootpInterfaceWatch::check() {
    int index = 0;
    BootpInterfaceEvent event = look(index);
    if (event.state == m_state) return;
    m_state = event.state;
    event.time = QDateTime::currentDateTimeUtc();
    emit changed(event, index);
}

}  // namespace tavo
