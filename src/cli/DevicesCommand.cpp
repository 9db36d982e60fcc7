// tavo devices: the BootP device table "bootp.ini", listed, added to and removed from by
// the same rules as the IP configuration page and its device entry dialog.
#include <QJsonArray>
#include <cstdio>
#include <optional>

#include "AddressEnglish.h"
#include "AddressText.h"
#include "CliCommand.h"
#include "CliSupport.h"
#include "DeviceTable.h"
#include "DevicesCsv.h"
#include "JsonOutput.h"
#include "TableEnglish.h"

namespace tavo::cli {
namespace {

QString usageText() {
    return QStringLiteral(
        "usage: tavo devices list [--data-dir DIR]\n"
        "       tavo devices add --ip A.B.C.D --mac MAC [--gateway A.B.C.D] [--subnet A.B.C.D] [--data-dir DIR]\n"
        "       tavo devices remove --mac MAC [--data-dir DIR]\n"
        "       tavo devices export --csv FILE|- [--data-dir DIR]\n"
        "       tavo devices import --csv FILE [--dry-run] [--replace] [--data-dir DIR]\n"
        "\n"
        "MAC: 12 hexadecimal digits, or six pairs separated by ':' or '-'.\n"
        "list prints one device a line, tab-separated: type, length, IP, MAC, gateway, subnet mask.\n"
        "export writes the table as CSV (header ip,mac,gateway,subnet,htype,hlen; '-' for stdout).\n"
        "import reads a CSV file as spreadsheets save it (',' or ';', quotes, columns by their\n"
        "header in any order; gateway, subnet, htype and hlen may be left out). Every row is\n"
        "checked first; any problem (a bad field, a MAC or IP twice in the file or already in the\n"
        "table, more than 5000 records) is named by line and column and nothing changes. A good\n"
        "file is saved in one go and its addresses go into the histories, as add does.\n"
        "  --dry-run  print what would be added and replaced, change nothing\n"
        "  --replace  a row whose MAC or IP is in the table replaces that record\n"
        "Exit status: 0 done; 1 refused (a problem in the file, a duplicate, a table that cannot\n"
        "be read or saved); 2 bad command line, or a CSV file that cannot be read.\n"
        "DIR defaults to the directory of the profile entry \"path\", else the current directory.\n");
}

constexpr Ipv4Octets kBlankAddress{0, 0, 0, 0};

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
    if (jsonOutput()) {
        QJsonArray devices;
        for (const DeviceRecord& r : records) devices.append(deviceJson(r));
        printJson({{"devices", devices}});
        return 0;
    }
    for (const DeviceRecord& r : records) {
        printLine(std::to_string(r.HType) + '\t' + std::to_string(r.hlen) + '\t' + r.IP + '\t' + r.MAC + '\t' +
                  r.Gateway + '\t' + r.Subnet);
    }
    return 0;
}

int notAnAddress(const QString& text) { return failWith(notAnAddressFailure(text), kExitUsage); }
int notAMac(const QString& text) { return failWith(notAMacFailure(text), kExitUsage); }

int addDevice(const CliOptions& options, const std::string& dir) {
    Ipv4Octets ip{}, gateway{}, subnet{};
    if (!addressOption(options, "ip", kBlankAddress, ip)) return notAnAddress(options.value("ip"));
    if (!addressOption(options, "gateway", kBlankAddress, gateway)) return notAnAddress(options.value("gateway"));
    if (!addressOption(options, "subnet", kNewDeviceSubnet, subnet)) return notAnAddress(options.value("subnet"));
    const QString macText = options.value("mac");
    std::optional<MacOctets> mac;
    if (!macText.isEmpty()) {
        mac = parseMacArgument(macText.toStdString());
        if (!mac) return notAMac(macText);
    }
    if (const NewDeviceProblem problem = checkNewDevice(ip, mac.has_value()); problem != NewDeviceProblem::None)
        return failWith(newDeviceFailure(problem), kExitUsage);

    const auto sink = stderrTableSink();
    const MacOctets& m = *mac;
    const DeviceTableResult added = DeviceTable(dir, sink).add(newDeviceRecord(ip, m, gateway, subnet));
    if (added.status == DeviceTableStatus::Duplicate) {
        return failWith(duplicateDeviceFailure(added.index + 1, QString::fromStdString(added.record.IP),
                                               QString::fromStdString(added.record.MAC)));
    }
    if (added.status != DeviceTableStatus::Done) return kExitFailure;
    // An added device's addresses go into the histories, as a confirmed entry's do; a
    // history that cannot be written is reported and does not undo the addition.
    recordDeviceAddresses(dir, {m[0], m[1], m[2], m[3], m[4], m[5]}, ip, sink);
    if (jsonOutput()) printJson({{"added", deviceJson(added.record)}, {"record", added.index + 1}});
    return 0;
}

int removeDevice(const CliOptions& options, const std::string& dir) {
    const QString macText = options.value("mac");
    if (macText.isEmpty()) return failWith(newDeviceFailure(NewDeviceProblem::NoMac), kExitUsage);
    const auto mac = parseMacArgument(macText.toStdString());
    if (!mac) return notAMac(macText);
    const DeviceTableResult removed = DeviceTable(dir, stderrTableSink()).removeByMac(*mac);
    if (removed.status == DeviceTableStatus::NotFound)
        return failWith(deviceNotFoundFailure(QString::fromStdString(FormatMac(*mac))));
    if (removed.status != DeviceTableStatus::Done) return kExitFailure;
    if (jsonOutput()) printJson({{"removed", deviceJson(removed.record)}, {"record", removed.index + 1}});
    return 0;
}

int run(const QStringList& args) {
    CliOptions options;
    const bool parsed = options.parse(args, {kDataDirOption, "ip", "mac", "gateway", "subnet", "csv"}, {"help", "dry-run", "replace"});
    if (const auto answer = usageAnswer(parsed, options.error(), options, usageText)) return *answer;
    const QStringList& words = options.positional();
    if (words.size() != 1) {
        fail(kGiveDeviceAction, kExitUsage);
        return printUsage(usageText(), stderr, kExitUsage);
    }
    const std::string dir = dataDirectory(options);
    const QString action = words[0];
    const bool addressesGiven = options.has("ip") || options.has("gateway") || options.has("subnet");
    const bool deviceGiven = addressesGiven || options.has("mac");
    const bool csvGiven = options.has("csv") || options.has("dry-run") || options.has("replace");
    const bool importFlags = options.has("dry-run") || options.has("replace");
    if (action == "list" && !deviceGiven && !csvGiven) return listDevices(dir);
    if (action == "add" && !csvGiven) return addDevice(options, dir);
    if (action == "remove" && !addressesGiven && !csvGiven) return removeDevice(options, dir);
    if (action == "export" && !deviceGiven && !importFlags) return exportDevices(options, dir);
    if (action == "import" && !deviceGiven) return importDevices(options, dir);
    if (!QStringList{"list", "add", "remove", "export", "import"}.contains(action))
        fail(noSuchDeviceAction(action), kExitUsage);
    else
        fail(optionsNotTaken(action), kExitUsage);
    return printUsage(usageText(), stderr, kExitUsage);
}

const CliCommand kDevices("devices", "the BootP device table: list, add, remove, export and import as CSV", usageText,
    CliCommand::HelpWord::OptionOnly, run);

}  // namespace
}  // namespace tavo::cli
