#pragma once

// The link options of the commands that talk to devices: where BootP is served and
// replied to, the device port, the broadcast address and the interface. Each command
// offers the groups it uses; every value lands in a LinkConfig, whose defaults are the
// product's (67, 68, 1024, 255.255.255.255, every interface).
//
//   CliOptions options;
//   const unsigned groups = kLinkBootpPorts | kLinkBroadcast | kLinkInterface;
//   if (!options.parse(args, QStringList{...} + linkOptionNames(groups), {...})) ...
//   LinkConfig config;
//   QString error;
//   if (!readLinkOptions(options, config, error)) return fail(error, kExitUsage);
#include <QString>
#include <QStringList>

#include "CliSupport.h"
#include "LinkConfig.h"

namespace tavo::cli {

enum LinkOptionGroup : unsigned {
    kLinkBootpPorts = 1,  // --port (--bootp-server-port), --reply-port (--bootp-client-port)
    kLinkDevicePort = 2,  // --device-port
    kLinkBroadcast = 4,   // --broadcast
    kLinkInterface = 8,   // --interface
};

// The option names of the groups, without "--", for CliOptions::parse.
QStringList linkOptionNames(unsigned groups);

// Takes every link option present into `config`. False, with `error`, on a port that is
// not a number 0..65535 or a broadcast that is not an IPv4 address.
bool readLinkOptions(const CliOptions& options, LinkConfig& config, QString& error);

// Usage lines of the groups, each ending in a line end.
QString linkOptionsHelp(unsigned groups);

}  // namespace tavo::cli
