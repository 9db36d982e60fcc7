#pragma once

// What the maintenance commands (`tavo flash`, `tavo reg`) share: their option parsing
// with the link options, the target and number arguments, the reply bound and the
// terminal's form of the warning asked before a command that changes a device.
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

#include "AddressText.h"
#include "CliSupport.h"
#include "LinkConfig.h"

namespace tavo::cli {

inline constexpr int kDefaultTimeoutMs = 1000;
inline constexpr int kMaxTimeoutMs = 60 * 1000;
// The device writes each upload block into its flash before it can take the next one.
inline constexpr int kDefaultPaceMs = 300;
inline constexpr int kMaxPaceMs = 60 * 1000;
// The help of --data-dir, where each maintenance command records its target.
inline constexpr const char* kMaintenanceDataDirHelp =
    "  --data-dir DIR    folder of the IP history (default: the profile entry \"path\",\n"
    "                    else the current directory)\n";

// Parses `args` (the action word first) with the given options, the link options and
// --help, --data-dir and --timeout-ms. "-o FILE" is taken as "--output FILE".
bool parseMaintenanceAction(const QStringList& args, const QStringList& withValue, const QStringList& flags,
                            CliOptions& options, LinkConfig& link, QString& error);

// A device address for a command: dotted, each octet 0..255, not 0.0.0.0.
std::optional<Ipv4Octets> parseTarget(const QString& text, QString& error);
// One or two hexadecimal digits, either case: 0..255.
std::optional<uint8_t> parseHexArgument(const QString& text);
// --pace-ms, the milliseconds between upload blocks (0 to 60000), or the device's own
// 300 ms; nothing for a value that is refused (paceOutOfRangeText says why).
std::optional<std::chrono::milliseconds> readPaceMs(const CliOptions& options);
QString paceOutOfRangeText(const QString& value);
// --timeout-ms, or the default.
std::optional<std::chrono::milliseconds> readTimeoutMs(const CliOptions& options);


}  // namespace tavo::cli
