// tavo upload: sends a project file into the flash of one or more devices with the
// upload engine of the "Web Upload" page, each device paced on its own, and can read the
// blocks back to verify them, or read first and send only the blocks that changed.
#include <QCoreApplication>
#include <QHostAddress>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

#include "CliCommand.h"
#include "CliSupport.h"
#include "JsonOutput.h"
#include "LinkOptions.h"
#include "MaintenanceOptions.h"
#include "RunToEnd.h"
#include "UploadEngine.h"
#include "WebEnglish.h"

namespace tavo::cli {
namespace {

constexpr int kReadRetries = 3;
constexpr int kReportSteps = 10;  // without a terminal: a progress line every tenth of a phase

QString usageText() {
    return QString(
               "usage: tavo upload FILE.TAV IP [IP ...] [--verify] [--changed-only] [--pace-ms N] [--json]\n"
               "                   [--timeout-ms MS] [--data-dir DIR] [--device-port P]\n"
               "\n"
               "Sends the project file FILE.TAV into the flash of every device IP, in numbered blocks of\n"
               "256 bytes, one block every N ms per device (the devices go side by side, each at its own\n"
               "pace). The pace defaults to 300 ms: the device writes each block into its flash before it\n"
               "can take the next one, so a shorter pace risks blocks that are lost without a trace.\n"
               "A file of 520192 bytes (2032 blocks) takes about ten minutes.\n"
               "\n"
               "Options:\n"
               "  --verify         after the last block, read the blocks back (one request every 100 ms)\n"
               "                   and compare them with the file; names the first block that differs\n"
               "  --changed-only   read the device's blocks first and send only those that differ from\n"
               "                   the file, then verify\n"
               "  --pace-ms N      milliseconds between blocks (0 to 60000, default 300)\n"
               "  --json           print one JSON object per line for every event, for scripts\n"
               "  --timeout-ms MS  how long a read request waits for its reply (default 1000)\n"
               "  --data-dir DIR   folder of the IP history, where every IP is recorded (default: the\n"
               "                   profile entry \"path\", else the current directory)\n") +
           linkOptionsHelp(kLinkDevicePort) +
           "\nExit status: 0 every device completed (and verified, when asked); 1 otherwise;\n"
           "2 bad command line, or a file that cannot be read or is larger than 520192 bytes\n"
           "(nothing is sent then).\n";
}

struct Device {
    QString address;
    std::unique_ptr<UploadEngine> run;
    int lastStep = -1;
};

class UploadCommand {
public:
    UploadCommand(bool json, bool terminal) : m_json(json), m_terminal(terminal) {}

    void add(const QString& address, LinkConfig link, Pace pace, UploadRequest request) {
        auto device = std::make_unique<Device>();
        device->address = address;
        device->run = std::make_unique<UploadEngine>(link, pace, std::move(request));
        Device* d = device.get();
        QObject::connect(d->run.get(), &UploadEngine::phaseStarted, [this, d](UploadPhase phase, int total) {
            d->lastStep = -1;
            if (m_json) printJson({{"event", "phase"}, {"device", d->address}, {"phase", phaseName(phase)}, {"total", total}});
            else if (!m_terminal) std::fprintf(stderr, "tavo: %s: %s, %d blocks\n", qPrintable(d->address), phaseName(phase), total);
        });
        QObject::connect(d->run.get(), &UploadEngine::progressed, [this, d](const UploadProgress& p) { onProgress(*d, p); });
        QObject::connect(d->run.get(), &UploadEngine::finished, [this, d](const UploadResult& r) { onFinished(*d, r); });
        d->run->prepare();  // every target is in the history before the first block leaves
        m_devices.push_back(std::move(device));
    }

    // Runs every upload to its end; true when every one completed.
    bool run() {
        m_running = int(m_devices.size());
        for (auto& d : m_devices) d->run->start();
        if (m_running > 0) runEventLoop([this](int) {
                for (auto& d : m_devices) d->run->cancel();
            });
        if (m_terminal && !m_json) std::fputc('\n', stderr);
        bool ok = true;
        for (auto& d : m_devices) ok = ok && d->run->result().ok();
        return ok;
    }

    void printSummary(bool verifyAsked) const {
        if (m_json) {
            int completed = 0;
            for (auto& d : m_devices) completed += d->run->result().ok() ? 1 : 0;
            printJson({{"event", "summary"}, {"devices", int(m_devices.size())}, {"completed", completed}});
            return;
        }
        printLine(QString("%1 %2 %3 %4 %5").arg("device", -15).arg("blocks", 7).arg("sent", 6).arg("verified", -9).arg("first difference"));
        for (auto& d : m_devices) {
            const UploadResult& r = d->run->result();
            QString verified = "-";
            QString first = "-";
            if (r.verification) {
                verified = r.verification->matches() ? "yes" : "no";
                if (auto k = r.verification->firstDifference())
                    first = QString("block %1 (%2 differ)").arg(*k).arg(r.verification->differing.size());
                else if (!r.verification->missing.empty())
                    first = QString("%1 blocks not read back").arg(r.verification->missing.size());
            } else if (verifyAsked) {
                verified = "no";
            }
            printLine(QString("%1 %2 %3 %4 %5").arg(d->address, -15).arg(r.blocks, 7).arg(r.blocksSent, 6).arg(verified, -9).arg(first));
        }
    }

private:
    void onProgress(Device& d, const UploadProgress& p) {
        if (m_json) {
            printJson({{"event", "progress"}, {"device", d.address}, {"phase", phaseName(p.phase)},
                       {"done", p.done}, {"total", p.total}, {"leftMs", qint64(p.timeLeft.count())}});
            return;
        }
        if (m_terminal) {
            QString line;
            for (auto& other : m_devices) {
                const UploadProgress q = other->run->isRunning() ? other->run->progress() : UploadProgress{};
                line += QString("%1 %2 %3/%4 ").arg(other->address, phaseName(q.phase)).arg(q.done).arg(q.total);
            }
            std::fprintf(stderr, "\rtavo: %sabout %s left   ", qPrintable(line), qPrintable(duration(p.timeLeft)));
            std::fflush(stderr);
            return;
        }
        const int step = p.total > 0 ? p.done * kReportSteps / p.total : kReportSteps;
        if (step == d.lastStep) return;
        d.lastStep = step;
        std::fprintf(stderr, "tavo: %s: %s %d of %d, about %s left\n", qPrintable(d.address), phaseName(p.phase), p.done,
                     p.total, qPrintable(duration(p.timeLeft)));
    }

    void onFinished(Device& d, const UploadResult& r) {
        if (m_json) {
            QJsonObject event{{"event", "finished"}, {"device", d.address}, {"status", statusName(r.status)},
                              {"blocks", r.blocks}, {"sent", r.blocksSent}, {"refused", r.blocksRefused}};
            event["changed"] = r.changedBlocks ? QJsonValue(*r.changedBlocks) : QJsonValue();
            event["verified"] = r.verification ? QJsonValue(r.verification->matches()) : QJsonValue();
            const auto first = r.verification ? r.verification->firstDifference() : std::nullopt;
            event["firstDifference"] = first ? QJsonValue(*first) : QJsonValue();
            event["differing"] = r.verification ? int(r.verification->differing.size()) : 0;
            event["missing"] = r.verification ? int(r.verification->missing.size()) : 0;
            printJson(event);
        }
        if (--m_running == 0) QCoreApplication::exit(0);
    }

    bool m_json;
    bool m_terminal;
    std::vector<std::unique_ptr<Device>> m_devices;
    int m_running = 0;  // runs not yet finished
};

int upload(const QStringList& args) {
    CliOptions options;
    const bool parsed = options.parse(args, QStringList{kDataDirOption, "pace-ms", "timeout-ms"} + linkOptionNames(kLinkDevicePort),
                                      {"verify", "changed-only", "help"});
    if (const auto answer = usageAnswer(parsed, options.error(), options, usageText)) return *answer;
    LinkConfig link;
    QString error;
    if (!readLinkOptions(options, kLinkDevicePort, link, error)) return fail(error, kExitUsage);
    if (options.positional().size() < 2) return printUsage(usageText(), stderr, kExitUsage);
    const auto replyWait = readTimeoutMs(options);
    if (!replyWait)
        return fail(QString("--timeout-ms: not a number of milliseconds from 1 to %1: %2").arg(kMaxTimeoutMs).arg(options.value("timeout-ms")),
                    kExitUsage);
    Pace pace = Pace::product();
    const auto paceMs = readPaceMs(options);
    if (!paceMs) return fail(paceOutOfRangeText(options.value("pace-ms")), kExitUsage);
    pace.afterUploadBlock = *paceMs;

    std::vector<Ipv4Octets> targets;
    for (qsizetype i = 1; i < options.positional().size(); ++i) {
        const auto ip = parseTarget(options.positional()[i], error);
        if (!ip) return fail(error, kExitUsage);
        for (const Ipv4Octets& seen : targets)
            if (seen == *ip) return failAs("named_twice", "the device " + options.positional()[i] + " is named twice", kExitUsage);
        targets.push_back(*ip);
    }

    const QString path = options.positional()[0];
    ProjectFile file = loadProjectFile(path.toStdString());
    switch (file.status) {
    case ProjectFileStatus::Ok: break;
    case ProjectFileStatus::TooLarge:
        return failAs("file_too_large", QString("%1 is %2 bytes, larger than the %3 bytes the upload accepts: nothing sent")
                        .arg(path).arg(file.length).arg(UPLOAD_LIMIT),
                    kExitUsage);
    case ProjectFileStatus::CannotOpen:
    case ProjectFileStatus::CannotRead:
        return failAs("file_unreadable", QString("cannot read %1: %2: nothing sent").arg(path, QString::fromStdString(file.reason)), kExitUsage);
    }
    const auto image = std::make_shared<const std::vector<uint8_t>>(std::move(file.bytes));

    const bool json = jsonOutput();
    UploadCommand command(json, !json && ::isatty(STDERR_FILENO) == 1);
    for (const Ipv4Octets& ip : targets) {
        const QString address = QString::fromStdString(formatDotted(ip));
        UploadRequest request;
        request.target = QHostAddress(address);
        request.image = image;
        request.verify = options.has("verify");
        request.changedOnly = options.has("changed-only");
        request.readRetries = kReadRetries;
        request.replyWait = *replyWait;
        request.dataDir = dataDirectory(options);
        request.historyMessages = stderrTableSink();
        command.add(address, link, pace, request);
    }
    const bool ok = command.run();
    command.printSummary(options.has("verify") || options.has("changed-only"));
    if (!ok && json) printJsonError("upload_incomplete", "not every device completed the upload");
    return ok ? 0 : kExitFailure;
}

const CliCommand kUpload("upload", "send a project file (.TAV) into the flash of one or more devices", usageText,
                         CliCommand::HelpWord::First, upload);

}  // namespace
}  // namespace tavo::cli
