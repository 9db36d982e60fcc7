#include "SimOptions.h"

#include <functional>
#include <map>

namespace tavo::sim {

namespace {
constexpr int kMaxIntervalMs = 3600 * 1000;
constexpr int kMaxRequests = 1000000;
constexpr int kMaxDelayMs = 60 * 1000;
constexpr double kMaxRunSeconds = 7 * 24 * 3600.0;
constexpr quint32 kLoopbackBroadcast = 0x7FFFFFFF;  // 127.255.255.255
constexpr quint32 kLoopbackNet = 0x7F000000;        // 127.0.0.0/8

// True when every device that has an address has one on loopback: their BootP requests
// then stay on loopback by default.
bool allOnLoopback(const std::vector<SimDeviceOption>& devices) {
    for (const SimDeviceOption& device : devices) {
        if (device.ip && (ipv4ToNumber(*device.ip) & 0xFF000000) != kLoopbackNet) return false;
    }
    return true;
}

bool asksByBootp(const SimOptions& options) {
    if (options.config.bootpMaxRequests <= 0) return false;
    for (const SimDeviceOption& device : options.devices) {
        if (!device.ip) return true;
    }
    return false;
}

SimOptions productDefaults() {
    SimOptions options;
    options.config.devicePort = SimConfig::kDevicePort;
    options.config.broadcast = QHostAddress(QHostAddress::Broadcast);
    options.config.bootpServerPort = SimConfig::kBootpServerPort;
    options.config.bootpClientPort = SimConfig::kBootpClientPort;
    return options;
}

std::optional<long long> parseInteger(const QString& text, long long low, long long high) {
    bool ok = false;
    const long long value = text.toLongLong(&ok, 10);
    if (!ok || value < low || value > high) return std::nullopt;
    return value;
}

// Reads one option's value into the options; an empty text on success, else the reason.
using ValueReader = std::function<QString(SimOptions&, std::optional<Ipv4Address>&, const QString&)>;

QString setPort(quint16& target, const QString& value, bool allowZero) {
    const auto port = parseInteger(value, allowZero ? 0 : 1, 65535);
    if (!port) return QStringLiteral("not a port number: %1").arg(value);
    target = quint16(*port);
    return {};
}

QString setInt(int& target, const QString& value, long long low, long long high) {
    const auto number = parseInteger(value, low, high);
    if (!number) return QStringLiteral("not a number from %1 to %2: %3").arg(low).arg(high).arg(value);
    target = int(*number);
    return {};
}

const std::map<QString, ValueReader>& valueOptions() {
    static const std::map<QString, ValueReader> readers = {
        {"--port", [](SimOptions& o, auto&, const QString& v) { return setPort(o.config.devicePort, v, true); }},
        {"--bootp-server-port",
         [](SimOptions& o, auto&, const QString& v) { return setPort(o.config.bootpServerPort, v, false); }},
        {"--bootp-client-port",
         [](SimOptions& o, auto&, const QString& v) { return setPort(o.config.bootpClientPort, v, false); }},
        {"--bootp-interval-ms",
         [](SimOptions& o, auto&, const QString& v) { return setInt(o.config.bootpIntervalMs, v, 1, kMaxIntervalMs); }},
        {"--bootp-max-requests",
         [](SimOptions& o, auto&, const QString& v) { return setInt(o.config.bootpMaxRequests, v, 0, kMaxRequests); }},
        {"--broadcast",
         [](SimOptions& o, auto&, const QString& v) {
             const auto ip = parseIpv4(v);
             if (!ip) return QStringLiteral("not an IPv4 address: %1").arg(v);
             o.config.broadcast = QHostAddress(ipv4ToNumber(*ip));
             return QString();
         }},
        {"--interface",
         [](SimOptions& o, auto&, const QString& v) {
             o.config.interfaceName = v;
             return v.isEmpty() ? QStringLiteral("empty interface name") : QString();
         }},
        {"--max-seconds",
         [](SimOptions& o, auto&, const QString& v) {
             bool ok = false;
             const double seconds = v.toDouble(&ok);
             if (!ok || !(seconds > 0) || seconds > kMaxRunSeconds)
                 return QStringLiteral("not a positive number of seconds: %1").arg(v);
             o.maxSeconds = seconds;
             return QString();
         }},
        {"--drop-every",
         [](SimOptions& o, auto&, const QString& v) { return setInt(o.config.dropEvery, v, 0, kMaxRequests); }},
        {"--delay-ms",
         [](SimOptions& o, auto&, const QString& v) {
             // MIN-MAX, or one figure for a fixed delay.
             const QStringList parts = v.split(QLatin1Char('-'));
             const auto low = parts.size() <= 2 ? parseInteger(parts.front(), 0, kMaxDelayMs) : std::nullopt;
             const auto high = parts.size() == 2 ? parseInteger(parts.back(), 0, kMaxDelayMs) : low;
             if (!low || !high || *high < *low)
                 return QStringLiteral("not a delay MIN-MAX in milliseconds (0 to %1): %2").arg(kMaxDelayMs).arg(v);
             o.config.delayMinMs = int(*low);
             o.config.delayMaxMs = int(*high);
             return QString();
         }},
        {"--drop-write",
         [](SimOptions& o, auto&, const QString& v) { return setInt(o.config.dropWriteSector, v, 0, 65535); }},
        {"--http-port",
         [](SimOptions& o, auto&, const QString& v) {
             quint16 port = 0;
             const QString problem = setPort(port, v, true);
             o.httpPort = port;
             return problem;
         }},
        {"--flash",
         [](SimOptions& o, auto&, const QString& v) {
             o.flashFile = v;
             return v.isEmpty() ? QStringLiteral("empty flash file name") : QString();
         }},
        {"--ip",
         [](SimOptions&, std::optional<Ipv4Address>& pending, const QString& v) {
             if (pending) return QStringLiteral("--ip %1 follows another --ip without a --mac").arg(v);
             pending = parseIpv4(v);
             return pending ? QString() : QStringLiteral("not an IPv4 address: %1").arg(v);
         }},
        {"--mac",
         [](SimOptions& o, std::optional<Ipv4Address>& pending, const QString& v) {
             const auto mac = parseMac(v);
             if (!mac) return QStringLiteral("not a MAC address: %1").arg(v);
             o.devices.push_back({pending, *mac});
             pending.reset();
             return QString();
         }},
    };
    return readers;
}
}  // namespace

SimOptionsResult parseSimOptions(const QStringList& arguments) {
    SimOptions options = productDefaults();
    std::optional<Ipv4Address> pendingIp;
    bool broadcastGiven = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& name = arguments.at(i);
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            options.help = true;
            return {options, {}};
        }
        if (name == QLatin1String("--bind-any")) {
            options.config.bindAny = true;
            continue;
        }
        if (name == QLatin1String("--broadcast")) broadcastGiven = true;
        const auto reader = valueOptions().find(name);
        if (reader == valueOptions().end()) return {std::nullopt, QStringLiteral("unknown option: %1").arg(name)};
        if (i + 1 >= arguments.size()) return {std::nullopt, QStringLiteral("%1 needs a value").arg(name)};
        const QString problem = reader->second(options, pendingIp, arguments.at(++i));
        if (!problem.isEmpty()) return {std::nullopt, problem};
    }
    if (pendingIp) return {std::nullopt, QStringLiteral("the last --ip has no --mac")};
    if (options.devices.empty()) return {std::nullopt, QStringLiteral("no device: give at least one --mac")};
    if (!broadcastGiven && options.config.interfaceName.isEmpty() && allOnLoopback(options.devices))
        options.config.broadcast = QHostAddress(kLoopbackBroadcast);
    // A limited broadcast without a chosen interface would leave by the default route onto
    // whatever network this host is on; the simulator only asks where it is pointed.
    const bool limited = options.config.broadcast == QHostAddress(QHostAddress::Broadcast);
    if (limited && options.config.interfaceName.isEmpty() && asksByBootp(options)) {
        return {std::nullopt, QStringLiteral("BootP requests to 255.255.255.255 would leave by the default route: "
                                             "add --interface IF, or --broadcast ADDR (on loopback "
                                             "127.255.255.255), or --bootp-max-requests 0")};
    }
    return {options, {}};
}

QString simUsage() {
    return QStringLiteral(
        "usage: tavo-sim [--port P] [--bind-any] [--broadcast ADDR] [--interface IF]\n"
        "                [--bootp-server-port 67] [--bootp-client-port 68] [--bootp-interval-ms 3000]\n"
        "                [--bootp-max-requests 100] [--max-seconds S] [--drop-every N]\n"
        "                [--delay-ms MIN-MAX] [--drop-write SECTOR] [--http-port P] [--flash FILE]\n"
        "                ( [--ip IP] --mac MAC )...\n"
        "Plays TAVO 707 devices on UDP. An --ip applies to the next --mac; a --mac without one\n"
        "is a device without an address, which asks for one by BootP. --port 0 picks a free port.\n"
        "--bootp-max-requests 0 keeps devices from asking by BootP at all. BootP requests go to\n"
        "--broadcast; when it is not given and every --ip is on loopback (127.0.0.0/8), they go\n"
        "to 127.255.255.255. Requests to the limited broadcast 255.255.255.255 need --interface.\n"
        "--drop-every N leaves out every N-th reply; --delay-ms MIN-MAX sends each reply after\n"
        "a delay drawn from MIN..MAX milliseconds, so replies may also come out of order.\n"
        "--drop-write SECTOR drops every sector write or upload block to that sector, as if lost.\n"
        "--http-port P serves HTTP (GET, HEAD) on each device's address from the web image in its\n"
        "flash (0: a free port, printed as \"http port P\"). --flash FILE preloads every device's\n"
        "flash with FILE (at most 524288 bytes; the rest stays erased).\n");
}

}  // namespace tavo::sim
