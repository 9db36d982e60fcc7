// tavo devices: the BootP device table "bootp.ini", listed, added to and removed from by
// the same rules as the IP configuration page and its device entry dialog.
#include <cstdio>
#include <optional>

#include "AddressText.h"
#include "BootPFDB.h"
#include "CliCommand.h"
#include "CliSupport.h"
#include "IPFDB.h"
#include "MacHistoryFDB.h"

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

// What the device entry dialog gives a new device.
constexpr int kEntryHType = 1;
constexpr int kEntryHLen = 6;
constexpr Ipv4Octets kDefaultSubnet{255, 255, 255, 0};
constexpr Ipv4Octets kBlankAddress{0, 0, 0, 0};

// The entry dialog's refusals in add mode.
constexpr const char* kNoIp = "Inserire l'indirizzo IP del client !!";
constexpr const char* kBadIp = "Indirizzo IP errato !!";
constexpr const char* kNoMac = "Inserire l'indirizzo MAC del client !!";

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
    CBootPFDB table(dir, stderrTableSink());
    table.Load();
    if (table.isFileUnreadable()) return kExitFailure;
    for (table.MoveFirst(); !table.IsEOF(); table.MoveNext()) {
        printLine(std::to_string(table.getHType()) + '\t' + std::to_string(table.getHLen()) + '\t' + table.getIP() +
                  '\t' + table.getMAC() + '\t' + table.getGateway() + '\t' + table.getSubnet());
    }
    return 0;
}

int addDevice(const CliOptions& options, const std::string& dir) {
    Ipv4Octets ip{}, gateway{}, subnet{};
    if (!addressOption(options, "ip", kBlankAddress, ip))
        return fail("not an IPv4 address: " + options.value("ip"), kExitUsage);
    if (!addressOption(options, "gateway", kBlankAddress, gateway))
        return fail("not an IPv4 address: " + options.value("gateway"), kExitUsage);
    if (!addressOption(options, "subnet", kDefaultSubnet, subnet))
        return fail("not an IPv4 address: " + options.value("subnet"), kExitUsage);
    const QString macText = options.value("mac");
    std::optional<MacOctets> mac;
    if (!macText.isEmpty()) {
        mac = parseMacArgument(macText.toStdString());
        if (!mac) return fail("not a MAC address: " + macText, kExitUsage);
    }

    if (ip == kBlankAddress) return fail(kNoIp);
    if (ip[3] == 0 || ip[3] == 255) return fail(kBadIp);
    if (!mac) return fail(kNoMac);

    const auto sink = stderrTableSink();
    const std::string ipText = formatDottedAligned(ip);
    const std::string macTable = FormatMac(*mac);
    CBootPFDB table(dir, sink);
    table.Load();
    if (table.isFileUnreadable()) return kExitFailure;
    const int existing = table.Find(ipText, macTable);
    if (existing != -1) {
        table.SetPosition(existing);
        return fail(QString("device not added: record %1 (%2, %3) has the same IP or MAC")
                        .arg(existing + 1)
                        .arg(QString::fromStdString(table.getIP()), QString::fromStdString(table.getMAC())));
    }
    // Confirming the entry dialog records both addresses in the histories; a history that
    // cannot be written is reported and does not stop the addition.
    CMacHistoryFDB::AddIfAbsent(dir, {(*mac)[0], (*mac)[1], (*mac)[2], (*mac)[3], (*mac)[4], (*mac)[5]}, sink);
    CIPFDB::AddIfAbsent(dir, ip[0], ip[1], ip[2], ip[3], sink);
    if (table.AddNew() == -1) return kExitFailure;
    table.setHType(kEntryHType);
    table.setHLen(kEntryHLen);
    table.setIP(ipText);
    table.setMAC(macTable);
    table.setGateway(formatDottedAligned(gateway));
    table.setSubnet(formatDottedAligned(subnet));
    return table.Save() ? 0 : kExitFailure;
}

int removeDevice(const CliOptions& options, const std::string& dir) {
    const QString macText = options.value("mac");
    if (macText.isEmpty()) return fail(kNoMac);
    const auto mac = parseMacArgument(macText.toStdString());
    if (!mac) return fail("not a MAC address: " + macText, kExitUsage);
    CBootPFDB table(dir, stderrTableSink());
    table.Load();
    if (table.isFileUnreadable()) return kExitFailure;
    const int at = table.FindByMac(FormatMac(*mac));
    if (at == -1) return fail("no device with MAC " + QString::fromStdString(FormatMac(*mac)));
    table.SetPosition(at);
    table.Delete(-1);
    return table.Save() ? 0 : kExitFailure;
}

int run(const QStringList& args) {
    CliOptions options;
    if (!options.parse(args, {kDataDirOption, "ip", "mac", "gateway", "subnet"}, {"help"})) {
        fail(options.error(), kExitUsage);
        return usage(stderr, kExitUsage);
    }
    if (options.has("help")) return usage(stdout, 0);
    const QStringList& words = options.positional();
    if (words.size() != 1) return usage(stderr, kExitUsage);
    const std::string dir = dataDirectory(options);
    const QString action = words[0];
    const bool addressesGiven = options.has("ip") || options.has("gateway") || options.has("subnet");
    if (action == "list" && !addressesGiven && !options.has("mac")) return listDevices(dir);
    if (action == "add") return addDevice(options, dir);
    if (action == "remove" && !addressesGiven) return removeDevice(options, dir);
    return usage(stderr, kExitUsage);
}

const CliCommand kDevices("devices", "the BootP device table: list, add, remove", run);

}  // namespace
}  // namespace tavo::cli
