#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "BootpRequestRecord.h"

namespace tavo {

// Follows the one interface a BootP server was told to serve: down, without an IPv4
// address, deleted, and back. The server's socket is bound to every address and lives
// through all of these; what changes is the interface's index (a deleted and made again
// interface gets a new one) and its address (the next replies' server address), which
// the server takes from here. Polled: the platform's change notifications differ from
// system to system, and a look at the interfaces a few times a second costs nothing.
class BootpInterfaceWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BootpInterfaceWatch)
public:
    explicit BootpInterfaceWatch(QObject* parent = nullptr);

    // Takes the interface's present state without reporting it, then watches.
    void start(const QString& name);
    void stop();
    BootpInterfaceState state() const { return m_state; }

signals:
    // Once per change of state; `index` is the interface's index (0 when Missing).
    void changed(const tavo::BootpInterfaceEvent& event, int index);

private:
    BootpInterfaceEvent look(int& index) const;
    void check();

    QTimer m_timer;
    QString m_name;
    BootpInterfaceState m_state = BootpInterfaceState::Up;
};

}  // namespace tavo
