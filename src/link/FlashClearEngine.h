#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

#include "FlashStatus.h"
#include "LinkConfig.h"

namespace tavo {

class FlashClearRun;

struct FlashClearRequest {
    Ipv4Octets target{};
    uint32_t from = 0;
    uint32_t to = 0;
    TargetHistory history;
    // Asked once the target is recorded, before anything is sent; none: the front end
    // asked already (or the operator said yes beforehand).
    std::function<bool()> confirm;
};

struct FlashClearResult {
    FlashStatus status = FlashStatus::Stopped;
    int sent = 0;      // sector writes handed to the socket
    int accepted = 0;  // of those, taken whole by the stack
};

// A flash clear as the operator starts it: checks the range by the clear's rule and the
// target, records the target in the IP history, asks for confirmation, then clears the
// range with a FlashClearRun (which owns its socket). One engine clears once.
class FlashClearEngine final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashClearEngine)
public:
    explicit FlashClearEngine(LinkConfig config, QObject* parent = nullptr);
    ~FlashClearEngine() override;

    static FlashStatus check(const Ipv4Octets& target, uint32_t from, uint32_t to);
    // check(), and the target recorded when it passes.
    static FlashStatus admit(const FlashClearRequest& request);

    // A refusal finishes at once (inside this call).
    void start(const FlashClearRequest& request);
    void cancel();
    bool isRunning() const;

signals:
    void targetRecorded();
    void started();  // confirmed, just before the first write
    void finished(const tavo::FlashClearResult& result);

private:
    LinkConfig m_config;
    FlashClearRun* m_run = nullptr;  // a child
};

}  // namespace tavo
