#include "CommissionEngine.h"

#include <QCryptographicHash>

#include "BootpServer.h"
#include "UploadPlan.h"
#include "private/CommissionDevice.h"

namespace tavo {

// The line's side of the BootP server: unknown devices of the family are added from the
// pool, and every reply sent starts (or leaves alone) that device's run.
class CommissionServerObserver final : public BootpServerObserver {
public:
    explicit CommissionServerObserver(CommissionEngine& engine) : m_engine(engine) {}

    void bootpStatus(const BootpEvent& event) override {
        // A request's statuses belong to the request, whose end the line follows itself.
        if (m_engine.m_server && m_engine.m_server->isBusy()) return;
        emit m_engine.bootpStatus(event);
    }

    bool bootpUnknownDevice(const MacOctets& mac) override {
        CommissionUnknownDevice unknown;
        unknown.mac = mac;
        if (!m_engine.m_request.pool) {
            unknown.status = DeviceTableStatus::NotFound;
        } else if (!m_engine.takesMore()) {
            return true;  // no address is spent on a device the line will not take
        } else {
            const DeviceTableResult added =
                DeviceTable(m_engine.m_request.dataDir, m_engine.m_request.tableMessages)
                    .addFromPool(mac, *m_engine.m_request.pool);
            unknown.status = added.status;
            if (added.status == DeviceTableStatus::Done) unknown.ip = ParseDottedIp(added.record.IP);
            if (added.status == DeviceTableStatus::Duplicate) unknown.takenBy = added.index;
        }
        emit m_engine.unknownDevice(unknown);
        // True in every case: the server looks the device up again and answers it only
        // when it was added; the line never stops for an unknown device.
        return true;
    }

    void bootpReadFailed() override {}
    void bootpStopRequested() override {}

    void bootpRequestChecked(const BootpRequestInfo& request, BootpStatus status) override {
        if (status == BootpStatus::Accepted) m_engine.onAsked(request.mac);
    }

    void bootpRequestDone(const BootpRequestInfo& request, const BootpEvent& outcome, bool replied) override {
        if (replied && outcome.status == BootpStatus::ReplySent)
            m_engine.onAnswered(request.mac, ParseDottedIp(outcome.entryIp));
    }

private:
    CommissionEngine& m_engine;
};

CommissionEngine::CommissionEngine(CommissionRequest request, QObject* parent)
    : QObject(parent), m_request(std::move(request)) {}

CommissionEngine::~CommissionEngine() {
    // No signal from here on: whoever listens may be going too.
    blockSignals(true);
    stop();
    m_devices.clear();
    m_server.reset();
}

CommissionStart CommissionEngine::start() {
    CommissionStart outcome;
    if (m_running || m_server) {
        outcome.status = CommissionStartStatus::AlreadyRunning;
        return outcome;
    }
    const auto& bytes = m_request.image.bytes;
    if (!bytes || bytes->empty() || bytes->size() > UPLOAD_LIMIT) {
        outcome.status = CommissionStartStatus::NoImage;
        return outcome;
    }
    if (m_request.image.sha256.empty()) {
        const QByteArray digest = QCryptographicHash::hash(
            QByteArrayView(reinterpret_cast<const char*>(bytes->data()), qsizetype(bytes->size())),
            QCryptographicHash::Sha256);
        m_request.image.sha256 = digest.toHex().toStdString();
    }
    if (const BootpServer* other = BootpServer::runningInProgram()) {
        // Asked before the report is opened, so that a refused start leaves no file behind.
        outcome.status = CommissionStartStatus::ServerNotStarted;
        outcome.serverFailure = BootpEvent(BootpStatus::PortUnavailable);
        outcome.serverFailure.port = m_request.link.bootpServerPort;
        outcome.serverFailure.heldBy = other->owner();
        return outcome;
    }
    m_report = CommissionReport::open(m_request.reportPath, outcome.report);
    if (!m_report) {
        outcome.status = CommissionStartStatus::ReportProblem;
        return outcome;
    }
    m_observer = std::make_unique<CommissionServerObserver>(*this);
    m_server = std::make_unique<BootpServer>(m_request.link, QString::fromStdString(m_request.dataDir), *m_observer);
    m_server->setOwner(BootpServerOwner::CommissioningLine);
    connect(m_server.get(), &BootpServer::rivalServerSeen, this, &CommissionEngine::rivalServerSeen);
    connect(m_server.get(), &BootpServer::interfaceChanged, this, &CommissionEngine::interfaceChanged);
    if (!m_server->start()) {
        outcome.status = CommissionStartStatus::ServerNotStarted;
        outcome.serverFailure = m_server->startFailure();
        m_server.reset();
        m_report.reset();
        return outcome;
    }
    m_running = true;
    m_clock.start();
    return outcome;
}

void CommissionEngine::stop() {
    if (!m_running || m_stopping) return;
    m_stopping = true;
    for (auto& device : m_devices) device->interrupt();
    finishIfDone();
}

quint16 CommissionEngine::serverPort() const { return m_server ? m_server->localPort() : 0; }

std::vector<CommissionDeviceState> CommissionEngine::devices() const {
    std::vector<CommissionDeviceState> states;
    for (const auto& device : m_devices) states.push_back(device->state());
    return states;
}

bool CommissionEngine::takesMore() const {
    return m_running && !m_stopping && !m_summary.reportFailed && (m_request.devices <= 0 || m_started < m_request.devices);
}

bool CommissionEngine::isSkipped(const MacOctets& mac) {
    if (!m_request.resume || !m_report->contents().holdsVerified(mac, m_request.image.sha256)) return false;
    if (m_skipped.insert(mac).second) {
        ++m_summary.skipped;
        emit deviceSkipped(mac);
    }
    return true;
}

CommissionDevice* CommissionEngine::deviceOf(const MacOctets& mac) const {
    for (const auto& device : m_devices)
        if (device->state().mac == mac) return device.get();
    return nullptr;
}

void CommissionEngine::onAsked(const MacOctets& mac) {
    if (isSkipped(mac) || deviceOf(mac) || !takesMore()) return;
    auto device = std::make_unique<CommissionDevice>(m_request, m_clock, mac, this);
    connect(device.get(), &CommissionDevice::changed, this, &CommissionEngine::deviceChanged);
    connect(device.get(), &CommissionDevice::ended, this, &CommissionEngine::onDeviceEnded);
    m_devices.push_back(std::move(device));
    emit deviceChanged(m_devices.back()->state());
}

void CommissionEngine::onAnswered(const MacOctets& mac, const Ipv4Octets& ip) {
    if (isSkipped(mac)) return;
    CommissionDevice* device = deviceOf(mac);
    // A device that asks again during its run only lost a reply; one that ended verified
    // is done. One that failed and asks again was switched off and on: it runs again.
    if (!device || device->isRunning() || !takesMore()) return;
    const auto& record = device->state().record;
    if (record && record->outcome != CommissionOutcome::Failed && record->outcome != CommissionOutcome::Interrupted) return;
    ++m_started;
    device->start(ip);
}

void CommissionEngine::onDeviceEnded(CommissionDevice*, const CommissionRecord& record) {
    ++m_summary.ended;
    switch (record.outcome) {
    case CommissionOutcome::Verified: ++m_summary.verified; break;
    case CommissionOutcome::Completed: ++m_summary.completed; break;
    case CommissionOutcome::Failed: ++m_summary.failed; break;
    case CommissionOutcome::Interrupted: ++m_summary.interrupted; break;
    }
    if (m_report && !m_report->append(record)) {
        // The devices in progress go on to their end, but the line takes no more.
        if (!m_summary.reportFailed) {
            m_summary.reportFailed = true;
            emit reportFailed(m_report->problem());
        }
    }
    emit deviceEnded(record);
    finishIfDone();
}

void CommissionEngine::finishIfDone() {
    if (!m_running) return;
    for (const auto& device : m_devices)
        if (device->isRunning()) return;
    const bool limitReached = m_request.devices > 0 && m_summary.ended >= m_request.devices;
    if (!m_stopping && !limitReached && !m_summary.reportFailed) return;
    m_running = false;
    m_server->stop();
    const int good = m_summary.verified + m_summary.completed;
    m_summary.ok = m_summary.ended > 0 && good == m_summary.ended && !m_summary.reportFailed &&
                   (m_request.devices <= 0 || m_summary.ended >= m_request.devices);
    emit finished(m_summary);
}

}  // namespace tavo
