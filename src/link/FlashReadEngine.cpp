#include "FlashReadEngine.h"

#include <QHostAddress>

#include "FlashReadRun.h"

namespace tavo {
FlashReadEngine::FlashReadEngine(LinkConfig config, Pace pace, QObject* parent)
    : QObject(parent), m_config(std::move(config)), m_pace(pace) {}

FlashReadEngine::~FlashReadEngine() = default;

FlashStatus FlashReadEngine::check(const Ipv4Octets& target, uint32_t from, uint32_t to) {
    return checkFlashInput(checkReadRange(from, to), target);
}

FlashStatus FlashReadEngine::admit(const FlashReadRequest& request) {
    return recordWhenPassed(check(request.target, request.from, request.to), request.history, request.target);
}

void FlashReadEngine::start(const FlashReadRequest& request) {
    if (m_run) return;
    const FlashStatus refused = admit(request);
    if (refused != FlashStatus::Completed) {
        emit finished(FlashReadResult{.status = refused, .dump = {}});
        return;
    }
    emit targetRecorded();
    FlashReadRun::Request run;
    run.target = QHostAddress(QString::fromStdString(formatDotted(request.target)));
    run.from = static_cast<int>(request.from);
    run.to = static_cast<int>(request.to);
    run.retries = request.retries;
    run.replyWait = request.replyWait;
    m_run = new FlashReadRun(m_config, m_pace, run, this);
    connect(m_run, &FlashReadRun::requestSent, this, [this](int sector, bool accepted) {
        emit requestSent(FlashReadProgress{sector, accepted, m_run->requestsSent(), m_run->requestsPlanned()});
    });
    connect(m_run, &FlashReadRun::sectorReceived, this, &FlashReadEngine::sectorReceived);
    connect(m_run, &FlashReadRun::receiveFailed, this, &FlashReadEngine::receiveFailed);
    connect(m_run, &FlashReadRun::requestsDone, this, &FlashReadEngine::requestsDone);
    connect(m_run, &FlashReadRun::finished, this, [this](FlashRunStatus status) {
        emit finished(FlashReadResult{.status = statusOf(status), .dump = m_run->dump()});
    });
    emit started();
    m_run->start();
}

void FlashReadEngine::cancel() {
    if (m_run) m_run->stop();
}

bool FlashReadEngine::isRunning() const { return m_run && m_run->isRunning(); }

}  // namespace tavo
