#include "LinkCommandLine.h"

#include <QNetworkInterface>

#include "AddressText.h"

namespace tavo {
namespace {

struct PortField {
    const char* name;
    quint16 LinkConfig::*field;
    quint16 lowest;
};

constexpr PortField kPortFields[] = {
    {"bootp-server-port", &LinkConfig::bootpServerPort, 0},
    {"bootp-client-port", &LinkConfig::bootpClientPort, 1},
    {"device-port", &LinkConfig::devicePort, 1},
};

constexpr int kHelpColumn = 26;

}  // namespace

std::vector<LinkOption> linkOptions(unsigned groups) {
    const std::vector<LinkOption> all = {
        {kLinkBootpPorts, {"bootp-server-port", "port"}, "P",
         "UDP port BootP requests are received on (default 67; 0: any free port)"},
        {kLinkBootpPorts, {"bootp-client-port", "reply-port"}, "P", "UDP port BootP replies are sent to (default 68)"},
        {kLinkDevicePort, {"device-port"}, "P", "UDP port of the devices' commands (default 1024)"},
        {kLinkBroadcast, {"broadcast"}, "A.B.C.D",
         "where broadcasts go (default 255.255.255.255, sent out of one interface at a time)"},
        {kLinkInterface, {"interface"}, "NAME", "use only this network interface (default: every interface)"},
    };
    std::vector<LinkOption> chosen;
    for (const LinkOption& option : all) {
        if (option.group & groups) chosen.push_back(option);
    }
    return chosen;
}

QStringList linkOptionNames(unsigned groups) {
    QStringList names;
    for (const LinkOption& option : linkOptions(groups)) names += option.names;
    return names;
}

QString linkOptionsHelp(unsigned groups) {
    QString help;
    for (const LinkOption& option : linkOptions(groups)) {
        QString head = QStringLiteral("  --%1 %2").arg(option.names.first(), option.valueName);
        head = head.size() < kHelpColumn ? head.leftJustified(kHelpColumn) : head + "\n" + QString(kHelpColumn, ' ');
        help += head + option.description;
        if (option.names.size() > 1) help += QStringLiteral(" (also --%1)").arg(option.names.mid(1).join(", --"));
        help += '\n';
    }
    return help;
}

std::optional<QString> readLinkOptions(const LinkOptionValue& valueOf, unsigned groups, LinkConfig& config) {
    for (const LinkOption& option : linkOptions(groups)) {
        for (const QString& name : option.names) {
            const std::optional<QString> value = valueOf(name);
            if (!value) continue;
            if (option.group == kLinkBootpPorts || option.group == kLinkDevicePort) {
                for (const PortField& port : kPortFields) {
                    if (option.names.first() != QLatin1String(port.name)) continue;
                    bool ok = false;
                    const uint number = value->toUInt(&ok, 10);
                    if (!ok || number < port.lowest || number > 65535)
                        return QStringLiteral("--%1: not a port number %2..65535: %3").arg(name).arg(port.lowest).arg(*value);
                    config.*port.field = quint16(number);
                }
            } else if (option.group == kLinkBroadcast) {
                const auto address = parseIpArgument(value->toStdString());
                if (!address) return QStringLiteral("--%1: not an IPv4 address: %2").arg(name, *value);
                config.broadcast = QHostAddress(QString::fromStdString(formatDotted(*address)));
            } else if (option.group == kLinkInterface) {
                if (value->isEmpty()) return QStringLiteral("--%1: needs an interface name").arg(name);
                if (!QNetworkInterface::interfaceFromName(*value).isValid())
                    return QStringLiteral("--%1: no such network interface: %2").arg(name, *value);
                config.interfaceName = *value;
            }
        }
    }
    return std::nullopt;
}

}  // namespace tavo
