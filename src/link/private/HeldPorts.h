#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>

class QUdpSocket;

namespace tavo {

// Ports kept bound for a while after their sockets are done with, so that the stack does
// not hand one of them to a later socket that would then take a stray late datagram meant
// for the old one. The port is held by a duplicate of the socket's descriptor that no
// event loop watches: a run of many reads (a hundred devices read back side by side keep
// thousands of ports) then costs the event loop nothing, where open sockets would be
// polled at every wake-up. What arrives meanwhile stays unread and goes with the port.
class HeldPorts final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeldPorts)
public:
    explicit HeldPorts(std::chrono::milliseconds hold, QObject* parent = nullptr);
    // Every port still held is let go.
    ~HeldPorts() override;

    // Holds the socket's port and closes the socket. False where the platform cannot
    // (the caller then keeps the socket open for the time itself).
    bool take(QUdpSocket& socket);
    int held() const { return int(m_held.size()); }

private:
    struct Held {
        qint64 dueMs;
        qintptr descriptor;
    };
    void releaseDue();

    std::chrono::milliseconds m_hold;
    std::deque<Held> m_held;  // in the order they are due
    QElapsedTimer m_clock;
    QTimer m_timer;
};

}  // namespace tavo
