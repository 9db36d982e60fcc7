#pragma once

// The link options on tavo's command line: the shared names and checks of
// LinkCommandLine, read from a command's CliOptions.
//
//   CliOptions options;
//   const unsigned groups = kLinkBootpPorts | kLinkBroadcast | kLinkInterface;
//   if (!options.parse(args, QStringList{...} + linkOptionNames(groups), {...})) ...
//   LinkConfig config;
//   QString error;
//   if (!readLinkOptions(options, groups, config, error)) return fail(error, kExitUsage);
#include "CliSupport.h"
#include "LinkCommandLine.h"

namespace tavo::cli {

using tavo::linkOptionNames;
using tavo::linkOptionsHelp;

// False, with `error`, on an option that is refused.
bool readLinkOptions(const CliOptions& options, unsigned groups, LinkConfig& config, QString& error);

}  // namespace tavo::cli
