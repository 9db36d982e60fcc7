#include "FlashClearEngine.h"

#include <QHostAddress>

#include "private/FlashClearRun.h"

namespace tavo {

FlashClearEngine::FlashClearEngine(LinkConfig config, QObject* parent)
    : QObject(parent), m_config(std::move(config)) {}

FlashClearEngine::~FlashClearEngine() = default;

FlashStatus FlashClearEngine::check(const Ipv4Octets& target, uint32_t from, uint32_t to) {
    return checkFlashInput(checkClearRange(from, to), target);
}

FlashStatus FlashClearEngine::admit(const FlashClearRequest& request) {
    return recordWhenPassed(check(request.target, request.from, request.to), request.history, request.target);
}

void FlashClearEngine::start(const FlashClearRequest& request) {
    if (m_run) return;
    const FlashStatus refused = admit(request);
    if (refused != FlashStatus::Completed) {
        emit finished(FlashClearResult{.status = refused});
        return;
    }
    emit targetRecorded();
    if (request.confirm && !request.confirm()) {
        emit finished(FlashClearResult{.status = FlashStatus::NotConfirmed});
        return;
    }
    m_run = new FlashClearRun(m_config, QHostAddress(QString::fromStdString(formatDotted(request.target))),
                              static_cast<int>(request.from), static_cast<int>(request.to), this);
    connect(m_run, &FlashClearRun::finished, this, [this](FlashRunStatus status) {
        emit finished(FlashClearResult{.status = statusOf(status), .sent = m_run->sent(), .accepted = m_run->accepted()});
    });
    emit started();
    m_run->start();
}

void FlashClearEngine::cancel() {
    if (m_run) m_run->stop();
}

bool FlashClearEngine::isRunning() const { return m_run && m_run->isRunning(); }

}  // namespace tavo
