// tavo bootp serve: the BootP server of the IP configuration page, for a commissioning
// PC without the desktop program or for a script. It answers the devices of "bootp.ini",
// prints a line per request and per reply, and leaves unknown devices unanswered unless
// it is told to give them addresses from a pool.
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <unordered_set>

#include "AddressText.h"
#include "BootPFDB.h"
#include "BootpServer.h"
#include "CliCommand.h"
#include "CliSupport.h"
#include "IPFDB.h"
#include "LinkOptions.h"
#include "MacHistoryFDB.h"
#include "QuitOnSignal.h"

namespace tavo::cli {
namespace {

constexpr unsigned kLinkGroups = kLinkBootpPorts | kLinkBroadcast | kLinkInterface;

// What the device entry dialog gives a new device.
constexpr int kEntryHType = 1;
constexpr int kEntryHLen = 6;
constexpr Ipv4Octets kDefaultSubnet{255, 255, 255, 0};
constexpr Ipv4Octets kBlankAddress{0, 0, 0, 0};
constexpr quint32 kMaxPoolSize = 65536;

QString usageText() {
    return QString(
               "usage: tavo bootp serve [--data-dir DIR] [--port P] [--reply-port P] [--broadcast A.B.C.D]\n"
               "                        [--interface NAME] [--quiet] [--max-seconds S]\n"
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
               "\n"
               "Options:\n"
               "  --data-dir DIR    folder of the tables (default: the profile entry \"path\", else\n"
               "                    the current directory)\n") +
           linkOptionsHelp(kLinkGroups) +
           "  --quiet           no request and reply lines\n"
           "  --max-seconds S   end after S seconds (status 0)\n"
           "  --add-unknown     give a device that is not in the table the lowest free address of\n"
           "                    --ip-pool (addresses ending in .0 or .255 are skipped), add it to\n"
           "                    \"bootp.ini\" and the address histories, as the device entry dialog\n"
           "                    does, and answer it at once. Without it unknown devices are printed\n"
           "                    and left unanswered.\n"
           "  --ip-pool FIRST-LAST  the addresses --add-unknown gives, e.g. 192.168.1.100-192.168.1.199\n"
           "  --gateway A.B.C.D     gateway of the added devices (default 0.0.0.0)\n"
           "  --subnet A.B.C.D      subnet mask of the added devices (default 255.255.255.0)\n";
}

quint32 ToNumber(const Ipv4Octets& ip) {
    return (quint32(ip[0]) << 24) | (quint32(ip[1]) << 16) | (quint32(ip[2]) << 8) | ip[3];
}

Ipv4Octets toOctets(quint32 value) {
    return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}

struct AddressPool {
    quint32 first = 0;
    quint32 last = 0;
    Ipv4Octets gateway = kBlankAddress;
    Ipv4Octets subnet = kDefaultSubnet;
};

bool ParsePool(const QString& text, AddressPool& pool) {
    const QStringList ends = text.split('-');
    if (ends.size() != 2) return false;
    const auto first = parseIpArgument(ends[0].trimmed().toStdString());
    const auto last = parseIpArgument(ends[1].trimmed().toStdString());
    if (!first || !last || ToNumber(*first) > ToNumber(*last)) return false;
    if (ToNumber(*last) - ToNumber(*first) >= kMaxPoolSize) return false;
    pool.first = ToNumber(*first);
    pool.last = ToNumber(*last);
    return true;
}

bool addressOption(const CliOptions& options, const char* name, Ipv4Octets& out) {
    if (!options.has(name)) return true;
    const auto parsed = parseIpArgument(options.value(name).toStdString());
    if (parsed) out = *parsed;
    return parsed.has_value();
}

// Adds a device with the lowest free address of the pool. Returns the address, or
// nothing (with the reason printed) when none is free or the table cannot be written.
std::optional<Ipv4Octets> AddFromPool(const std::string& dir, const std::string& mac, const AddressPool& pool) {
    const auto sink = stderrTableSink();
    CBootPFDB table(dir, sink);
    table.Load();
    if (table.isFileUnreadable()) return std::nullopt;
    std::unordered_set<quint32> used;
    for (int i = 0; i < table.getCount(); ++i) {
        int hType = 0, hLen = 0;
        std::string ip, macText, gateway, subnet;
        table.GetRecord(hType, hLen, ip, macText, gateway, subnet, i);
        used.insert(ToNumber(ParseDottedIp(ip)));
    }
    for (quint64 candidate = pool.first; candidate <= pool.last; ++candidate) {
        const quint32 address = quint32(candidate);
        const uint8_t last = uint8_t(address);
        if (last == 0 || last == 255 || used.count(address)) continue;
        const Ipv4Octets ip = toOctets(address);
        if (table.AddNew() == -1) return std::nullopt;
        table.setHType(kEntryHType);
        table.setHLen(kEntryHLen);
        table.setIP(formatDottedAligned(ip));
        table.setMAC(mac);
        table.setGateway(formatDottedAligned(pool.gateway));
        table.setSubnet(formatDottedAligned(pool.subnet));
        if (!table.Save()) return std::nullopt;
        const auto macBytes = parseMacArgument(mac);
        if (macBytes) {
            const auto& b = *macBytes;
            CMacHistoryFDB::AddIfAbsent(dir, {b[0], b[1], b[2], b[3], b[4], b[5]}, sink);
        }
        CIPFDB::AddIfAbsent(dir, ip[0], ip[1], ip[2], ip[3], sink);
        return ip;
    }
    printLine("unknown " + mac + ": the address pool is used up, left unanswered");
    return std::nullopt;
}

// Prints what the server does; answers unknown devices from the pool or not at all.
class ServeObserver : public BootpServerObserver {
public:
    ServeObserver(std::string dir, bool quiet, std::optional<AddressPool> pool)
        : m_dir(std::move(dir)), m_quiet(quiet), m_pool(pool) {}

    void attach(BootpServer* server) { m_server = server; }
    bool readFailed() const { return m_readFailed; }

    void bootpStatus(const QString& text) override {
        // The texts of a request are printed with the request's own lines.
        if (m_server && m_server->isBusy()) return;
        printLine(text);
        std::fflush(stdout);
    }

    bool bootpUnknownDevice(const QStringList& macParts) override {
        const std::string mac = macParts.join(QString()).toStdString();
        if (!m_pool) {
            printLine("unknown " + mac + ": not in bootp.ini, left unanswered");
        } else if (const auto ip = AddFromPool(m_dir, mac, *m_pool)) {
            printLine("added " + mac + " ip " + formatDotted(*ip));
        }
        // True in every case: the server looks the device up again, and answers it only
        // when it was added; it never stops for an unknown device.
        return true;
    }

    void bootpReadFailed() override {
        std::fprintf(stderr, "tavo: %s: %s\n", kBootpReadFailedCaption, kBootpReadFailedText);
        m_readFailed = true;
        QCoreApplication::exit(kExitFailure);
    }

    void bootpStopRequested() override {}

    void bootpRequestChecked(const BootpRequestInfo& request, const QString& statusText) override {
        if (m_quiet) return;
        printLine(QString("request %1 on %2 from %3:%4: %5")
                      .arg(request.mac, where(request), request.sender.toString())
                      .arg(request.senderPort)
                      .arg(statusText));
    }

    void bootpRequestDone(const BootpRequestInfo& request, const QString& statusText, bool replied) override {
        if (m_quiet) return;
        printLine(QString("%1 %2 on %3: %4").arg(replied ? "reply" : "no reply", request.mac, where(request), statusText));
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
    if (!readLinkOptions(options, config, error)) return fail(error, kExitUsage);
    std::optional<AddressPool> pool;
    if (options.has("add-unknown")) {
        AddressPool parsed;
        if (!options.has("ip-pool")) return fail("--add-unknown needs --ip-pool FIRST-LAST", kExitUsage);
        if (!ParsePool(options.value("ip-pool"), parsed))
            return fail("--ip-pool: not a range FIRST-LAST of at most 65536 IPv4 addresses: " + options.value("ip-pool"),
                        kExitUsage);
        if (!addressOption(options, "gateway", parsed.gateway))
            return fail("--gateway: not an IPv4 address: " + options.value("gateway"), kExitUsage);
        if (!addressOption(options, "subnet", parsed.subnet))
            return fail("--subnet: not an IPv4 address: " + options.value("subnet"), kExitUsage);
        pool = parsed;
    } else if (options.has("ip-pool") || options.has("gateway") || options.has("subnet")) {
        return fail("--ip-pool, --gateway and --subnet go with --add-unknown", kExitUsage);
    }
    double maxSeconds = 0;
    if (options.has("max-seconds")) {
        bool ok = false;
        maxSeconds = options.value("max-seconds").toDouble(&ok);
        if (!ok || maxSeconds <= 0 || maxSeconds > 30 * 24 * 3600)
            return fail("--max-seconds: not a number of seconds: " + options.value("max-seconds"), kExitUsage);
    }

    // The sockets' per-datagram debug trace is for the desktop program's debugger, not
    // for a server's output.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    const std::string dir = dataDirectory(options);
    ServeObserver observer(dir, options.has("quiet"), pool);
    BootpServer server(config, QString::fromStdString(dir), observer);
    observer.attach(&server);
    if (!server.start()) return fail("the BootP server did not start: " + server.errorString());
    printLine(QString("ready port %1").arg(server.localPort()));
    std::fflush(stdout);

    // One write per request: the lines of a request go out once it has been handled.
    QObject::connect(&server, &BootpServer::requestHandled, [] { std::fflush(stdout); });
    QuitOnSignal quit([](int) { QCoreApplication::exit(0); });
    if (maxSeconds > 0) QTimer::singleShot(int(maxSeconds * 1000), [] { QCoreApplication::exit(0); });

    const int status = QCoreApplication::exec();
    server.stop();
    std::fflush(stdout);
    return observer.readFailed() ? kExitFailure : status;
}

int run(const QStringList& args) {
    CliOptions options;
    const QStringList withValue =
        QStringList{kDataDirOption, "max-seconds", "ip-pool", "gateway", "subnet"} + linkOptionNames(kLinkGroups);
    if (!options.parse(args, withValue, {"help", "quiet", "add-unknown"})) {
        fail(options.error(), kExitUsage);
        std::fputs(usageText().toUtf8().constData(), stderr);
        return kExitUsage;
    }
    if (options.has("help")) {
        std::fputs(usageText().toUtf8().constData(), stdout);
        return 0;
    }
    if (options.positional() != QStringList{"serve"}) {
        std::fputs(usageText().toUtf8().constData(), stderr);
        return kExitUsage;
    }
    return serve(options);
}

const CliCommand kBootp("bootp", "the BootP server: serve the devices of bootp.ini", run);

}  // namespace
}  // namespace tavo::cli
