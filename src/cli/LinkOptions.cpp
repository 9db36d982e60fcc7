#include "LinkOptions.h"

#include "AddressText.h"

namespace tavo::cli {
namespace {

struct PortOption {
    unsigned group;
    const char* name;
    const char* alias;  // the name the other programs of the suite use
    quint16 LinkConfig::*field;
    const char* help;
};

const PortOption kPorts[] = {
    {kLinkBootpPorts, "port", "bootp-server-port", &LinkConfig::bootpServerPort,
     "  --port P          UDP port BootP requests are received on (default 67; 0: any free port)\n"},
    {kLinkBootpPorts, "reply-port", "bootp-client-port", &LinkConfig::bootpClientPort,
     "  --reply-port P    UDP port BootP replies are sent to (default 68)\n"},
    {kLinkDevicePort, "device-port", nullptr, &LinkConfig::devicePort,
     "  --device-port P   UDP port of the devices' commands (default 1024)\n"},
};

bool ReadPort(const QString& text, quint16& out) {
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    if (!ok || value > 65535) return false;
    out = quint16(value);
    return true;
}

}  // namespace

QStringList linkOptionNames(unsigned groups) {
    QStringList names;
    for (const PortOption& port : kPorts) {
        if (!(groups & port.group)) continue;
        names << port.name;
        if (port.alias) names << port.alias;
    }
    if (groups & kLinkBroadcast) names << "broadcast";
    if (groups & kLinkInterface) names << "interface";
    return names;
}

bool readLinkOptions(const CliOptions& options, LinkConfig& config, QString& error) {
    for (const PortOption& port : kPorts) {
        for (const char* name : {port.name, port.alias}) {
            if (!name || !options.has(name)) continue;
            if (!ReadPort(options.value(name), config.*port.field)) {
                error = QString("--%1: not a port number 0..65535: %2").arg(name, options.value(name));
                return false;
            }
        }
    }
    if (options.has("broadcast")) {
        const auto address = parseIpArgument(options.value("broadcast").toStdString());
        if (!address) {
            error = "--broadcast: not an IPv4 address: " + options.value("broadcast");
            return false;
        }
        config.broadcast = QHostAddress(QString::fromStdString(formatDotted(*address)));
    }
    if (options.has("interface")) {
        config.interfaceName = options.value("interface");
        if (config.interfaceName.isEmpty()) {
            error = "--interface: needs an interface name";
            return false;
        }
    }
    return true;
}

QString linkOptionsHelp(unsigned groups) {
    QString help;
    for (const PortOption& port : kPorts) {
        if (groups & port.group) help += port.help;
    }
    if (groups & kLinkBroadcast)
        help += "  --broadcast A.B.C.D  where broadcasts go (default 255.255.255.255, sent out of\n"
                "                    one interface at a time)\n";
    if (groups & kLinkInterface)
        help += "  --interface NAME  use only this network interface (default: every interface)\n";
    return help;
}

}  // namespace tavo::cli
