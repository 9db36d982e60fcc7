// tavo commission: the commissioning line. It serves BootP and, for every device of the
// family it answers, confirms the address, uploads the project file, writes the registers
// and reads everything back, devices side by side, one report line per device.
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

#include "BootpLogWriter.h"
#include "BootpWords.h"
#include "CliCommand.h"
#include "CliSupport.h"
#include "CommissionEngine.h"
#include "CommissionEnglish.h"
#include "JsonOutput.h"
#include "LinkOptions.h"
#include "MaintenanceOptions.h"
#include "PoolEnglish.h"
#include "PoolOptions.h"
#include "RunToEnd.h"
#include "WebEnglish.h"

namespace tavo::cli {
namespace {

constexpr unsigned kLinkGroups = kLinkBootpPorts | kLinkDevicePort | kLinkBroadcast | kLinkInterface;
constexpr int kDefaultRetries = 2;
constexpr int kMaxRetries = 10;
constexpr int kMaxDevices = 100000;
constexpr int kReadRetries = 3;
constexpr int kProgressSteps = 4;  // without --json: a line at each quarter of the upload
inline constexpr const char* kDefaultReport = "commissioning.csv";

QString usageText() {
    return QString(
               "usage: tavo commission --image FILE.TAV [--ip-pool FIRST-LAST [--gateway A.B.C.D]\n"
               "                       [--subnet A.B.C.D]] [--registers FILE] [--report FILE] [--resume]\n"
               "                       [--verify|--no-verify] [--changed-only] [--retries N] [--pace-ms N]\n"
               "                       [--devices N] [--max-seconds S] [--timeout-ms MS] [--json]\n"
               "                       [--data-dir DIR] [link options]\n"
               "\n"
               "Serves BootP from bootp.ini and commissions every device of the family it answers,\n"
               "side by side, each at its own pace: the IP search by its MAC confirms the address, the\n"
               "project file goes into its flash, the registers are written and read back, and every\n"
               "block is read back; blocks that differ or never came back are sent again. One line per\n"
               "device goes into the report, forced to the disk as the device ends.\n"
               "\n"
               "Options:\n"
               "  --image FILE.TAV   the project file (at most 520192 bytes)\n"
               "  --ip-pool FIRST-LAST  a device not in bootp.ini gets the lowest free address of the\n"
               "                     pool and is added to the table (addresses ending in .0 or .255 are\n"
               "                     skipped); without it only the devices of bootp.ini are answered\n"
               "  --gateway A.B.C.D  gateway of the added devices (default 0.0.0.0)\n"
               "  --subnet A.B.C.D   subnet mask of the added devices (default 255.255.255.0)\n"
               "  --registers FILE   lines \"REG VALUE\", one or two hexadecimal digits each, # comments\n"
               "  --report FILE      the report: CSV, or JSON lines for .jsonl, .ndjson and .json\n"
               "                     (default commissioning.csv); lines are added to an existing report\n"
               "  --resume           skip the devices the report holds as verified with this image\n"
               "                     (their BootP requests are still answered)\n"
               "  --verify           read every block and register back (the default)\n"
               "  --no-verify        do not read the blocks back (registers are still read back)\n"
               "  --changed-only     read the device first and send only the blocks that differ\n"
               "  --retries N        re-sends of the blocks a read-back found wrong (0 to 10, default 2)\n"
               "  --pace-ms N        milliseconds between blocks, per device (0 to 60000, default 300)\n"
               "  --devices N        end once N devices have ended\n"
               "  --max-seconds S    end after S seconds; devices in progress end as interrupted\n"
               "  --timeout-ms MS    how long a read request waits for its reply (default 1000)\n"
               "  --json             one JSON object per line for every event, for scripts\n"
               "  --data-dir DIR     folder of bootp.ini and the histories (default: the profile entry\n"
               "                     \"path\", else the current directory)\n") +
           linkOptionsHelp(kLinkGroups) +
           "\nCtrl+C ends the line: the devices in progress end as interrupted, each with its line.\n"
           "Exit status: 0 every device that ended is verified (or completed, with --no-verify), at\n"
           "least one ended, and --devices N were reached; 1 otherwise; 2 bad command line, or an\n"
           "image, registers file or report that cannot be used (nothing is sent then).\n";
}

bool readCount(const CliOptions& options, const char* name, int low, int high, int fallback, int& out, QString& error) {
    out = fallback;
    if (!options.has(name)) return true;
    bool ok = false;
    out = options.value(name).toInt(&ok, 10);
    if (ok && out >= low && out <= high) return true;
    error = QString("--%1: not a number from %2 to %3: %4").arg(name).arg(low).arg(high).arg(options.value(name));
    return false;
}

QString macOf(const MacOctets& mac) { return QString::fromStdString(FormatMac(mac)); }

// A line at once, also into a pipe: whoever follows the line reads each event as it comes.
void say(const QString& line) {
    printLine(line);
    std::fflush(stdout);
}

// Prints the line's events: a line each, or a JSON object each.
class CommissionPrinter {
public:
    explicit CommissionPrinter(CommissionEngine& engine) {
        QObject::connect(&engine, &CommissionEngine::bootpStatus, [](const BootpEvent& event) {
            if (jsonOutput())
                printJson({{"event", "status"}, {"text", QString::fromStdString(bootpStatusText(event))}});
            else
                say(QString::fromStdString(bootpStatusText(event)));
        });
        QObject::connect(&engine, &CommissionEngine::rivalServerSeen, [](const BootpRivalServer& rival) {
            if (jsonOutput()) printJson(rivalServerJson(rival));
            else say(rivalServerLine(rival));
        });
        QObject::connect(&engine, &CommissionEngine::interfaceChanged, [](const BootpInterfaceEvent& event) {
            if (jsonOutput()) printJson(interfaceJson(event));
            else say(interfaceLine(event));
        });
        QObject::connect(&engine, &CommissionEngine::unknownDevice, [](const CommissionUnknownDevice& device) {
            printUnknownDevice(device.mac, device.status, device.ip, device.takenBy);
            std::fflush(stdout);
        });
        QObject::connect(&engine, &CommissionEngine::deviceSkipped, [](const MacOctets& mac) {
            if (jsonOutput()) printJson({{"event", "skipped"}, {"mac", macOf(mac)}});
            else say("skipped " + macOf(mac) + ": verified earlier with this image");
        });
        QObject::connect(&engine, &CommissionEngine::deviceChanged,
                         [this](const CommissionDeviceState& state) { onChanged(state); });
        QObject::connect(&engine, &CommissionEngine::deviceEnded, [](const CommissionRecord& record) {
            if (jsonOutput()) {
                const std::string line = commissionReportLine(record, CommissionReportFormat::JsonLines);
                QJsonObject event = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
                event.insert("event", "device");
                printJson(event);
                return;
            }
            const QString where = macOf(record.mac) + " " + QString::fromStdString(formatDotted(record.ip));
            const QString detail = QString::fromStdString(commissionFailureDetail(record));
            say(QString("%1 %2 in %3 s, %4 blocks sent, %5 re-sent, %6 registers%7")
                          .arg(commissionOutcomeName(record.outcome), where)
                          .arg(record.seconds, 0, 'f', 1)
                          .arg(record.blocksSent)
                          .arg(record.blocksResent)
                          .arg(record.registersWritten)
                          .arg(detail.isEmpty() ? QString() : ": " + detail));
        });
        QObject::connect(&engine, &CommissionEngine::reportFailed, [&engine](const CommissionReportProblem& problem) {
            failAs("report_failed", reportProblemText(QString::fromStdString(engine.request().reportPath), problem) +
                                        ": no further device is taken");
        });
    }

private:
    // A line when a device changes phase, and at each quarter of its upload (with --json
    // at each percent of the upload and the read-back).
    void onChanged(const CommissionDeviceState& state) {
        const int step = jsonOutput()                              ? state.percent
                         : state.phase == CommissionPhase::Uploading ? state.percent * kProgressSteps / 100
                                                                     : 0;
        auto& last = m_last[state.mac];
        if (last == std::pair(state.phase, step)) return;
        if (state.phase == CommissionPhase::Completed || state.phase == CommissionPhase::Failed) return;  // its line follows
        last = std::pair(state.phase, step);
        const QString ip = state.ip ? QString::fromStdString(formatDotted(*state.ip)) : QString();
        if (jsonOutput()) {
            printJson({{"event", "phase"}, {"mac", macOf(state.mac)}, {"ip", ip}, {"phase", commissionPhaseName(state.phase)},
                       {"percent", state.percent}, {"leftMs", qint64(state.timeLeft.count())}});
            return;
        }
        QString line = macOf(state.mac) + (ip.isEmpty() ? QString() : " " + ip) + " " + commissionPhaseText(state.phase);
        if (state.phase == CommissionPhase::Uploading) line += QString(" %1 %, about %2 left").arg(state.percent).arg(duration(state.timeLeft));
        say(line);
    }

    std::map<MacOctets, std::optional<std::pair<CommissionPhase, int>>> m_last;
};

int commission(const QStringList& args) {
    CliOptions options;
    const QStringList withValue = QStringList{kDataDirOption, "image", "ip-pool", "gateway", "subnet", "registers",
                                              "report", "retries", "pace-ms", "devices", "max-seconds", "timeout-ms"} +
                                  linkOptionNames(kLinkGroups);
    const bool parsed = options.parse(args, withValue, {"help", "verify", "no-verify", "changed-only", "resume"});
    if (const auto answer = usageAnswer(parsed, options.error(), options, usageText)) return *answer;
    if (!options.positional().isEmpty()) return fail("unexpected word: " + options.positional().front(), kExitUsage);
    if (!options.has("image")) return fail("--image FILE.TAV is needed", kExitUsage);
    if (options.has("verify") && options.has("no-verify")) return fail("--verify and --no-verify exclude each other", kExitUsage);

    CommissionRequest request;
    QString error;
    if (!readLinkOptions(options, kLinkGroups, request.link, error)) return fail(error, kExitUsage);
    if (!readPoolOptions(options, request.pool, error)) return fail(error, kExitUsage);
    if (!readCount(options, "retries", 0, kMaxRetries, kDefaultRetries, request.retries, error) ||
        !readCount(options, "devices", 1, kMaxDevices, 0, request.devices, error))
        return fail(error, kExitUsage);
    double maxSeconds = 0;
    if (!readMaxSeconds(options, maxSeconds, error)) return fail(error, kExitUsage);
    const auto paceMs = readPaceMs(options);
    if (!paceMs) return fail(paceOutOfRangeText(options.value("pace-ms")), kExitUsage);
    request.pace.afterUploadBlock = *paceMs;
    const auto replyWait = readTimeoutMs(options);
    if (!replyWait)
        return fail(QString("--timeout-ms: not a number of milliseconds from 1 to %1: %2").arg(kMaxTimeoutMs).arg(options.value("timeout-ms")),
                    kExitUsage);
    request.replyWait = *replyWait;
    request.readRetries = kReadRetries;
    request.verify = !options.has("no-verify");
    request.changedOnly = options.has("changed-only");
    request.resume = options.has("resume");

    const QString imagePath = options.value("image");
    ProjectFile file = loadProjectFile(imagePath.toStdString());
    switch (file.status) {
    case ProjectFileStatus::Ok: break;
    case ProjectFileStatus::TooLarge:
        return failAs("file_too_large", QString("%1 is %2 bytes, larger than the %3 bytes the upload accepts: nothing sent")
                                            .arg(imagePath).arg(file.length).arg(UPLOAD_LIMIT),
                      kExitUsage);
    case ProjectFileStatus::CannotOpen:
    case ProjectFileStatus::CannotRead:
        return failAs("file_unreadable", QString("cannot read %1: %2: nothing sent").arg(imagePath, QString::fromStdString(file.reason)),
                      kExitUsage);
    }
    if (file.bytes.empty()) return failAs("file_empty", imagePath + " is empty: nothing sent", kExitUsage);
    request.image.bytes = std::make_shared<const std::vector<uint8_t>>(std::move(file.bytes));
    request.image.name = QFileInfo(imagePath).fileName().toStdString();

    if (options.has("registers")) {
        const QString path = options.value("registers");
        const RegisterFileLoad load = loadRegisterFile(path.toStdString());
        if (!load.ok()) return failAs("registers_invalid", registerFileProblemText(path, load) + ": nothing sent", kExitUsage);
        request.registers = load.parsed.settings;
    }
    const QString reportPath = options.value("report", kDefaultReport);
    request.reportPath = reportPath.toStdString();
    request.dataDir = dataDirectory(options);
    request.tableMessages = stderrTableSink();

    CommissionEngine engine(request);
    CommissionPrinter printer(engine);
    const CommissionStart started = engine.start();
    switch (started.status) {
    case CommissionStartStatus::Started: break;
    case CommissionStartStatus::ReportProblem:
        return failAs("report_unusable", reportProblemText(reportPath, started.report) + ": nothing sent", kExitUsage);
    case CommissionStartStatus::ServerNotStarted:
        return failAs("not_started", "the BootP server did not start: " +
                                         QString::fromStdString(bootpStartFailureReason(started.serverFailure)));
    case CommissionStartStatus::NoImage:
    case CommissionStartStatus::AlreadyRunning:
        return failAs("not_started", "the line did not start");
    }
    const QString sha = QString::fromStdString(engine.request().image.sha256);
    if (jsonOutput())
        printJson({{"event", "ready"}, {"port", int(engine.serverPort())}, {"image", QString::fromStdString(request.image.name)},
                   {"sha256", sha}, {"report", reportPath}});
    else
        say(QString("ready port %1, image %2 sha256 %3, report %4")
                      .arg(engine.serverPort())
                      .arg(QString::fromStdString(request.image.name), sha, reportPath));

    QObject::connect(&engine, &CommissionEngine::finished, [] { QCoreApplication::exit(0); });
    runEventLoop([&engine](int) { engine.stop(); }, maxSeconds);
    engine.stop();  // the bound ran out: the devices in progress end as interrupted

    const CommissionSummary& s = engine.summary();
    if (jsonOutput())
        printJson({{"event", "summary"}, {"ended", s.ended}, {"verified", s.verified}, {"completed", s.completed},
                   {"failed", s.failed}, {"interrupted", s.interrupted}, {"skipped", s.skipped}, {"ok", s.ok}});
    else
        printLine(QString("%1 devices ended: %2 verified, %3 completed, %4 failed, %5 interrupted; %6 skipped; report %7")
                      .arg(s.ended).arg(s.verified).arg(s.completed).arg(s.failed).arg(s.interrupted).arg(s.skipped)
                      .arg(reportPath));
    std::fflush(stdout);
    return s.ok ? 0 : kExitFailure;
}

const CliCommand kCommission("commission", "the commissioning line: address, image, registers and read-back for a batch",
                             usageText, CliCommand::HelpWord::OptionOnly, commission);

}  // namespace
}  // namespace tavo::cli
