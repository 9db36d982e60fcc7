// tavo flash read / tavo flash clear: the flash commands of the Utility page on the same
// link runs. A read asks for each sector at the product's pace, binds every reply to its
// own request, asks again for the sectors that did not come back (kRetries more passes)
// and prints a hex dump or writes the raw bytes; a sector still missing is named and the
// status is 1, and its place never holds another sector's bytes. A clear asks on the
// terminal first (unless --yes) and sends its writes back to back.
#include <QCoreApplication>
#include <QJsonArray>
#include <QHostAddress>
#include <cmath>
#include <cstdio>
#include <unistd.h>

#include "CliCommand.h"
#include "CliSupport.h"
#include "DumpText.h"
#include "FlashClearEngine.h"
#include "FlashReadEngine.h"
#include "JsonOutput.h"
#include "LinkOptions.h"
#include "MaintenanceEnglish.h"
#include "MaintenanceOptions.h"
#include "MaintenanceWords.h"
#include "RunToEnd.h"

namespace tavo::cli {
namespace {

constexpr int kRetries = 3;  // passes after the first for the sectors still missing

QString usageText() {
    return QString(
               "usage: tavo flash read A.B.C.D FROM TO [-o FILE] [--timeout-ms MS] [--data-dir DIR]\n"
               "                       [--device-port P]\n"
               "       tavo flash clear A.B.C.D FROM TO [--yes] [--data-dir DIR] [--device-port P]\n"
               "\n"
               "read   reads flash sectors FROM to TO (decimal, 0 to 2047) of the device, one request\n"
               "       every 100 ms. Without -o prints a hex dump (offsets, 16 bytes a line, ASCII\n"
               "       column); with -o writes the raw 256 x (TO - FROM + 1) bytes to FILE. A sector\n"
               "       without a reply within the timeout is asked for again, up to 3 more times; a\n"
               "       sector still missing is named on stderr, shown as \"--\" in the dump or left\n"
               "       as zero bytes in FILE, and the exit status is 1.\n"
               "clear  writes 256 zero bytes to each sector FROM to TO (0 to 2043) of the device,\n"
               "       back to back. Asks for confirmation on the terminal unless --yes is given.\n"
               "\n"
               "Both record the device's address in the IP history (\"iph.ini\").\n"
               "Exit status: 0 done; 1 not confirmed, no socket, or sectors missing; 2 bad command line.\n"
               "\n"
               "Options:\n"
               "  -o, --output FILE  write the raw bytes read to FILE\n"
               "  --yes             clear without asking\n"
               "  --timeout-ms MS   how long a sector request waits for its reply (default 1000)\n") +
           kMaintenanceDataDirHelp + linkOptionsHelp(kLinkDevicePort);
}

struct RangeArguments {
    Ipv4Octets ip{};
    uint32_t from = 0;
    uint32_t to = 0;
};

// Parses "IP FROM TO" and checks the range with the operation's rule; nullopt after
// printing why (status 2).
std::optional<RangeArguments> readRange(const CliOptions& options, bool clear) {
    if (options.positional().size() != 4) {
        printUsage(usageText(), stderr, kExitUsage);
        return std::nullopt;
    }
    RangeArguments range;
    QString error;
    const auto ip = parseTarget(options.positional()[1], error);
    if (!ip) {
        fail(error, kExitUsage);
        return std::nullopt;
    }
    range.ip = *ip;
    const auto from = parseUnsignedField(options.positional()[2].toStdString());
    const auto to = parseUnsignedField(options.positional()[3].toStdString());
    if (!from || !to) {
        failAs("bad_range", kBadSectorNumbers, kExitUsage);
        return std::nullopt;
    }
    range.from = *from;
    range.to = *to;
    const FlashStatus refused = clear ? FlashClearEngine::check(range.ip, *from, *to)
                                      : FlashReadEngine::check(range.ip, *from, *to);
    if (refused != FlashStatus::Completed) {
        failWith(rangeFailure(refused, *from, *to, clear ? LAST_CLEARABLE_SECTOR : LAST_READABLE_SECTOR), kExitUsage);
        return std::nullopt;
    }
    return range;
}

// With --json, one event per sector: its 256 bytes as hexadecimal digits, or null.
void printDumpJson(const FlashDump& dump) {
    for (int s = dump.from(); s <= dump.to(); ++s) {
        const SectorData* data = dump.sector(s);
        const QJsonValue bytes = data ? QJsonValue(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(data->data()),
                                                                                  qsizetype(data->size())).toHex()))
                                      : QJsonValue();
        printJson({{"event", "sector"}, {"sector", s}, {"data", bytes}});
    }
}

void printDump(const FlashDump& dump) {
    for (int s = dump.from(); s <= dump.to(); ++s) {
        const SectorData* data = dump.sector(s);
        for (size_t line = 0; line < SECTOR_SIZE; line += 16) {
            const auto offset = static_cast<uint32_t>(s * SECTOR_SIZE + line);
            printLine(data ? hexDumpLine(offset, std::span<const uint8_t>(data->data() + line, 16))
                           : missingHexDumpLine(offset));
        }
    }
}

// "sector 12 of 2048, about 204 s left" on one terminal line, rewritten in place.
void showProgress(const FlashReadProgress& progress, const Pace& pace) {
    const int left = progress.planned - progress.sent;
    const double seconds = double(left) * double(pace.afterSectorRead.count()) / 1000.0;
    std::fputs(qPrintable(QString::fromLatin1(kReadProgress).arg(progress.sent).arg(progress.planned).arg(std::ceil(seconds), 0, 'f', 0)),
               stderr);
    std::fflush(stderr);
}

int readFlash(const QStringList& args) {
    CliOptions options;
    LinkConfig link;
    QString error;
    const bool parsed = parseMaintenanceAction(args, {"output"}, {}, options, link, error);
    if (const auto answer = usageAnswer(parsed, error, options, usageText)) return *answer;
    const auto range = readRange(options, false);
    if (!range) return kExitUsage;
    if (options.has("output") && options.value("output").isEmpty()) return fail(kOutputNeedsName, kExitUsage);

    const Pace pace = Pace::product();
    const FlashReadRequest request{.target = range->ip, .from = range->from, .to = range->to, .retries = kRetries,
                                   .replyWait = *readTimeoutMs(options),
                                   .history = {dataDirectory(options), stderrTableSink()}};
    FlashReadEngine engine(link, pace);
    const bool progress = ::isatty(STDERR_FILENO) == 1 && !jsonOutput();
    if (progress) QObject::connect(&engine, &FlashReadEngine::requestSent, [&](const FlashReadProgress& p) { showProgress(p, pace); });
    if (jsonOutput())
        QObject::connect(&engine, &FlashReadEngine::requestSent, [&](const FlashReadProgress& p) {
            printJson({{"event", "request"}, {"sector", p.sector}, {"accepted", p.accepted},
                       {"sent", p.sent}, {"planned", p.planned}});
        });
    FlashReadResult result;
    QObject::connect(&engine, &FlashReadEngine::finished, [&](const FlashReadResult& r) { result = r; });
    runToEnd(engine, &FlashReadEngine::finished, [&] { engine.start(request); }, [&](int) { engine.cancel(); });
    if (progress) std::fputc('\n', stderr);

    const QString target = QString::fromStdString(formatDotted(request.target));
    if (result.status == FlashStatus::NoSocket) return failWith(noSocketFailure(target));
    if (result.status != FlashStatus::Completed) return failWith(readStoppedFailure());
    const FlashDump& dump = result.dump;
    if (options.has("output")) {
        std::string problem;
        if (!writeDumpFile(options.value("output").toStdString(), dump, problem))
            return failAs("file_not_written", "cannot write " + options.value("output"));
    } else if (jsonOutput()) {
        printDumpJson(dump);
    } else {
        printDump(dump);
    }
    const std::vector<int> missing = dump.missing();
    if (jsonOutput()) {
        QJsonArray missingSectors;
        for (int s : missing) missingSectors.append(s);
        printJson({{"event", "summary"}, {"device", target}, {"from", int(request.from)}, {"to", int(request.to)},
                   {"missing", missingSectors},
                   {"output", options.has("output") ? QJsonValue(options.value("output")) : QJsonValue()}});
    }
    if (missing.empty()) return 0;
    return failWith(sectorsMissingFailure(target, missing, kRetries + 1));
}

int clearSectors(const QStringList& args) {
    CliOptions options;
    LinkConfig link;
    QString error;
    const bool parsed = parseMaintenanceAction(args, {}, {"yes"}, options, link, error);
    if (const auto answer = usageAnswer(parsed, error, options, usageText)) return *answer;
    const auto range = readRange(options, true);
    if (!range) return kExitUsage;
    const QString target = QString::fromStdString(formatDotted(range->ip));
    // The terminal asks before the target is recorded: a clear declined here leaves the
    // history as it was.
    if (!options.has("yes") &&
        !confirmOnTerminal(kClearOperationWord, QString::fromUtf8(kClearConfirmText) + target))
        return failWith(notConfirmedFailure());

    FlashClearEngine engine(link);
    FlashClearResult result;
    QObject::connect(&engine, &FlashClearEngine::finished, [&](const FlashClearResult& r) { result = r; });
    // The writes go out back to back: a signal keeps its default action, as a half-done
    // clear has nothing to report.
    runToEnd(
        engine, &FlashClearEngine::finished,
        [&] {
            engine.start({.target = range->ip, .from = range->from, .to = range->to,
                          .history = {dataDirectory(options), stderrTableSink()}, .confirm = {}});
        },
        {});
    if (result.status == FlashStatus::NoSocket) return failWith(noSocketFailure(target));
    if (result.accepted != result.sent) return failWith(clearNotSentFailure(result.accepted, result.sent));
    if (jsonOutput())
        printJson({{"cleared", target}, {"from", int(range->from)}, {"to", int(range->to)}, {"sent", result.sent}});
    else
        printLine(QString::fromUtf8(kClearDoneText));
    return 0;
}

const CliCommand kFlash("flash", "read flash sectors of a device into a dump or a file, or clear them", usageText,
                        {{"read", readFlash}, {"clear", clearSectors}});

}  // namespace
}  // namespace tavo::cli
