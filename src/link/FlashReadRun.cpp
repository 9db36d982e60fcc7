#include "FlashReadRun.h"

#include "ClientSocket.h"
#include "DeviceCommand.h"
#include "private/HeldPorts.h"

namespace tavo {

FlashReadRun::FlashReadRun(LinkConfig config, Pace pace, Request request, QObject* parent)
    : QObject(parent),
      m_config(std::move(config)),
      m_pace(pace),
      m_request(std::move(request)),
      m_dump(m_request.from, m_request.to),
      m_heldPorts(new HeldPorts(kQuarantine, this)) {
    m_tick.setParent(this);
    m_tick.setSingleShot(true);
    m_tick.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, &FlashReadRun::sendNext);
    m_pauseAfterLast.setParent(this);
    m_pauseAfterLast.setSingleShot(true);
    m_pauseAfterLast.setTimerType(Qt::PreciseTimer);
    connect(&m_pauseAfterLast, &QTimer::timeout, this, [this] {
        m_passSent = true;
        if (m_passNumber == 0) emit requestsDone();
        checkPassEnd();
    });
}

FlashReadRun::~FlashReadRun() {
    m_running = false;
    // The sockets are children: they go with the run.
}

void FlashReadRun::start() {
    if (m_started) return;
    m_started = true;
    m_running = true;
    std::vector<int> sectors = m_request.sectors;
    if (sectors.empty())
        for (int s = m_request.from; s <= m_request.to; ++s) sectors.push_back(s);
    startPass(std::move(sectors));
}

void FlashReadRun::stop() {
    if (m_running) finish(FlashRunStatus::Stopped);
}

void FlashReadRun::startPass(std::vector<int> sectors) {
    m_pass = std::move(sectors);
    m_next = 0;
    m_passSent = false;
    m_requestsPlanned += static_cast<int>(m_pass.size());
    emit passStarted(m_passNumber, static_cast<int>(m_pass.size()));
    if (!m_running) return;
    m_passClock.start();
    sendNext();
}

void FlashReadRun::sendNext() {
    if (!m_running || m_next >= m_pass.size()) return;
    if (static_cast<int>(m_outstanding.size()) >= kMaxOutstanding) return;  // a reply or expiry resumes
    const int sector = m_pass[m_next];

    auto* socket = new CClientSocket(KIND_PRIMARY, this);
    if (!socket->Create(0) || !socket->Connect(m_request.target, m_config.devicePort)) {
        socket->deleteLater();
        finish(FlashRunStatus::NoSocket);
        return;
    }
    m_outstanding.emplace(socket, sector);
    connect(socket, &CClientSocket::clientSocketData, this, [this, socket, sector] { onReply(socket, sector); });
    QTimer::singleShot(m_request.replyWait, socket, [this, socket] { expire(socket); });

    const bool accepted = socket->Send(toDatagram(encodeSectorRead(sector)));
    ++m_next;
    ++m_requestsSent;
    emit requestSent(sector, accepted);
    if (!m_running) return;  // a receiver of the signal stopped the run
    scheduleNext();
}

// The requests of a pass keep to a fixed grid from the pass's start, so that small
// delays of the event loop do not add up over 2048 requests.
void FlashReadRun::scheduleNext() {
    const qint64 due = static_cast<qint64>(m_next) * m_pace.afterSectorRead.count();
    const qint64 wait = std::max<qint64>(0, due - m_passClock.elapsed());
    if (m_next < m_pass.size()) {
        m_tick.start(std::chrono::milliseconds(wait));
    } else {
        m_pauseAfterLast.start(std::chrono::milliseconds(wait));
    }
}

void FlashReadRun::onReply(CClientSocket* socket, int sector) {
    if (!m_outstanding.count(socket)) return;
    const auto datagram = socket->Receive();
    if (!datagram) return;  // nothing waiting after all
    const SectorReply reply = decodeSectorReply(datagramBytes(*datagram));
    release(socket);
    if (reply.ok) {
        m_dump.store(sector, reply.data);
        emit sectorReceived(sector);
    } else {
        emit receiveFailed(sector);
    }
    checkPassEnd();
}

void FlashReadRun::expire(CClientSocket* socket) {
    if (!m_outstanding.count(socket)) return;
    release(socket);
    checkPassEnd();
}

// The request is settled: whatever arrives on its socket from now on (a late or repeated
// reply) is read and dropped. The socket keeps its port for kQuarantine before it is
// closed, so that the stack cannot hand that port to a later request of the run, whose
// socket would then take this request's stray reply.
void FlashReadRun::release(CClientSocket* socket) {
    m_outstanding.erase(socket);
    disconnect(socket, nullptr, this, nullptr);
    if (m_heldPorts->take(socket->socket())) {
        socket->deleteLater();  // it may be inside its own signal
        return;
    }
    connect(socket, &CClientSocket::clientSocketData, socket, [socket] {
        while (socket->Receive()) {
        }
    });
    QTimer::singleShot(kQuarantine, socket, [socket] {
        socket->Close();
        socket->deleteLater();
    });
}

void FlashReadRun::checkPassEnd() {
    if (!m_running) return;
    // A pass held back by the cap on outstanding replies goes on now that one settled.
    if (m_next < m_pass.size()) {
        if (!m_tick.isActive()) scheduleNext();
        return;
    }
    if (!m_passSent || !m_outstanding.empty()) return;
    std::vector<int> missing = m_dump.missing();
    if (missing.empty() || m_passNumber >= m_request.retries) {
        finish(FlashRunStatus::Completed);
        return;
    }
    ++m_passNumber;
    startPass(std::move(missing));
}

void FlashReadRun::finish(FlashRunStatus status) {
    m_running = false;
    m_tick.stop();
    m_pauseAfterLast.stop();
    while (!m_outstanding.empty()) release(m_outstanding.begin()->first);
    emit finished(status);
}

}  // namespace tavo
