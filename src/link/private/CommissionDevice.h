#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "CommissionEngine.h"
#include "UploadPlan.h"

namespace tavo {

class FlashReadRun;
class IpSearchEngine;
class RegisterEngine;
class UploadEngine;
struct UploadProgress;
struct UploadResult;
enum class FlashRunStatus;

// One device's run on the commissioning line, from the BootP reply to its report line:
// confirm the address, upload, registers, read-back and repair. Every step is a child
// engine paced by timers on the line's thread, so many devices go side by side.
class CommissionDevice final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommissionDevice)
public:
    // `lineClock` is the line's own: every device starts its paced steps on one grid of it.
    CommissionDevice(const CommissionRequest& request, const QElapsedTimer& lineClock, const MacOctets& mac,
                     QObject* parent = nullptr);
    ~CommissionDevice() override;

    // The BootP reply gave it `ip`: the run begins. A device that ended may run again.
    void start(const Ipv4Octets& ip);
    // Ends a run in progress as Interrupted (ended is emitted before this returns).
    void interrupt();
    bool isRunning() const { return m_running; }
    const CommissionDeviceState& state() const { return m_state; }

signals:
    void changed(const tavo::CommissionDeviceState& state);
    void ended(tavo::CommissionDevice* device, const tavo::CommissionRecord& record);

private:
    void setPhase(CommissionPhase phase, int percent = 0);
    void confirm();
    void onFound(const Ipv4Octets& ip);
    void upload();
    void onUploadProgress(const UploadProgress& progress);
    void onUploadFinished(const UploadResult& result);
    void watch(int block);
    void onWatchFinished(FlashRunStatus status, int block, bool answered);
    void writeRegisters();
    void nextRegister();
    void onRegisterValue(uint8_t value);
    void onRegisterTimeout();
    void readBack(std::vector<int> blocks);
    void onReadBackFinished(FlashRunStatus status, const std::vector<int>& blocks);
    void repair(std::vector<int> blocks);
    void succeed();
    void fail(CommissionFailure failure);
    void end(CommissionOutcome outcome, CommissionFailure failure);
    void stopChildren();
    void onGrid(std::chrono::milliseconds pace, std::function<void()> step);
    std::chrono::milliseconds laterSteps() const;

    const CommissionRequest& m_request;
    const QElapsedTimer& m_lineClock;
    QHostAddress m_target;
    CommissionDeviceState m_state;
    CommissionRecord m_record;
    QElapsedTimer m_clock;
    bool m_running = false;

    IpSearchEngine* m_search = nullptr;  // children while their step runs
    UploadEngine* m_upload = nullptr;
    FlashReadRun* m_watch = nullptr;
    FlashReadRun* m_read = nullptr;
    RegisterEngine* m_registers = nullptr;
    QTimer m_deadline;  // the confirmation's bound, a register reply's bound
    QTimer m_slot;      // the wait for the next slot of the line's grid

    std::optional<BlockComparison> m_uploadComparison;  // changed-only: the upload's own read-back
    int m_lastConfirmed = -1;  // the highest block a watch read brought back
    int m_repairs = 0;
    size_t m_register = 0;     // the setting being written and read back
    int m_registerTries = 0;
    bool m_registerWritten = false;
};

}  // namespace tavo
