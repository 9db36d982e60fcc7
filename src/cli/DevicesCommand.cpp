// tavo devices: the BootP device table "bootp.ini", listed, added to and removed from by
// the same rules as the IP configuration page and its device entry dialog.
#include <cstdio>
#include <optional>

#include "AddressText.h"
#include "CliCommand.h"
#include "CliSupport.h"
#include "DeviceTable.h"

namespace tavo::cli {
namespace {

constexpr const char* kUsage =
    "usage: tavo devices list [--data-dir DIR]\n"
    "       tavo devices add --ip A.B.C.D --mac MAC [--gateway A.B.C.D] [--subnet A.B.C.D] [--data-dir DIR]\n"
    "       tavo devices remove --mac MAC [--data-dir DIR]\n"
    "\n"
    "MAC: 12 hexadecimal digits, or six pairs separated by ':' or '-'.\n"
    "list prints one device a line, tab-separated: type, length, IP, MAC, gateway, subnet mask.\n"
    "DIR defaults to the directory of the profile entry \"path\", else the current directory.\n";

constexpr Ipv4Octets kBlankAddress{0, 0, 0, 0};

int usage(FILE* out, int status) {
    std::fputs(kUsage, out);
    return status;
}

// An address option: absent gives `fallback`; a text that is not an address is a usage error.
bool addressOption(const CliOptions& options, const char* name, Ipv4Octets fallback, Ipv4Octets& out) {
    if (!options.has(name)) {
        out = fallback;
        return true;
    }
    const auto parsed = parseIpArgument(options.value(name).toStdString());
    if (!parsed) return false;
    out = *parsed;
    return true;
}

int listDevices(const std::string& dir) {
    DeviceTable table(dir, stderrTableSink());
    const std::vector<DeviceRecord> records = table.list();
    if (!table.readable()) return kExitFailure;
    for (const DeviceRecord& r : records) {
        printLine(std::to_string(r.HType) + '\t' + std::to_string(r.hlen) + '\t' + r.IP + '\t' + r.MAC + '\t' +
                  r.Gateway + '\t' + r.Subnet);
    }
    return 0;
}

// The reason a front end gives for a new device the table refuses.
const char* newDeviceRefusal(NewDeviceProblem problem) {
    switch (problem) {
    case NewDeviceProblem::None: break;
    case NewDeviceProblem::NoIp: return "no device address: give --ip A.B.C.D";
    case NewDeviceProblem::BadIp: return "a device address cannot end in .0 or .255";
    case NewDeviceProblem::NoMac: return "no MAC address: give --mac MAC";
    }
    return "";
}

int addDevice(const CliOptions& options, const std::string& dir) {
    Ipv4Octets ip{}, gateway{}, subnet{};
    if (!addressOption(options, "ip", kBlankAddress, ip))
        return fail("not an IPv4 address: " + options.value("ip"), kExitUsage);
    if (!addressOption(options, "gateway", kBlankAddress, gateway))
        return fail("not an IPv4 address: " + options.value("gateway"), kExitUsage);
    if (!addressOption(options, "subnet", kNewDeviceSubnet, subnet))
        return fail("not an IPv4 address: " + options.value("subnet"), kExitUsage);
    const QString macText = options.value("mac");
    std::optional<MacOctets> mac;
    if (!macText.isEmpty()) {
        mac = parseMacArgument(macText.toStdString());
        if (!mac) return fail("not a MAC address: " + macText, kExitUsage);
    }
    if (const NewDeviceProblem problem = checkNewDevice(ip, mac.has_value()); problem != NewDeviceProblem::None)
        return fail(newDeviceRefusal(problem), kExitUsage);

    const auto sink = stderrTableSink();
    const MacOctets& m = *mac;
    const DeviceTableResult added = DeviceTable(dir, sink).add(newDeviceRecord(ip, m, gateway, subnet));
    if (added.status == DeviceTableStatus::Duplicate) {
        return fail(QString("device not added: record %1 (%2, %3) has the same IP or MAC")
                        .arg(added.index + 1)
                        .arg(QString::fromStdString(added.record.IP), QString::fromStdString(added.record.MAC)));
    }
    if (added.status != DeviceTableStatus::Done) return kExitFailure;
    // An added device's addresses go into the histories, as a confirmed entry's do; a
    // history that cannot be written is reported and does not undo the addition.
    recordDeviceAddresses(dir, {m[0], m[1], m[2], m[3], m[4], m[5]}, ip, sink);
    return 0;
}

int removeDevice(const CliOptions& options, const std::string& dir) {
    const QString macText = options.value("mac");
    if (macText.isEmpty()) return fail(newDeviceRefusal(NewDeviceProblem::NoMac), kExitUsage);
    const auto mac = parseMacArgument(macText.toStdString());
    if (!mac) return fail("not a MAC address: " + macText, kExitUsage);
    const DeviceTableResult removed = DeviceTable(dir, stderrTableSink()).removeByMac(*mac);
    if (removed.status == DeviceTableStatus::NotFound)
        return fail("no device with MAC " + QString::fromStdString(FormatMac(*mac)));
    return removed.status == DeviceTableStatus::Done ? 0 : kExitFailure;
}

int run(const QStringList& args) {
    CliOptions options;
    if (!options.parse(args, {kDataDirOption, "ip", "mac", "gateway", "subnet"}, {"help"})) {
        fail(options.error(), kExitUsage);
        return usage(stderr, kExitUsage);
    }
    if (options.has("help")) return usage(stdout, 0);
    const QStringList& words = options.positional();
    if (words.size() != 1) {
        fail("give one action: list, add or remove", kExitUsage);
        return usage(stderr, kExitUsage);
    }
    const std::string dir = dataDirectory(options);
    const QString action = words[0];
    const bool addressesGiven = options.has("ip") || options.has("gateway") || options.has("subnet");
    if (action == "list" && !addressesGiven && !options.has("mac")) return listDevices(dir);
    if (action == "add") return addDevice(options, dir);
    if (action == "remove" && !addressesGiven) return removeDevice(options, dir);
    if (action != "list" && action != "add" && action != "remove")
        fail(QString("no such action: %1 (list, add or remove)").arg(action), kExitUsage);
    else
        fail(QString("options that %1 does not take").arg(action), kExitUsage);
    return usage(stderr, kExitUsage);
}

const CliCommand kDevices("devices", "the BootP device table: list, add, remove", run);

}  // namespace
}  // namespace tavo::cli
