#include "CommissionDevice.h"

#include <QDateTime>
#include <algorithm>

#include "FlashReadRun.h"
#include "IpSearchEngine.h"
#include "RegisterEngine.h"
#include "UploadEngine.h"

namespace tavo {

namespace {
// How many times a register is asked again when its read-back gets no reply.
constexpr int kRegisterReadTries = 3;
constexpr std::chrono::milliseconds kFirstSearchDelay{100};

std::chrono::milliseconds times(std::chrono::milliseconds pace, qint64 count) {
    return std::chrono::milliseconds(pace.count() * std::max<qint64>(0, count));
}

int percentOf(int done, int total) { return total > 0 ? std::clamp(done * 100 / total, 0, 100) : 100; }

template <typename T>
void discard(T*& child) {
    if (T* gone = std::exchange(child, nullptr)) {
        gone->disconnect();
        gone->deleteLater();  // it may be inside one of its own signals
    }
}
}  // namespace

CommissionDevice::CommissionDevice(const CommissionRequest& request, const QElapsedTimer& lineClock, const MacOctets& mac,
                                   QObject* parent)
    : QObject(parent), m_request(request), m_lineClock(lineClock) {
    m_state.mac = mac;
    m_deadline.setSingleShot(true);
    m_slot.setSingleShot(true);
    m_slot.setTimerType(Qt::PreciseTimer);
}

// A paced step begins on the next slot of the line's grid: the timers of a hundred devices
// at one pace then fall due together and the event loop wakes once for all of them, not
// once for each (a device waits at most one pause more).
void CommissionDevice::onGrid(std::chrono::milliseconds pace, std::function<void()> step) {
    m_slot.disconnect();
    if (pace.count() <= 0 || !m_lineClock.isValid()) return step();
    connect(&m_slot, &QTimer::timeout, this, [this, step = std::move(step)] {
        if (m_running) step();
    });
    m_slot.start(std::chrono::milliseconds(pace.count() - m_lineClock.elapsed() % pace.count()));
}

CommissionDevice::~CommissionDevice() { stopChildren(); }

void CommissionDevice::start(const Ipv4Octets& ip) {
    if (m_running) return;
    m_running = true;
    m_clock.start();
    m_target = QHostAddress(QString::fromStdString(formatDotted(ip)));
    m_record = CommissionRecord{};
    m_record.mac = m_state.mac;
    m_record.ip = ip;
    m_record.imageName = m_request.image.name;
    m_record.imageSha256 = m_request.image.sha256;
    m_state.ip = ip;
    m_state.record.reset();
    m_uploadComparison.reset();
    m_lastConfirmed = -1;
    m_repairs = 0;
    confirm();
}

void CommissionDevice::interrupt() {
    if (m_running) end(CommissionOutcome::Interrupted, CommissionFailure::Interrupted);
}

void CommissionDevice::setPhase(CommissionPhase phase, int percent) {
    m_state.phase = phase;
    m_state.percent = percent;
    std::chrono::milliseconds left = laterSteps();
    if (phase == CommissionPhase::Uploading && m_upload) left += m_upload->progress().timeLeft;
    if (phase == CommissionPhase::Verifying && m_read)
        left = times(m_request.pace.afterSectorRead, m_read->requestsPlanned() - m_read->requestsSent());
    m_state.timeLeft = m_running ? left : std::chrono::milliseconds(0);
    emit changed(m_state);
}

// What the steps after the current one take at the line's pace.
std::chrono::milliseconds CommissionDevice::laterSteps() const {
    const int blocks = uploadBlockCount(m_request.image.bytes ? m_request.image.bytes->size() : 0);
    std::chrono::milliseconds left{0};
    switch (m_state.phase) {
    case CommissionPhase::Waiting:
    case CommissionPhase::AddressAssigned:
        left += times(m_request.pace.afterUploadBlock, blocks);
        [[fallthrough]];
    case CommissionPhase::Uploading:
        left += times(m_request.pace.afterRegisterCommand, 2 * qint64(m_request.registers.size()));
        [[fallthrough]];
    case CommissionPhase::Registers:
        if (m_request.verify && !m_request.changedOnly) left += times(m_request.pace.afterSectorRead, blocks);
        break;
    default: break;
    }
    return left;
}

// 1. The IP search by its MAC, until it answers or the bound runs out.
void CommissionDevice::confirm() {
    setPhase(CommissionPhase::AddressAssigned);
    IpSearchRequest search;
    search.link = m_request.link;
    search.pace = m_request.pace;
    const MacOctets mac = m_state.mac;
    search.mac = [mac] { return mac; };
    search.dataDir = m_request.dataDir;
    search.tableMessages = m_request.tableMessages;
    m_search = new IpSearchEngine(std::move(search), this);
    connect(m_search, &IpSearchEngine::found, this, &CommissionDevice::onFound);
    CMacHistoryFDB::Values entry{};
    for (size_t i = 0; i < entry.size(); ++i) entry[i] = mac[i];
    // Another device's reply ends the search; the device asked for may still answer.
    connect(m_search, &IpSearchEngine::otherDevice, this, [this, entry] {
        if (m_search && !m_search->start(entry)) fail(CommissionFailure::NoSocket);
    });
    if (!m_search->start(entry)) return fail(CommissionFailure::NoSocket);
    // The device takes its address from the reply that has just left: the first request
    // goes a moment later, not a whole search tick.
    QTimer::singleShot(std::min<std::chrono::milliseconds>(kFirstSearchDelay, m_request.pace.searchTick), m_search,
                       [search = m_search] { search->sendNow(); });
    m_deadline.disconnect();
    connect(&m_deadline, &QTimer::timeout, this, [this] { fail(CommissionFailure::AddressNotConfirmed); });
    m_deadline.start(m_request.pace.searchTick * std::max(1, m_request.confirmTicks) + m_request.replyWait);
}

void CommissionDevice::onFound(const Ipv4Octets& ip) {
    m_deadline.stop();
    discard(m_search);
    if (ip != m_record.ip) {
        m_record.otherIp = ip;
        return fail(CommissionFailure::OtherAddress);
    }
    upload();
}

// 2. Every block (or those that differ), paced; a watch read every few blocks.
void CommissionDevice::upload() {
    UploadRequest request;
    request.target = m_target;
    request.image = m_request.image.bytes;
    request.changedOnly = m_request.changedOnly;
    request.readRetries = m_request.readRetries;
    request.replyWait = m_request.replyWait;
    request.dataDir = m_request.dataDir;
    request.historyMessages = m_request.tableMessages;
    m_upload = new UploadEngine(m_request.link, m_request.pace, std::move(request), this);
    connect(m_upload, &UploadEngine::progressed, this, &CommissionDevice::onUploadProgress);
    connect(m_upload, &UploadEngine::finished, this, &CommissionDevice::onUploadFinished);
    setPhase(CommissionPhase::Uploading);
    onGrid(m_request.pace.afterUploadBlock, [this] { m_upload->start(); });
}

void CommissionDevice::onUploadProgress(const UploadProgress& progress) {
    if (progress.phase != UploadPhase::Sending) {
        setPhase(CommissionPhase::Uploading, 0);
        return;
    }
    if (progress.lastBlock >= 0 && progress.done % CommissionEngine::kWatchEvery == 0 && !m_watch)
        watch(progress.lastBlock);
    if (m_running) setPhase(CommissionPhase::Uploading, percentOf(progress.done, progress.total));
}

void CommissionDevice::onUploadFinished(const UploadResult& result) {
    UploadEngine* upload = std::exchange(m_upload, nullptr);
    upload->deleteLater();
    m_record.blocksSent += result.blocksSent;
    if (result.status == UploadStatus::NoSocket) return fail(CommissionFailure::NoSocket);
    if (result.status == UploadStatus::Stopped) return;  // interrupted or failed meanwhile
    if (m_request.changedOnly) m_uploadComparison = result.verification;
    writeRegisters();
}

// A read of the block just sent: a device that no longer answers is found during the
// upload, and the block it stopped at is known, instead of after minutes of blocks sent
// into the void.
void CommissionDevice::watch(int block) {
    FlashReadRun::Request read;
    read.target = m_target;
    read.from = block;
    read.to = block;
    read.retries = 1;
    read.replyWait = m_request.replyWait;
    m_watch = new FlashReadRun(m_request.link, m_request.pace, read, this);
    connect(m_watch, &FlashReadRun::finished, this, [this, block](FlashRunStatus status) {
        const bool answered = m_watch && m_watch->dump().sector(block) != nullptr;
        onWatchFinished(status, block, answered);
    });
    m_watch->start();
}

void CommissionDevice::onWatchFinished(FlashRunStatus status, int block, bool answered) {
    discard(m_watch);
    if (!m_running || status == FlashRunStatus::Stopped) return;
    if (status == FlashRunStatus::NoSocket) return fail(CommissionFailure::NoSocket);
    if (answered) {
        m_lastConfirmed = std::max(m_lastConfirmed, block);
        return;
    }
    if (m_state.phase == CommissionPhase::Uploading || m_state.phase == CommissionPhase::Registers) {
        m_record.block = m_lastConfirmed + 1;
        fail(CommissionFailure::DeviceSilent);
    }
}

// 3. Each register written, then read back, one at a time: a register reply does not say
// which register it is for.
void CommissionDevice::writeRegisters() {
    m_register = 0;
    m_registerTries = 0;
    m_registerWritten = false;
    if (m_request.registers.empty()) return readBack({});
    setPhase(CommissionPhase::Registers);
    m_registers = new RegisterEngine(m_request.link, m_request.pace, this);
    connect(m_registers, &RegisterEngine::valueReceived, this, &CommissionDevice::onRegisterValue);
    connect(m_registers, &RegisterEngine::receiveFailed, this, [this] { fail(CommissionFailure::NoSocket); });
    if (m_registers->setTarget(m_record.ip, TargetHistory{m_request.dataDir, m_request.tableMessages}) !=
        RegisterStatus::Ok)
        return fail(CommissionFailure::NoSocket);
    m_deadline.disconnect();
    connect(&m_deadline, &QTimer::timeout, this, &CommissionDevice::onRegisterTimeout);
    nextRegister();
}

void CommissionDevice::nextRegister() {
    const RegisterSetting& setting = m_request.registers[m_register];
    if (!m_registerWritten) {
        m_registers->write(setting.reg, setting.value);
        m_registerWritten = true;
    }
    m_registers->read(setting.reg);
    // The write and the read each wait for their turn behind the register pause.
    m_deadline.start(m_request.pace.afterRegisterCommand * 2 + m_request.replyWait);
}

void CommissionDevice::onRegisterValue(uint8_t value) {
    if (!m_running || m_state.phase != CommissionPhase::Registers) return;
    m_deadline.stop();
    const RegisterSetting& setting = m_request.registers[m_register];
    if (value != setting.value) {
        // Written again, up to the re-sends the blocks get.
        if (m_registerTries++ < m_request.retries) {
            m_registerWritten = false;
            return nextRegister();
        }
        m_record.reg = setting.reg;
        m_record.regValue = value;
        return fail(CommissionFailure::RegisterDiffers);
    }
    ++m_record.registersWritten;
    m_registerTries = 0;
    m_registerWritten = false;
    if (++m_register < m_request.registers.size()) return nextRegister();
    discard(m_registers);
    m_deadline.disconnect();
    readBack({});
}

void CommissionDevice::onRegisterTimeout() {
    if (m_registerTries++ < kRegisterReadTries) return nextRegister();  // the read again
    m_record.reg = m_request.registers[m_register].reg;
    fail(CommissionFailure::RegisterNoReply);
}

// 4. The read-back: every block, or after a repair the blocks sent again.
void CommissionDevice::readBack(std::vector<int> blocks) {
    if (!m_request.verify && !m_request.changedOnly) return succeed();
    if (blocks.empty() && m_uploadComparison) {
        // A changed-only upload read the device before and the blocks it sent after.
        const BlockComparison comparison = *std::exchange(m_uploadComparison, std::nullopt);
        std::vector<int> wrong;
        std::merge(comparison.differing.begin(), comparison.differing.end(), comparison.missing.begin(),
                   comparison.missing.end(), std::back_inserter(wrong));
        return wrong.empty() ? succeed() : repair(std::move(wrong));
    }
    const int count = uploadBlockCount(m_request.image.bytes->size());
    if (count == 0) return succeed();
    FlashReadRun::Request read;
    read.target = m_target;
    read.from = blocks.empty() ? 0 : blocks.front();
    read.to = blocks.empty() ? count - 1 : blocks.back();
    read.sectors = blocks;
    read.retries = m_request.readRetries;
    read.replyWait = m_request.replyWait;
    m_read = new FlashReadRun(m_request.link, m_request.pace, read, this);
    connect(m_read, &FlashReadRun::requestSent, this,
            [this] { setPhase(CommissionPhase::Verifying, percentOf(m_read->requestsSent(), m_read->requestsPlanned())); });
    connect(m_read, &FlashReadRun::finished, this,
            [this, blocks](FlashRunStatus status) { onReadBackFinished(status, blocks); });
    setPhase(CommissionPhase::Verifying);
    onGrid(m_request.pace.afterSectorRead, [this] { m_read->start(); });
}

void CommissionDevice::onReadBackFinished(FlashRunStatus status, const std::vector<int>& blocks) {
    FlashReadRun* read = std::exchange(m_read, nullptr);
    read->deleteLater();
    if (!m_running || status == FlashRunStatus::Stopped) return;
    if (status == FlashRunStatus::NoSocket) return fail(CommissionFailure::NoSocket);
    BlockComparison comparison = compareBlocks(read->dump(), *m_request.image.bytes);
    if (!blocks.empty()) {
        // Only the blocks asked for again count; the others of the range were not read.
        auto keep = [&blocks](std::vector<int>& list) {
            std::erase_if(list, [&blocks](int b) { return !std::binary_search(blocks.begin(), blocks.end(), b); });
        };
        keep(comparison.differing);
        keep(comparison.missing);
    }
    if (comparison.matches()) return succeed();
    const int asked = blocks.empty() ? comparison.blocks : int(blocks.size());
    if (comparison.differing.empty() && int(comparison.missing.size()) == asked) {
        // Not one block came back: the device is no longer there, a re-send would only
        // add minutes into the void.
        m_record.block = m_lastConfirmed + 1;
        return fail(CommissionFailure::DeviceSilent);
    }
    if (m_repairs >= m_request.retries) {
        const bool differ = !comparison.differing.empty();
        m_record.block = differ ? comparison.differing.front() : comparison.missing.front();
        return fail(differ ? CommissionFailure::BlocksDiffer : CommissionFailure::BlocksMissing);
    }
    std::vector<int> wrong;
    std::merge(comparison.differing.begin(), comparison.differing.end(), comparison.missing.begin(),
               comparison.missing.end(), std::back_inserter(wrong));
    repair(std::move(wrong));
}

// The blocks a read-back found wrong or missing, sent again at the pace, then read again.
void CommissionDevice::repair(std::vector<int> blocks) {
    ++m_repairs;
    UploadRequest request;
    request.target = m_target;
    request.image = m_request.image.bytes;
    request.blocks = blocks;
    m_upload = new UploadEngine(m_request.link, m_request.pace, std::move(request), this);
    connect(m_upload, &UploadEngine::progressed, this, [this](const UploadProgress& progress) {
        setPhase(CommissionPhase::Verifying, percentOf(progress.done, progress.total));
    });
    connect(m_upload, &UploadEngine::finished, this, [this, blocks](const UploadResult& result) {
        UploadEngine* upload = std::exchange(m_upload, nullptr);
        upload->deleteLater();
        m_record.blocksSent += result.blocksSent;
        m_record.blocksResent += result.blocksSent;
        if (result.status == UploadStatus::NoSocket) return fail(CommissionFailure::NoSocket);
        if (result.status != UploadStatus::Completed) return;
        readBack(blocks);
    });
    setPhase(CommissionPhase::Verifying);
    onGrid(m_request.pace.afterUploadBlock, [this] { m_upload->start(); });
}

void CommissionDevice::succeed() {
    m_record.verified = m_request.verify || m_request.changedOnly;
    end(m_record.verified ? CommissionOutcome::Verified : CommissionOutcome::Completed, CommissionFailure::None);
}

void CommissionDevice::fail(CommissionFailure failure) {
    if (m_running) end(CommissionOutcome::Failed, failure);
}

void CommissionDevice::end(CommissionOutcome outcome, CommissionFailure failure) {
    m_running = false;
    stopChildren();
    m_record.outcome = outcome;
    m_record.failure = failure;
    m_record.seconds = double(m_clock.elapsed()) / 1000.0;
    m_record.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    m_state.record = m_record;
    setPhase(outcome == CommissionOutcome::Verified || outcome == CommissionOutcome::Completed ? CommissionPhase::Completed
                                                                                                : CommissionPhase::Failed,
             m_state.percent);
    emit ended(this, m_record);
}

void CommissionDevice::stopChildren() {
    m_deadline.stop();
    m_slot.stop();
    if (m_search) m_search->stop();
    discard(m_search);
    if (m_upload) {
        // Its own count of blocks is taken before it goes.
        m_upload->disconnect(this);
        const int sent = m_upload->result().blocksSent;
        m_record.blocksSent += sent;
        if (m_state.phase == CommissionPhase::Verifying) m_record.blocksResent += sent;  // a repair
        m_upload->cancel();
    }
    discard(m_upload);
    if (m_watch) m_watch->stop();
    discard(m_watch);
    if (m_read) m_read->stop();
    discard(m_read);
    if (m_registers) m_registers->cancel();
    discard(m_registers);
}

}  // namespace tavo
