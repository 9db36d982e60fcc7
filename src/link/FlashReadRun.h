#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <map>
#include <vector>

#include "FlashDump.h"
#include "LinkConfig.h"
#include "Pace.h"

namespace tavo {

class CClientSocket;
class HeldPorts;

// How a flash run ended.
enum class FlashRunStatus {
    Completed,  // every request went out (a read: and every reply came or its wait ran out)
    NoSocket,   // a socket could not be opened: the run stopped there
    Stopped,    // stop() was called
};

// One read of a range of flash sectors from one device, paced: one sector read request
// per `Pace::afterSectorRead`, on the thread the run lives on (the timer never blocks it).
//
// The sector reply carries no sector number, so every request leaves from a socket of its
// own (its own local port) and the reply that arrives on that socket is the reply for
// that sector and no other. Once its reply has been read or its wait has run out, the
// socket only drops what still arrives, and it keeps its port a while longer, so a late
// or duplicated reply can never fill another sector's row. A sector without a reply
// stays missing in the dump.
//
// After the last request of a pass and its pause, the run waits for the replies still
// outstanding (each at most `replyWait` after its request); missing sectors are then
// asked again up to `retries` more passes, and the run finishes with the dump.
class FlashReadRun final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashReadRun)
public:
    struct Request {
        QHostAddress target;
        int from = 0;
        int to = 0;
        // When not empty, only these sectors of from..to are asked for, in this order (a
        // re-read of a few blocks); the others stay missing in the dump.
        std::vector<int> sectors;
        int retries = 0;                             // further passes for missing sectors
        std::chrono::milliseconds replyWait{1000};   // how long a request waits for its reply
    };
    // Requests whose replies are outstanding at most at once; only a pace far below the
    // product's (or a device that does not answer at all with a long wait) reaches it.
    static constexpr int kMaxOutstanding = 64;
    // How long a settled request's socket keeps its port (see release()).
    static constexpr std::chrono::milliseconds kQuarantine{2000};

    FlashReadRun(LinkConfig config, Pace pace, Request request, QObject* parent = nullptr);
    ~FlashReadRun() override;

    // Sends the first request at once. A run starts once.
    void start();
    // Ends the run at once: no further request, outstanding replies are dropped.
    void stop();
    bool isRunning() const { return m_running; }

    const Request& request() const { return m_request; }
    const FlashDump& dump() const { return m_dump; }
    int requestsSent() const { return m_requestsSent; }
    // The requests of the whole run so far, including those still to send in this pass.
    int requestsPlanned() const { return m_requestsPlanned; }

signals:
    // A pass begins: pass 0 asks for the whole range, later passes for the missing sectors.
    void passStarted(int pass, int sectors);
    void requestSent(int sector, bool accepted);
    void sectorReceived(int sector);
    // A datagram on a sector's socket could not be taken (longer than a sector reply):
    // that sector stays missing in this pass.
    void receiveFailed(int sector);
    // Every request of the first pass has left and its pause is over.
    void requestsDone();
    void finished(FlashRunStatus status);

private:
    void startPass(std::vector<int> sectors);
    void sendNext();
    void scheduleNext();
    void onReply(CClientSocket* socket, int sector);
    void expire(CClientSocket* socket);
    void release(CClientSocket* socket);
    void checkPassEnd();
    void finish(FlashRunStatus status);

    LinkConfig m_config;
    Pace m_pace;
    Request m_request;
    FlashDump m_dump;
    QTimer m_tick;
    QTimer m_pauseAfterLast;
    QElapsedTimer m_passClock;
    std::vector<int> m_pass;   // sectors of the current pass, in sending order
    size_t m_next = 0;         // index in m_pass of the next request
    int m_passNumber = 0;
    bool m_passSent = false;   // the pass's last request and its pause are over
    std::map<CClientSocket*, int> m_outstanding;  // socket -> the sector it asked for
    HeldPorts* m_heldPorts;  // a child: the settled requests' ports
    int m_requestsSent = 0;
    int m_requestsPlanned = 0;
    bool m_running = false;
    bool m_started = false;
};

}  // namespace tavo
