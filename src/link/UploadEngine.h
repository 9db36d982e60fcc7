#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "LinkConfig.h"
#include "Pace.h"
#include "TableMessage.h"
#include "UploadPlan.h"

namespace tavo {

class FlashReadRun;
class UploadSocket;
enum class FlashRunStatus;

// The stages of one upload, in their order; only Sending is always there.
enum class UploadPhase {
    ReadingBefore,  // --changed-only: the device's blocks are read to find those that differ
    Sending,        // the blocks go out, one per Pace::afterUploadBlock
    Verifying,      // the blocks are read back and compared with the file
};

enum class UploadStatus {
    Completed,         // every block was handed to the socket (and, when asked, read back equal)
    VerifyFailed,      // the read-back found blocks that differ from the file
    VerifyIncomplete,  // none differ, but some sectors never came back
    NoSocket,          // a socket could not be opened: nothing more was sent
    Stopped,           // cancel() was called
};

struct UploadProgress {
    UploadPhase phase = UploadPhase::Sending;
    int done = 0;   // blocks sent or read requests sent in this phase
    int total = 0;  // of this phase
    std::chrono::milliseconds timeLeft{0};  // the rest of this phase and of those still to come
    int lastBlock = -1;  // Sending: the block handed to the socket last
};

struct UploadResult {
    UploadStatus status = UploadStatus::Stopped;
    int blocks = 0;         // N of the file
    int blocksSent = 0;     // handed to the socket
    int blocksRefused = 0;  // of those, not taken whole by the stack
    std::optional<int> changedBlocks;          // changed-only: the blocks found to differ before
    std::optional<BlockComparison> verification;  // when a read-back was made
    bool ok() const { return status == UploadStatus::Completed; }
};

// What one upload sends, where, and how it is checked.
struct UploadRequest {
    QHostAddress target;
    std::shared_ptr<const std::vector<uint8_t>> image;  // at most UPLOAD_LIMIT bytes
    bool verify = false;
    bool changedOnly = false;  // implies a read-back at the end
    // When not empty, only these blocks are sent, in this order (a repair after a
    // read-back); changedOnly is then not looked at.
    std::vector<int> blocks;
    int readRetries = 3;       // further read passes for sectors that did not come back
    std::chrono::milliseconds replyWait{1000};
    // The folder of the IP history the target is recorded in; empty: not recorded.
    std::string dataDir;
    TableMessageSink historyMessages;  // the history file's problems, typed
};

// One upload of a project file to one device, paced on the thread the engine lives on: a
// precise single-shot timer keeps the blocks on a fixed grid from the phase's start (one
// per Pace::afterUploadBlock, the device writes flash in between), so small delays of the
// event loop do not add up, and nothing ever sleeps. Several engines in one event loop go
// each at its own pace.
//
// The engine records its target in the IP history and opens the socket the blocks leave
// on (prepare(), which start() makes when nobody did before); both are the engine's own,
// so whoever made a later engine for another target never takes either from under a run.
//
// The read-back and the changed-only read are flash reads (FlashReadRun, its pace, its
// reply binding and its retries for missing sectors): the read-back of sectors 0..N-1,
// the changed-only read likewise. After a changed-only read only the range from the first
// to the last block sent is read back, since the rest was just read equal: for a small
// change the whole run takes about N reads, a third of a full upload's N blocks.
class UploadEngine final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UploadEngine)
public:
    UploadEngine(LinkConfig config, Pace pace, UploadRequest request, QObject* parent = nullptr);
    ~UploadEngine() override;

    // Records the target in the history and opens the socket; false when the socket could
    // not be opened. Done once: later calls only tell the outcome again.
    bool prepare();
    // Begins at once (the first block or read request leaves before start returns). An
    // engine starts once; a 0-byte file finishes inside start().
    void start();
    // The same, with the file and the read-back chosen only now (the page prepares the
    // engine when the address is set, before the file is read).
    void start(std::shared_ptr<const std::vector<uint8_t>> image, bool verify);
    void cancel();
    bool isRunning() const { return m_running; }
    const UploadRequest& request() const { return m_request; }
    const UploadResult& result() const { return m_result; }
    UploadProgress progress() const;

signals:
    void phaseStarted(tavo::UploadPhase phase, int total);
    void progressed(const tavo::UploadProgress& progress);
    void finished(const tavo::UploadResult& result);

private:
    void startReading(UploadPhase phase, int from, int to);
    void readFinished(UploadPhase phase, FlashRunStatus status);
    void startSending(std::vector<int> blocks);
    void sendNext();
    void afterSending();
    void finish(UploadStatus status);
    std::chrono::milliseconds timeLeft() const;

    LinkConfig m_config;
    Pace m_pace;
    UploadRequest m_request;
    std::unique_ptr<UploadSocket> m_socket;
    UploadResult m_result;
    UploadPhase m_phase = UploadPhase::Sending;
    FlashReadRun* m_read = nullptr;  // child while a read phase runs
    QTimer m_tick;
    QElapsedTimer m_phaseClock;
    std::vector<int> m_toSend;  // in block order
    size_t m_next = 0;
    bool m_prepared = false;
    bool m_socketOpen = false;
    bool m_running = false;
    bool m_started = false;
};

}  // namespace tavo
