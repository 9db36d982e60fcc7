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

int Usage(FILE* out, int status) {
    std::fputs(kUsage, out);
    return status;
}

// An address option: absent gives `fallback`; a text that is not an address is a usage error.
bool AddressOption(const CliOptions& options, const char* name, Ipv4Octets fallback, Ipv4Octets& out) {
    if (!options.has(name)) {
        out = fallback;
        return true;
    }
    const auto parsed = ParseIpArgument(options.value(name).toStdString());
    if (!parsed) return false;
    out = *parsed;
    return true;
}

int List(const std::string& dir) {
    CBootPFDB table(dir, StderrTableSink());
    table.Load();
    if (table.IsFileUnreadable()) return kExitFailure;
    for (table.MoveFirst(); !table.IsEOF(); table.MoveNext()) {
        PrintLine(std::to_string(table.GetHType()) + '\t' + std::to_string(table.GetHLen()) + '\t' + table.GetIP() +
                  '\t' + table.GetMAC() + '\t' + table.GetGateway() + '\t' + table.GetSubnet());
    }
    return 0;
}

int Add(const CliOptions& options, const std::string& dir) {
    Ipv4Octets ip{}, gateway{}, subnet{};
    if (!AddressOption(options, "ip", kBlankAddress, ip))
        return Fail("not an IPv4 address: " + options.value("ip"), kExitUsage);
    if (!AddressOption(options, "gateway", kBlankAddress, gateway))
        return Fail("not an IPv4 address: " + options.value("gateway"), kExitUsage);
    if (!AddressOption(options, "subnet", kDefaultSubnet, subnet))
        return Fail("not an IPv4 address: " + options.value("subnet"), kExitUsage);
    const QString macText = options.value("mac");
    std::optional<MacOctets> mac;
    if (!macText.isEmpty()) {
        mac = ParseMacArgument(macText.toStdString());
        if (!mac) return Fail("not a MAC address: " + macText, kExitUsage);
    }

    if (ip == kBlankAddress) return Fail(kNoIp);
    if (ip[3] == 0 || ip[3] == 255) return Fail(kBadIp);
    if (!mac) return Fail(kNoMac);

    const auto sink = StderrTableSink();
    const std::string ipText = FormatDottedAligned(ip);
    const std::string macTable = FormatMac(*mac);
    CBootPFDB table(dir, sink);
    table.Load();
    if (table.IsFileUnreadable()) return kExitFailure;
    const int existing = table.Find(ipText, macTable);
    if (existing != -1) {
        table.SetPosition(existing);
        return Fail(QString("device not added: record %1 (%2, %3) has the same IP or MAC")
                        .arg(existing + 1)
                        .arg(QString::fromStdString(table.GetIP()), QString::fromStdString(table.GetMAC())));
    }
    // Confirming the entry dialog records both addresses in the histories; a history that
    // cannot be written is reported and does not stop the addition.
    CMacHistoryFDB::AddIfAbsent(dir, {(*mac)[0], (*mac)[1], (*mac)[2], (*mac)[3], (*mac)[4], (*mac)[5]}, sink);
    CIPFDB::AddIfAbsent(dir, ip[0], ip[1], ip[2], ip[3], sink);
    if (table.AddNew() == -1) return kExitFailure;
    table.SetHType(kEntryHType);
    table.SetHLen(kEntryHLen);
    table.SetIP(ipText);
    table.SetMAC(macTable);
    table.SetGateway(FormatDottedAligned(gateway));
    table.SetSubnet(FormatDottedAligned(subnet));
    return table.Save() ? 0 : kExitFailure;
}

int Remove(const CliOptions& options, const std::string& dir) {
    const QString macText = options.value("mac");
    if (macText.isEmpty()) return Fail(kNoMac);
    const auto mac = ParseMacArgument(macText.toStdString());
    if (!mac) return Fail("not a MAC address: " + macText, kExitUsage);
    CBootPFDB table(dir, StderrTableSink());
    table.Load();
    if (table.IsFileUnreadable()) return kExitFailure;
    const int at = table.FindByMac(FormatMac(*mac));
    if (at == -1) return Fail("no device with MAC " + QString::fromStdString(FormatMac(*mac)));
    table.SetPosition(at);
    table.Delete(-1);
    return table.Save() ? 0 : kExitFailure;
}

int Run(const QStringList& args) {
    CliOptions options;
    if (!options.Parse(args, {kDataDirOption, "ip", "mac", "gateway", "subnet"}, {"help"})) {
        Fail(options.error(), kExitUsage);
        return Usage(stderr, kExitUsage);
    }
    if (options.has("help")) return Usage(stdout, 0);
    const QStringList& words = options.positional();
    if (words.size() != 1) return Usage(stderr, kExitUsage);
    const std::string dir = DataDirectory(options);
    const QString action = words[0];
    const bool addressesGiven = options.has("ip") || options.has("gateway") || options.has("subnet");
    if (action == "list" && !addressesGiven && !options.has("mac")) return List(dir);
    if (action == "add") return Add(options, dir);
    if (action == "remove" && !addressesGiven) return Remove(options, dir);
    return Usage(stderr, kExitUsage);
}

const CliCommand kDevices("devices", "the BootP device table: list, add, remove", Run);

}  // namespace
}  // namespace tavo::cli
