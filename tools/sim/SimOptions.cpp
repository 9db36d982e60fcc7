#include "SimOptions.h"

#include "SimDevice.h"

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
constexpr quint64 kLastMac = 0xFFFFFFFFFFFFull;
constexpr int kMaxSector = 65535;                    // what the two sector bytes can carry

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

// What the options read so far hold for the devices still to come.
struct Pending {
    // For the next single --mac.
    std::optional<Ipv4Address> ip;
    SimFaults faults;
    QStringList given;  // those options' names, in order, for the messages
    // --macs-from waiting for its --count.
    std::optional<MacAddress> runFrom;
    QString runFromText;
};

// Reads one option's value into the options; an empty text on success, else the reason.
using ValueReader = std::function<QString(SimOptions&, Pending&, const QString&)>;

QString addDevice(SimOptions& options, const SimDeviceOption& device) {
    if (int(options.devices.size()) >= SimOptions::kMaxDevices)
        return QStringLiteral("more than %1 devices in all").arg(SimOptions::kMaxDevices);
    options.devices.push_back(device);
    return {};
}

// `count` devices without an address, from the MAC numbered `first` on.
QString addRun(SimOptions& options, quint64 first, quint64 count) {
    if (count > quint64(SimOptions::kMaxDevices - int(options.devices.size())))
        return QStringLiteral("more than %1 devices in all").arg(SimOptions::kMaxDevices);
    for (quint64 i = 0; i < count; ++i) options.devices.push_back({std::nullopt, macFromNumber(first + i), {}});
    return {};
}

// The ip and the faults go with one device: a run of them would all take the same address.
QString refuseForRun(const Pending& pending, const QString& option) {
    if (pending.given.isEmpty()) return {};
    return QStringLiteral("%1 applies to the next single --mac, not to %2").arg(pending.given.first(), option);
}

// FIRST-LAST: a MAC may itself be written with "-", so the one split that leaves two MACs
// on either side is the range's.
std::optional<std::pair<MacAddress, MacAddress>> parseMacRange(const QString& text) {
    std::optional<std::pair<MacAddress, MacAddress>> found;
    for (qsizetype at = text.indexOf(u'-'); at >= 0; at = text.indexOf(u'-', at + 1)) {
        const auto first = parseMac(text.left(at));
        const auto last = parseMac(text.mid(at + 1));
        if (!first || !last) continue;
        if (found) return std::nullopt;
        found = std::pair{*first, *last};
    }
    return found;
}

QString readMacRange(SimOptions& options, Pending& pending, const QString& value) {
    if (QString refused = refuseForRun(pending, QStringLiteral("--macs")); !refused.isEmpty()) return refused;
    const auto range = parseMacRange(value);
    if (!range) return QStringLiteral("not a MAC range FIRST-LAST: %1").arg(value);
    const quint64 first = macToNumber(range->first);
    const quint64 last = macToNumber(range->second);
    if (last < first) return QStringLiteral("--macs %1: the last MAC is below the first").arg(value);
    if (last - first >= quint64(SimOptions::kMaxDevices))
        return QStringLiteral("--macs %1 spans %2 devices, more than %3")
            .arg(value)
            .arg(last - first + 1)
            .arg(SimOptions::kMaxDevices);
    return addRun(options, first, last - first + 1);
}

QString readCount(SimOptions& options, Pending& pending, const QString& value) {
    if (!pending.runFrom) return QStringLiteral("--count %1 goes only after --macs-from MAC").arg(value);
    const auto count = parseInteger(value, 1, SimOptions::kMaxDevices);
    if (!count) return QStringLiteral("--count: not a number from 1 to %1: %2").arg(SimOptions::kMaxDevices).arg(value);
    const quint64 first = macToNumber(*pending.runFrom);
    if (quint64(*count - 1) > kLastMac - first)
        return QStringLiteral("--macs-from %1 --count %2 runs past FF:FF:FF:FF:FF:FF").arg(pending.runFromText, value);
    pending.runFrom.reset();
    return addRun(options, first, quint64(*count));
}

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
        {"--bootp-stagger-ms",
         [](SimOptions& o, auto&, const QString& v) { return setInt(o.config.bootpStaggerMs, v, 0, kMaxIntervalMs); }},
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
         [](SimOptions& o, auto&, const QString& v) { return setInt(o.config.dropWriteSector, v, 0, kMaxSector); }},
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
         [](SimOptions&, Pending& pending, const QString& v) {
             if (pending.ip) return QStringLiteral("--ip %1 follows another --ip without a --mac").arg(v);
             pending.ip = parseIpv4(v);
             pending.given << QStringLiteral("--ip");
             return pending.ip ? QString() : QStringLiteral("not an IPv4 address: %1").arg(v);
         }},
        {"--silent-after-block",
         [](SimOptions&, Pending& pending, const QString& v) {
             if (pending.faults.silentAfterSector != SimFaults::kNone)
                 return QStringLiteral("--silent-after-block %1 follows another one without a --mac").arg(v);
             pending.given << QStringLiteral("--silent-after-block");
             // Beyond the flash a write is never stored, so the device would never fall silent.
             return setInt(pending.faults.silentAfterSector, v, 0, SimDevice::kSectorCount - 1);
         }},
        {"--drop-write-once",
         [](SimOptions&, Pending& pending, const QString& v) {
             if (pending.faults.dropWriteOnceSector != SimFaults::kNone)
                 return QStringLiteral("--drop-write-once %1 follows another one without a --mac").arg(v);
             pending.given << QStringLiteral("--drop-write-once");
             return setInt(pending.faults.dropWriteOnceSector, v, 0, kMaxSector);
         }},
        {"--mac",
         [](SimOptions& o, Pending& pending, const QString& v) {
             const auto mac = parseMac(v);
             if (!mac) return QStringLiteral("not a MAC address: %1").arg(v);
             const QString problem = addDevice(o, {pending.ip, *mac, pending.faults});
             pending = {};
             return problem;
         }},
        {"--macs", readMacRange},
        {"--macs-from",
         [](SimOptions&, Pending& pending, const QString& v) {
             if (QString refused = refuseForRun(pending, QStringLiteral("--macs-from")); !refused.isEmpty())
                 return refused;
             pending.runFrom = parseMac(v);
             pending.runFromText = v;
             return pending.runFrom ? QString() : QStringLiteral("not a MAC address: %1").arg(v);
         }},
        {"--count", readCount},
    };
    return readers;
}
}  // namespace

SimOptionsResult parseSimOptions(const QStringList& arguments) {
    SimOptions options = productDefaults();
    Pending pending;
    bool broadcastGiven = false;
    const auto countMissing = [&pending] {
        return QStringLiteral("--macs-from %1 needs --count N right after it").arg(pending.runFromText);
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& name = arguments.at(i);
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            options.help = true;
            return {options, {}};
        }
        if (pending.runFrom && name != QLatin1String("--count")) return {std::nullopt, countMissing()};
        if (name == QLatin1String("--bind-any")) {
            options.config.bindAny = true;
            continue;
        }
        if (name == QLatin1String("--broadcast")) broadcastGiven = true;
        const auto reader = valueOptions().find(name);
        if (reader == valueOptions().end()) return {std::nullopt, QStringLiteral("unknown option: %1").arg(name)};
        if (i + 1 >= arguments.size()) return {std::nullopt, QStringLiteral("%1 needs a value").arg(name)};
        const QString problem = reader->second(options, pending, arguments.at(++i));
        if (!problem.isEmpty()) return {std::nullopt, problem};
    }
    if (pending.runFrom) return {std::nullopt, countMissing()};
    if (!pending.given.isEmpty()) {
        return {std::nullopt, QStringLiteral("the last %1 %2 no --mac")
                                  .arg(pending.given.join(QStringLiteral(" and ")),
                                       pending.given.size() == 1 ? QStringLiteral("has") : QStringLiteral("have"))};
    }
    if (options.devices.empty())
        return {std::nullopt, QStringLiteral("no device: give at least one --mac, --macs or --macs-from")};
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
        "                [--bootp-max-requests 100] [--bootp-stagger-ms 0] [--max-seconds S] [--drop-every N]\n"
        "                [--delay-ms MIN-MAX] [--drop-write SECTOR] [--http-port P] [--flash FILE]\n"
        "                ( [--ip IP] [--silent-after-block K] [--drop-write-once SECTOR] --mac MAC\n"
        "                | --macs FIRST-LAST | --macs-from MAC --count N )...\n"
        "Plays TAVO 707 devices on UDP. An --ip applies to the next --mac; a --mac without one\n"
        "is a device without an address, which asks for one by BootP. --macs FIRST-LAST adds\n"
        "one such device for every MAC from FIRST to LAST, --macs-from MAC --count N adds N\n"
        "from MAC on (at most 1000 devices in all). --port 0 picks a free port.\n"
        "--bootp-max-requests 0 keeps devices from asking by BootP at all. BootP requests go to\n"
        "--broadcast; when it is not given and every --ip is on loopback (127.0.0.0/8), they go\n"
        "to 127.255.255.255. Requests to the limited broadcast 255.255.255.255 need --interface.\n"
        "--bootp-stagger-ms MS: the devices without an address start asking one after another,\n"
        "MS apart, as a batch plugged in one by one.\n"
        "--drop-every N leaves out every N-th reply; --delay-ms MIN-MAX sends each reply after\n"
        "a delay drawn from MIN..MAX milliseconds, so replies may also come out of order.\n"
        "--drop-write SECTOR drops every sector write or upload block to that sector, as if lost.\n"
        "Faults of the next single --mac: --silent-after-block K makes the device fall silent for\n"
        "good once it has stored its write (upload block) to sector K (printed \"silent MAC K\");\n"
        "--drop-write-once SECTOR loses only the first write to that sector.\n"
        "--http-port P serves HTTP (GET, HEAD) on each device's address from the web image in its\n"
        "flash, also on an address a device gets later by BootP (0: a free port, printed as\n"
        "\"http port P\"). --flash FILE preloads every device's flash with FILE (at most 524288\n"
        "bytes; the rest stays erased).\n");
}

}  // namespace tavo::sim
