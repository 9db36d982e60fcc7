// tavo bootp serve: the BootP server of the IP configuration page, for a commissioning
// PC without the desktop program or for a script. It answers the devices of "bootp.ini",
// prints a line per request and per reply, and leaves unknown devices unanswered unless
// it is told to give them addresses from a pool.
#include <QCoreApplication>
#include <cstdio>
#include <optional>

#include "AddressEnglish.h"
#include "AddressText.h"
#include "DeviceTable.h"
#include "BootpLogWriter.h"
#include "BootpWords.h"
#include "BootpServer.h"
#include "CliCommand.h"
#include "CliSupport.h"
#include "JsonOutput.h"
#include "LinkOptions.h"
#include "PoolEnglish.h"
#include "PoolOptions.h"
#include "RunToEnd.h"

namespace tavo::cli {
namespace {

constexpr unsigned kLinkGroups = kLinkBootpPorts | kLinkBroadcast | kLinkInterface;

QString usageText() {
    return QString(
               "usage: tavo bootp serve [--data-dir DIR] [--port P] [--reply-port P] [--broadcast A.B.C.D]\n"
               "                        [--interface NAME] [--quiet] [--max-seconds S] [--log FILE]\n"
               "                        [--add-unknown --ip-pool FIRST-LAST [--gateway A.B.C.D] [--subnet A.B.C.D]]\n"
               "\n"
               "Answers the BootP requests of TAVO 707 devices (hardware address 02-4B-7E-...) from the\n"
               "device table \"bootp.ini\" in DIR, read again whenever it changes. Replies go to the\n"
               "broadcast address, out of the interface the request came in on, with that interface's\n"
               "address as the server address. Ends cleanly (status 0) on SIGINT or SIGTERM.\n"
               "\n"
               "Output, one line each:\n"
               "  ready port P                                   the server port is open\n"
               "  request MAC on IF from A.B.C.D:P: STATUS       a request of the family\n"
               "  reply MAC on IF: STATUS                        the reply was sent\n"
               "  no reply MAC on IF: STATUS                     why there was none\n"
               "  unknown MAC: ...                               a device that is not in the table\n"
               "  added MAC ip A.B.C.D                           (--add-unknown) the device was added\n"
               "  rival server A.B.C.D answered MAC on IF        another server answers the family\n"
               "                                                 (once per server)\n"
               "  interface IF down|is gone|has no IPv4 address|up ...  (--interface) the served\n"
               "                                                 interface changed; the server waits\n"
               "\n"
               "Options:\n"
               "  --data-dir DIR    folder of the tables (default: the profile entry \"path\", else\n"
               "                    the current directory)\n") +
           linkOptionsHelp(kLinkGroups) +
           "  --quiet           no request and reply lines\n"
           "  --max-seconds S   end after S seconds (status 0)\n"
           "  --log FILE        append one JSON line per request read, other server heard and\n"
           "                    change of the interface to FILE (\"-\": the standard output)\n"
           "  --add-unknown     give a device that is not in the table the lowest free address of\n"
           "                    --ip-pool (addresses ending in .0 or .255 are skipped), add it to\n"
           "                    \"bootp.ini\" and the address histories, as the device entry dialog\n"
           "                    does, and answer it at once. Without it unknown devices are printed\n"
           "                    and left unanswered.\n"
           "  --ip-pool FIRST-LAST  the addresses --add-unknown gives, e.g. 192.168.1.100-192.168.1.199\n"
           "  --gateway A.B.C.D     gateway of the added devices (default 0.0.0.0)\n"
           "  --subnet A.B.C.D      subnet mask of the added devices (default 255.255.255.0)\n";
}


// The snake_case word of a status in the --json events, beside its text.
const char* bootpStatusCode(BootpStatus status) {
    switch (status) {
    case BootpStatus::Initializing: return "initializing";
    case BootpStatus::Waiting: return "waiting";
    case BootpStatus::Stopped: return "stopped";
    case BootpStatus::Received: return "received";
    case BootpStatus::InvalidRequest: return "invalid_request";
    case BootpStatus::Accepted: return "accepted";
    case BootpStatus::ReplySent: return "reply_sent";
    case BootpStatus::ReplySendFailed: return "reply_send_failed";
    case BootpStatus::NotFound: return "not_found";
    case BootpStatus::HostNameUnavailable: return "host_name_unavailable";
    case BootpStatus::HostAddressUnavailable: return "host_address_unavailable";
    case BootpStatus::PortUnavailable: return "port_unavailable";
    }
    return "";
}

QJsonObject statusJson(const char* event, const BootpEvent& status) {
    return {{"event", event}, {"status", bootpStatusCode(status.status)}, {"text", QString::fromStdString(bootpStatusText(status))}};
}

// Adds a device with the lowest free address of the pool and prints it, or prints why
// it was not added.
void addFromPool(const std::string& dir, const MacOctets& mac, const AddressPool& pool) {
    const DeviceTableResult added = DeviceTable(dir, stderrTableSink()).addFromPool(mac, pool);
    printUnknownDevice(mac, added.status, ParseDottedIp(added.record.IP), added.index);
}

// Prints what the server does; answers unknown devices from the pool or not at all.
class ServeObserver : public BootpServerObserver {
public:
    ServeObserver(std::string dir, bool quiet, std::optional<AddressPool> pool)
        : m_dir(std::move(dir)), m_quiet(quiet), m_pool(pool) {}

    void attach(BootpServer* server) { m_server = server; }
    bool readFailed() const { return m_readFailed; }

    void bootpStatus(const BootpEvent& event) override {
        // The statuses of a request are printed with the request's own lines.
        if (m_server && m_server->isBusy()) return;
        if (jsonOutput())
            printJson(statusJson("status", event));
        else
            printLine(bootpStatusText(event));
        std::fflush(stdout);
    }

    bool bootpUnknownDevice(const MacOctets& mac) override {
        if (!m_pool) {
            printUnknownDevice(mac, DeviceTableStatus::NotFound, {}, -1);
        } else {
            addFromPool(m_dir, mac, *m_pool);
        }
        // True in every case: the server looks the device up again, and answers it only
        // when it was added; it never stops for an unknown device.
        return true;
    }

    void bootpReadFailed() override {
        failAs("read_failed", QString("%1: %2").arg(kBootpReadFailedCaption, kBootpReadFailedText));
        m_readFailed = true;
        QCoreApplication::exit(kExitFailure);
    }

    void bootpStopRequested() override {}

    void bootpRequestChecked(const BootpRequestInfo& request, BootpStatus status) override {
        if (m_quiet) return;
        if (jsonOutput()) {
            QJsonObject event = statusJson("request", BootpEvent(status));
            event.insert("mac", QString::fromStdString(FormatMac(request.mac)));
            event.insert("interface", where(request));
            event.insert("from", request.sender.toString());
            event.insert("fromPort", int(request.senderPort));
            printJson(event);
            return;
        }
        printLine(QString("request %1 on %2 from %3:%4: %5")
                      .arg(QString::fromStdString(FormatMac(request.mac)), where(request), request.sender.toString())
                      .arg(request.senderPort)
                      .arg(QString::fromStdString(bootpStatusText(status))));
    }

    void bootpRequestDone(const BootpRequestInfo& request, const BootpEvent& outcome, bool replied) override {
        if (m_quiet) return;
        if (jsonOutput()) {
            QJsonObject event = statusJson(replied ? "reply" : "no_reply", outcome);
            event.insert("mac", QString::fromStdString(FormatMac(request.mac)));
            event.insert("interface", where(request));
            printJson(event);
            return;
        }
        printLine(QString("%1 %2 on %3: %4")
                      .arg(replied ? "reply" : "no reply", QString::fromStdString(FormatMac(request.mac)), where(request),
                           QString::fromStdString(bootpStatusText(outcome))));
    }

private:
    static QString where(const BootpRequestInfo& request) {
        if (!request.interfaceName.isEmpty()) return request.interfaceName;
        return request.interfaceIndex ? QString("#%1").arg(request.interfaceIndex) : QString("?");
    }

    std::string m_dir;
    bool m_quiet;
    std::optional<AddressPool> m_pool;
    BootpServer* m_server = nullptr;
    bool m_readFailed = false;
};

int serve(const CliOptions& options) {
    LinkConfig config;
    QString error;
    if (!readLinkOptions(options, kLinkGroups, config, error)) return fail(error, kExitUsage);
    std::optional<AddressPool> pool;
    if (!options.has("add-unknown") && (options.has("ip-pool") || options.has("gateway") || options.has("subnet")))
        return fail("--ip-pool, --gateway and --subnet go with --add-unknown", kExitUsage);
    if (options.has("add-unknown") && !options.has("ip-pool"))
        return fail("--add-unknown needs --ip-pool FIRST-LAST", kExitUsage);
    if (!readPoolOptions(options, pool, error)) return fail(error, kExitUsage);
    double maxSeconds = 0;
    if (!readMaxSeconds(options, maxSeconds, error)) return fail(error, kExitUsage);

    std::unique_ptr<BootpLogWriter> log;
    if (options.value("log") == QLatin1String("-") && jsonOutput())
        return fail("--log - writes the log on stdout, where --json writes its events", kExitUsage);
    if (options.has("log") && !(log = BootpLogWriter::open(options.value("log"), error)))
        return fail("--log: cannot open " + options.value("log") + ": " + error);

    const std::string dir = dataDirectory(options);
    ServeObserver observer(dir, options.has("quiet"), pool);
    BootpServer server(config, QString::fromStdString(dir), observer);
    observer.attach(&server);
    if (log) log->follow(server);
    // With --json the other servers and the interface's changes are events like the rest.
    QObject::connect(&server, &BootpServer::rivalServerSeen, [](const BootpRivalServer& rival) {
        if (jsonOutput())
            printJson(rivalServerJson(rival));
        else
            printLine(rivalServerLine(rival));
        std::fflush(stdout);
    });
    QObject::connect(&server, &BootpServer::interfaceChanged, [](const BootpInterfaceEvent& event) {
        if (jsonOutput())
            printJson(interfaceJson(event));
        else
            printLine(interfaceLine(event));
        std::fflush(stdout);
    });
    if (!server.start()) return failAs("not_started", "the BootP server did not start: " + QString::fromStdString(bootpStartFailureReason(server.startFailure())));
    if (jsonOutput())
        printJson({{"event", "ready"}, {"port", int(server.localPort())}});
    else
        printLine(QString("ready port %1").arg(server.localPort()));
    std::fflush(stdout);

    // One write per request: the lines of a request go out once it has been handled.
    QObject::connect(&server, &BootpServer::requestHandled, [] { std::fflush(stdout); });
    const int status = runEventLoop([](int) { QCoreApplication::exit(0); }, maxSeconds);
    server.stop();
    std::fflush(stdout);
    return observer.readFailed() ? kExitFailure : status;
}

int run(const QStringList& args) {
    CliOptions options;
    const QStringList withValue =
        QStringList{kDataDirOption, "max-seconds", "ip-pool", "gateway", "subnet", "log"} + linkOptionNames(kLinkGroups);
    const bool parsed = options.parse(args, withValue, {"help", "quiet", "add-unknown"});
    if (const auto answer = usageAnswer(parsed, options.error(), options, usageText)) return *answer;
    if (options.positional() != QStringList{"serve"}) return printUsage(usageText(), stderr, kExitUsage);
    return serve(options);
}

const CliCommand kBootp("bootp", "the BootP server: serve the devices of bootp.ini", usageText,
    CliCommand::HelpWord::OptionOnly, run);

}  // namespace
}  // namespace tavo::cli
