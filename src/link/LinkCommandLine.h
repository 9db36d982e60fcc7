#pragma once

// The link options of every program's command line (tavo-utility, tavo), named and
// checked once: where BootP is served and replied to, the device port, the broadcast
// address and the interface. Each program offers the groups it uses and reads them
// through its own parser; every value lands in a LinkConfig, whose defaults are the
// product's (67, 68, 1024, 255.255.255.255, every interface).
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "LinkConfig.h"

namespace tavo {

enum LinkOptionGroup : unsigned {
    kLinkBootpPorts = 1,  // --bootp-server-port (--port), --bootp-client-port (--reply-port)
    kLinkDevicePort = 2,  // --device-port
    kLinkBroadcast = 4,   // --broadcast
    kLinkInterface = 8,   // --interface
    kLinkAllOptions = 15,
};

struct LinkOption {
    unsigned group;
    QStringList names;  // without "--"; the first is the main name, the others aliases
    QString valueName;
    QString description;
};

// The options of the groups, in the order help lists them.
std::vector<LinkOption> linkOptions(unsigned groups);
// Every name of the groups' options, aliases included.
QStringList linkOptionNames(unsigned groups);
// Usage lines of the groups, "  --name VALUE   description", each ending in a line end.
QString linkOptionsHelp(unsigned groups);

// The value of an option given by any of its names, or nothing when it is absent.
using LinkOptionValue = std::function<std::optional<QString>(const QString& name)>;
// Takes every option present into `config`. The error text when one is refused: a port
// that is not a number 1..65535 (0 too for the server port: any free port), a broadcast
// that is not a dotted IPv4 address, an interface this host does not have.
std::optional<QString> readLinkOptions(const LinkOptionValue& valueOf, unsigned groups, LinkConfig& config);

}  // namespace tavo
