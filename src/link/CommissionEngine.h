#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "AddressText.h"
#include "BootpRequestRecord.h"
#include "BootpStatus.h"
#include "CommissionRecord.h"
#include "CommissionReport.h"
#include "DeviceTable.h"
#include "LinkConfig.h"
#include "Pace.h"
#include "RegisterSettings.h"
#include "TableMessage.h"

namespace tavo {

class BootpServer;
class CommissionDevice;
class CommissionServerObserver;

// Where one device of the line stands; the window shows one row per device.
enum class CommissionPhase {
    Waiting,          // it asked by BootP and is waiting for its turn or its reply
    AddressAssigned,  // answered; the IP search by its MAC confirms the address
    Uploading,        // the blocks go out (percent, timeLeft)
    Registers,        // the registers are written and read back
    Verifying,        // the blocks are read back, and those that differ sent again (percent)
    Completed,        // record: Verified or Completed
    Failed,           // record: Failed or Interrupted
};

struct CommissionDeviceState {
    MacOctets mac{};
    std::optional<Ipv4Octets> ip;  // once it is answered
    CommissionPhase phase = CommissionPhase::Waiting;
    int percent = 0;  // of the upload, or of the read-back while verifying
    std::chrono::milliseconds timeLeft{0};  // of the whole device, at its pace
    std::optional<CommissionRecord> record;  // once it has ended
};

// The project file the line puts into every device.
struct CommissionImage {
    std::shared_ptr<const std::vector<uint8_t>> bytes;  // at most UPLOAD_LIMIT bytes
    std::string name;  // the file's name without its folder
    // 64 lowercase hexadecimal digits; filled by the engine when empty.
    std::string sha256;
};

struct CommissionRequest {
    LinkConfig link;
    Pace pace = Pace::product();  // afterUploadBlock is each device's own pace
    CommissionImage image;
    std::optional<AddressPool> pool;  // unknown devices of the family get its lowest free address
    std::vector<RegisterSetting> registers;
    bool verify = true;
    bool changedOnly = false;
    int retries = 2;    // re-sends of the blocks a read-back found wrong or missing
    int devices = 0;    // the line ends once this many devices have ended (0: no limit)
    bool resume = false;  // skip the devices the report holds as verified with this image
    std::string reportPath;  // UTF-8; the format by its extension
    std::string dataDir;     // bootp.ini and the histories
    TableMessageSink tableMessages;  // the tables' problems
    // How long the IP search by MAC may take to find a device just answered.
    int confirmTicks = 10;
    int readRetries = 3;  // further passes of a read-back for sectors that did not come back
    std::chrono::milliseconds replyWait{1000};
};

enum class CommissionStartStatus {
    Started,
    AlreadyRunning,  // start() was called before
    NoImage,         // the image is missing or larger than UPLOAD_LIMIT: nothing was opened
    ReportProblem,   // the report could not be opened or read (report)
    ServerNotStarted,  // the BootP server did not start (serverFailure; heldBy when the page serves)
};

struct CommissionStart {
    CommissionStartStatus status = CommissionStartStatus::Started;
    CommissionReportProblem report;
    BootpEvent serverFailure;
    bool ok() const { return status == CommissionStartStatus::Started; }
};

// An unknown device of the family and what became of it.
struct CommissionUnknownDevice {
    MacOctets mac{};
    DeviceTableStatus status = DeviceTableStatus::Done;  // Done: added with `ip`
    Ipv4Octets ip{};
    int takenBy = -1;  // Duplicate: the record holding the address
};

struct CommissionSummary {
    int ended = 0;        // devices that ended (one report line each)
    int verified = 0;
    int completed = 0;    // without a read-back asked for
    int failed = 0;
    int interrupted = 0;
    int skipped = 0;      // --resume: verified earlier with this image
    bool reportFailed = false;  // a line could not be written: the line took no more devices
    // Every device that ended is verified (or completed, when no read-back was asked),
    // at least one ended, the report holds every line, and a device limit was reached.
    bool ok = false;
};

// The commissioning line: a BootP server, and for every device of the family it answers
// a run of its own, side by side with the others and each at its own pace:
//   1. the IP search by its MAC confirms that it took the address it was given;
//   2. the image is uploaded (every block, or with changedOnly the blocks that differ),
//      while every few blocks a read of the last block sent checks that it still answers;
//   3. the registers are written and each is read back;
//   4. the blocks are read back; those that differ or never came back are sent again and
//      read again, up to `retries` times;
//   5. one line goes into the report, forced to the disk, before deviceEnded.
// A slow or dead device never holds the others back: every step of every device is
// paced by timers on the engine's thread, and the server keeps answering meanwhile.
//
// One BootP server per program: the engine's server fails to start, with `heldBy`, while
// another server of this program serves (and the other way round).
class CommissionEngine final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommissionEngine)
public:
    // Every device of the line sends a check read after this many blocks.
    static constexpr int kWatchEvery = 8;

    explicit CommissionEngine(CommissionRequest request, QObject* parent = nullptr);
    ~CommissionEngine() override;

    // Checks the image, opens the report (reading it for resume), starts the server.
    CommissionStart start();
    // Ends the line: devices in progress end as Interrupted (their lines are written),
    // then finished. Nothing when not running.
    void stop();
    bool isRunning() const { return m_running; }

    const CommissionRequest& request() const { return m_request; }
    const CommissionSummary& summary() const { return m_summary; }
    // Every device seen, in the order they first asked.
    std::vector<CommissionDeviceState> devices() const;
    quint16 serverPort() const;

signals:
    // The server's status lines (waiting, stopped, ...), as the IP page shows them.
    void bootpStatus(const tavo::BootpEvent& event);
    void rivalServerSeen(const tavo::BootpRivalServer& rival);
    void interfaceChanged(const tavo::BootpInterfaceEvent& event);
    void unknownDevice(const tavo::CommissionUnknownDevice& device);
    // The device was verified with this image earlier (resume); its requests are answered.
    void deviceSkipped(const tavo::MacOctets& mac);
    // A device appeared or moved on (phase, percent, time left).
    void deviceChanged(const tavo::CommissionDeviceState& state);
    // Its line is in the report (or reportFailed says why not).
    void deviceEnded(const tavo::CommissionRecord& record);
    void reportFailed(const tavo::CommissionReportProblem& problem);
    void finished(const tavo::CommissionSummary& summary);

private:
    friend class CommissionServerObserver;
    bool takesMore() const;
    bool isSkipped(const MacOctets& mac);
    CommissionDevice* deviceOf(const MacOctets& mac) const;
    void onAsked(const MacOctets& mac);
    void onAnswered(const MacOctets& mac, const Ipv4Octets& ip);
    void onDeviceEnded(CommissionDevice* device, const CommissionRecord& record);
    void finishIfDone();

    CommissionRequest m_request;
    std::unique_ptr<CommissionServerObserver> m_observer;
    std::unique_ptr<BootpServer> m_server;
    std::unique_ptr<CommissionReport> m_report;
    std::vector<std::unique_ptr<CommissionDevice>> m_devices;  // in the order they asked
    std::set<MacOctets> m_skipped;
    CommissionSummary m_summary;
    QElapsedTimer m_clock;  // the grid every device's paced steps start on
    int m_started = 0;  // device runs started
    bool m_running = false;
    bool m_stopping = false;
};

}  // namespace tavo
