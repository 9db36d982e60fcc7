#include "UploadEngine.h"

#include "FlashReadRun.h"
#include "IPFDB.h"
#include "private/UploadSocket.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace tavo {

namespace {
std::chrono::milliseconds times(std::chrono::milliseconds pace, qint64 count) {
    return std::chrono::milliseconds(pace.count() * std::max<qint64>(0, count));
}
}  // namespace

UploadEngine::UploadEngine(LinkConfig config, Pace pace, UploadRequest request, QObject* parent)
    : QObject(parent), m_config(std::move(config)), m_pace(pace), m_request(std::move(request)) {
    if (!m_request.image) m_request.image = std::make_shared<const std::vector<uint8_t>>();
    m_result.blocks = uploadBlockCount(m_request.image->size());
    m_tick.setParent(this);
    m_tick.setSingleShot(true);
    m_tick.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, &UploadEngine::sendNext);
}

UploadEngine::~UploadEngine() { m_running = false; }

bool UploadEngine::prepare() {
    if (m_prepared) return m_socketOpen;
    m_prepared = true;
    m_socket = std::make_unique<UploadSocket>(m_config);
    m_socketOpen = m_socket->open(m_request.target);
    if (!m_request.dataDir.empty()) {
        const quint32 ip = m_request.target.toIPv4Address();
        CIPFDB::AddIfAbsent(m_request.dataDir, int(ip >> 24), int((ip >> 16) & 0xFF), int((ip >> 8) & 0xFF),
                            int(ip & 0xFF), m_request.historyMessages);
    }
    return m_socketOpen;
}

void UploadEngine::start(std::shared_ptr<const std::vector<uint8_t>> image, bool verify) {
    if (m_started) return;
    m_request.image = image ? std::move(image) : std::make_shared<const std::vector<uint8_t>>();
    m_request.verify = verify;
    m_result.blocks = uploadBlockCount(m_request.image->size());
    start();
}

void UploadEngine::start() {
    if (m_started) return;
    m_started = true;
    m_running = true;
    if (m_request.image->size() > UPLOAD_LIMIT) {
        // The front ends refuse such a file before they make an engine run; nothing is sent.
        finish(UploadStatus::Stopped);
        return;
    }
    if (!prepare()) {
        finish(UploadStatus::NoSocket);
        return;
    }
    if (!m_request.blocks.empty()) {
        std::vector<int> some;
        for (int block : m_request.blocks)
            if (block >= 0 && block < m_result.blocks) some.push_back(block);
        m_request.changedOnly = false;
        startSending(std::move(some));
        return;
    }
    if (m_request.changedOnly && m_result.blocks > 0) {
        startReading(UploadPhase::ReadingBefore, 0, m_result.blocks - 1);
        return;
    }
    std::vector<int> all(static_cast<size_t>(m_result.blocks));
    for (int k = 0; k < m_result.blocks; ++k) all[static_cast<size_t>(k)] = k;
    startSending(std::move(all));
}

void UploadEngine::cancel() {
    if (m_running) finish(UploadStatus::Stopped);
}

void UploadEngine::startReading(UploadPhase phase, int from, int to) {
    m_phase = phase;
    FlashReadRun::Request read;
    read.target = m_request.target;
    read.from = from;
    read.to = to;
    read.retries = m_request.readRetries;
    read.replyWait = m_request.replyWait;
    m_read = new FlashReadRun(m_config, m_pace, read, this);
    connect(m_read, &FlashReadRun::requestSent, this, [this] { emit progressed(progress()); });
    connect(m_read, &FlashReadRun::finished, this,
            [this, phase](FlashRunStatus status) { readFinished(phase, status); });
    emit phaseStarted(phase, to - from + 1);
    if (!m_running) return;
    m_read->start();
}

void UploadEngine::readFinished(UploadPhase phase, FlashRunStatus status) {
    FlashReadRun* read = m_read;
    m_read = nullptr;
    read->deleteLater();  // it is still inside its own signal
    if (!m_running) return;
    if (status == FlashRunStatus::NoSocket) return finish(UploadStatus::NoSocket);
    if (status != FlashRunStatus::Completed) return finish(UploadStatus::Stopped);
    const BlockComparison comparison = compareBlocks(read->dump(), *m_request.image);
    if (phase == UploadPhase::ReadingBefore) {
        // A block that did not come back counts as changed: it is sent.
        std::vector<int> send;
        std::merge(comparison.differing.begin(), comparison.differing.end(), comparison.missing.begin(),
                   comparison.missing.end(), std::back_inserter(send));
        m_result.changedBlocks = static_cast<int>(send.size());
        if (send.empty()) m_result.verification = comparison;  // the read itself found them equal
        startSending(std::move(send));
        return;
    }
    m_result.verification = comparison;
    if (!comparison.differing.empty()) return finish(UploadStatus::VerifyFailed);
    if (!comparison.missing.empty()) return finish(UploadStatus::VerifyIncomplete);
    finish(UploadStatus::Completed);
}

void UploadEngine::startSending(std::vector<int> blocks) {
    m_phase = UploadPhase::Sending;
    m_toSend = std::move(blocks);
    m_next = 0;
    emit phaseStarted(UploadPhase::Sending, static_cast<int>(m_toSend.size()));
    if (!m_running) return;
    if (m_toSend.empty()) {
        afterSending();
        return;
    }
    m_phaseClock.start();
    sendNext();
}

// Sends the block that is due, then waits for the next slot of the grid; the slot after
// the last block is the pause that ends the phase.
void UploadEngine::sendNext() {
    if (!m_running) return;
    if (m_next >= m_toSend.size()) {
        afterSending();
        return;
    }
    const int block = m_toSend[m_next];
    const bool accepted = m_socket->sendBlock(block, uploadBlockData(*m_request.image, block));
    ++m_next;
    ++m_result.blocksSent;
    if (!accepted) ++m_result.blocksRefused;
    emit progressed(progress());
    if (!m_running) return;  // a receiver of the signal cancelled the run
    const qint64 due = static_cast<qint64>(m_next) * m_pace.afterUploadBlock.count();
    m_tick.start(std::chrono::milliseconds(std::max<qint64>(0, due - m_phaseClock.elapsed())));
}

void UploadEngine::afterSending() {
    if (m_request.verify || m_request.changedOnly) {
        if (!m_toSend.empty()) {
            // After a changed-only read, the blocks outside the range sent were just read equal.
            const bool all = !m_request.changedOnly;
            startReading(UploadPhase::Verifying, all ? 0 : m_toSend.front(), all ? m_result.blocks - 1 : m_toSend.back());
            return;
        }
        if (!m_result.verification) m_result.verification = BlockComparison{};
    }
    finish(UploadStatus::Completed);
}

void UploadEngine::finish(UploadStatus status) {
    m_running = false;
    m_tick.stop();
    if (FlashReadRun* read = std::exchange(m_read, nullptr)) {
        disconnect(read, nullptr, this, nullptr);
        read->stop();
        read->deleteLater();
    }
    m_result.status = status;
    if (m_socket) m_socket->close();  // nothing is sent on it any more
    emit finished(m_result);
}

UploadProgress UploadEngine::progress() const {
    UploadProgress p;
    p.phase = m_phase;
    if (m_phase == UploadPhase::Sending) {
        p.done = static_cast<int>(m_next);
        p.total = static_cast<int>(m_toSend.size());
        if (m_next > 0) p.lastBlock = m_toSend[m_next - 1];
    } else if (m_read) {
        p.done = m_read->requestsSent();
        p.total = m_read->requestsPlanned();
    }
    p.timeLeft = timeLeft();
    return p;
}

// The rest of this phase on its grid, and the phases still to come at their pace (before
// a changed-only read is over, every block is counted as one to send).
std::chrono::milliseconds UploadEngine::timeLeft() const {
    const int n = m_result.blocks;
    const bool readBack = m_request.verify || m_request.changedOnly;
    std::chrono::milliseconds left{0};
    switch (m_phase) {
    case UploadPhase::ReadingBefore:
        // Until the read is over every block counts as one to send and to read back.
        if (m_read) left = times(m_pace.afterSectorRead, m_read->requestsPlanned() - m_read->requestsSent());
        left += times(m_pace.afterUploadBlock, n) + times(m_pace.afterSectorRead, n);
        break;
    case UploadPhase::Sending: {
        const qint64 end = static_cast<qint64>(m_toSend.size()) * m_pace.afterUploadBlock.count();
        const qint64 elapsed = m_phaseClock.isValid() ? m_phaseClock.elapsed() : 0;
        left = std::chrono::milliseconds(std::max<qint64>(0, end - elapsed));
        if (readBack && !m_toSend.empty())
            left += times(m_pace.afterSectorRead, m_request.changedOnly ? m_toSend.back() - m_toSend.front() + 1 : n);
        break;
    }
    case UploadPhase::Verifying:
        if (m_read) left = times(m_pace.afterSectorRead, m_read->requestsPlanned() - m_read->requestsSent());
        break;
    }
    return m_running ? left : std::chrono::milliseconds(0);
}

}  // namespace tavo
