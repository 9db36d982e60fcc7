#pragma once

#include <QObject>
#include <chrono>
#include <cstdint>

#include "FlashDump.h"
#include "FlashStatus.h"
#include "LinkConfig.h"
#include "Pace.h"

namespace tavo {

class FlashReadRun;

struct FlashReadRequest {
    Ipv4Octets target{};
    uint32_t from = 0;
    uint32_t to = 0;
    int retries = 0;                            // further passes for missing sectors
    std::chrono::milliseconds replyWait{1000};  // how long a request waits for its reply
    TargetHistory history;
};

struct FlashReadProgress {
    int sector = 0;
    bool accepted = false;  // the stack took the request whole
    int sent = 0;           // requests of the run sent so far
    int planned = 0;        // requests of the run so far, including those still to send
};

struct FlashReadResult {
    FlashStatus status = FlashStatus::Stopped;
    FlashDump dump;  // the range read; empty when the read was refused
};

// A flash read as the operator starts it: checks the range and the target, records the
// target in the IP history, then reads the range with a FlashReadRun (which owns its
// sockets). One engine reads once.
class FlashReadEngine final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashReadEngine)
public:
    FlashReadEngine(LinkConfig config, Pace pace, QObject* parent = nullptr);
    ~FlashReadEngine() override;

    // The checks of start() alone, in its order; Completed when the read may go.
    static FlashStatus check(const Ipv4Octets& target, uint32_t from, uint32_t to);
    // check(), and the target recorded when it passes: what a read does before it sends.
    static FlashStatus admit(const FlashReadRequest& request);

    // A refusal finishes at once (inside this call), so does a run without a socket.
    void start(const FlashReadRequest& request);
    void cancel();
    bool isRunning() const;

signals:
    void targetRecorded();
    void started();  // just before the first request
    void requestSent(const tavo::FlashReadProgress& progress);
    void sectorReceived(int sector);
    // A datagram on the sector's socket could not be taken: it stays missing in this pass.
    void receiveFailed(int sector);
    // Every request of the first pass has left and its pause is over.
    void requestsDone();
    void finished(const tavo::FlashReadResult& result);

private:
    LinkConfig m_config;
    Pace m_pace;
    FlashReadRun* m_run = nullptr;  // a child
};

}  // namespace tavo
