#pragma once

#include <QHostAddress>
#include <QObject>

#include "FlashReadRun.h"
#include "LinkConfig.h"

namespace tavo {

class CClientSocket;

// One clear of a range of flash sectors: a sector write of 256 zero bytes to each sector,
// back to back without a pause, on a socket of the run's own. Whatever the device sends
// back on that socket is read and dropped, so it can never reach a read.
//
// The writes leave in slices of kSlice from the event loop, one slice straight after the
// other: the thread the run lives on stays responsive (and a receiver in the same thread
// gets to read) while no pause is put between the writes.
class FlashClearRun final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashClearRun)
public:
    static constexpr int kSlice = 64;

    FlashClearRun(LinkConfig config, QHostAddress target, int from, int to, QObject* parent = nullptr);
    ~FlashClearRun() override;

    void start();
    void stop();
    bool isRunning() const { return m_running; }
    int from() const { return m_from; }
    int to() const { return m_to; }
    int sent() const { return m_sent; }          // writes handed to the socket
    int accepted() const { return m_accepted; }  // of those, taken whole by the stack

signals:
    void finished(FlashRunStatus status);

private:
    void sendSlice();
    void drain();
    void finish(FlashRunStatus status);

    LinkConfig m_config;
    QHostAddress m_target;
    int m_from;
    int m_to;
    int m_next;
    int m_sent = 0;
    int m_accepted = 0;
    bool m_running = false;
    CClientSocket* m_socket = nullptr;
};

}  // namespace tavo
