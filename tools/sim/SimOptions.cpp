#include "SimOptions.h"

#include <functional>
#include <map>

namespace tavo::sim {

namespace {
constexpr int kMaxIntervalMs = 3600 * 1000;
constexpr int kMaxRequests = 1000000;
constexpr double kMaxRunSeconds = 7 * 24 * 3600.0;

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
        const auto reader = valueOptions().find(name);
        if (reader == valueOptions().end()) return {std::nullopt, QStringLiteral("unknown option: %1").arg(name)};
        if (i + 1 >= arguments.size()) return {std::nullopt, QStringLiteral("%1 needs a value").arg(name)};
        const QString problem = reader->second(options, pendingIp, arguments.at(++i));
        if (!problem.isEmpty()) return {std::nullopt, problem};
    }
    if (pendingIp) return {std::nullopt, QStringLiteral("the last --ip has no --mac")};
    if (options.devices.empty()) return {std::nullopt, QStringLiteral("no device: give at least one --mac")};
    // A limited broadcast without a chosen interface would leave by the default route onto
    // whatever network this host is on; the simulator only asks where it is pointed.
    const bool limited = options.config.broadcast == QHostAddress(QHostAddress::Broadcast);
    if (limited && options.config.interfaceName.isEmpty() && options.config.bootpMaxRequests > 0) {
        return {std::nullopt, QStringLiteral("BootP requests to 255.255.255.255 need --interface IF "
                                             "(on loopback: --broadcast 127.255.255.255; none: "
                                             "--bootp-max-requests 0)")};
    }
    return {options, {}};
}

QString simUsage() {
    return QStringLiteral(
        "usage: tavo-sim [--port P] [--bind-any] [--broadcast ADDR] [--interface IF]\n"
        "                [--bootp-server-port 67] [--bootp-client-port 68] [--bootp-interval-ms 3000]\n"
        "                [--bootp-max-requests 100] [--max-seconds S] ( [--ip IP] --mac MAC )...\n"
        "Plays TAVO 707 devices on UDP. An --ip applies to the next --mac; a --mac without one\n"
        "is a device without an address, which asks for one by BootP. --port 0 picks a free port.\n"
        "--bootp-max-requests 0 keeps devices from asking by BootP at all. Requests to the\n"
        "limited broadcast 255.255.255.255 (the default) need --interface; on loopback use\n"
        "--broadcast 127.255.255.255.\n");
}

}  // namespace tavo::sim
