#include "MaintenanceOptions.h"

#include <cstdio>
#include <iostream>
#include <string>

#include "AddressEnglish.h"
#include "LinkOptions.h"

namespace tavo::cli {
namespace {


}  // namespace

bool parseMaintenanceAction(const QStringList& args, const QStringList& withValue, const QStringList& flags,
                            CliOptions& options, LinkConfig& link, QString& error) {
    options.readShortOutput();
    if (!options.parse(args, withValue + QStringList{kDataDirOption, "timeout-ms"} + linkOptionNames(kLinkDevicePort),
                       flags + QStringList{"help"})) {
        error = options.error();
        return false;
    }
    if (!readLinkOptions(options, kLinkDevicePort, link, error)) return false;
    if (!readTimeoutMs(options)) {
        error = QString("--timeout-ms: not a number of milliseconds from 1 to %1: %2")
                    .arg(kMaxTimeoutMs)
                    .arg(options.value("timeout-ms"));
        return false;
    }
    return true;
}

std::optional<Ipv4Octets> parseTarget(const QString& text, QString& error) {
    const auto ip = parseIpArgument(text.toStdString());
    if (!ip) {
        error = notAnAddressText(text);
        return std::nullopt;
    }
    if (*ip == Ipv4Octets{0, 0, 0, 0}) {
        error = "the target 0.0.0.0 is not a device address";
        return std::nullopt;
    }
    return ip;
}

std::optional<uint8_t> parseHexArgument(const QString& text) {
    if (text.isEmpty() || text.size() > 2) return std::nullopt;
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok || value > 0xFF) return std::nullopt;
    return static_cast<uint8_t>(value);
}

std::optional<std::chrono::milliseconds> readTimeoutMs(const CliOptions& options) {
    if (!options.has("timeout-ms")) return std::chrono::milliseconds(kDefaultTimeoutMs);
    bool ok = false;
    const int ms = options.value("timeout-ms").toInt(&ok, 10);
    if (!ok || ms < 1 || ms > kMaxTimeoutMs) return std::nullopt;
    return std::chrono::milliseconds(ms);
}

std::optional<std::chrono::milliseconds> readPaceMs(const CliOptions& options) {
    if (!options.has("pace-ms")) return std::chrono::milliseconds(kDefaultPaceMs);
    bool ok = false;
    const int ms = options.value("pace-ms").toInt(&ok, 10);
    if (!ok || ms < 0 || ms > kMaxPaceMs) return std::nullopt;
    return std::chrono::milliseconds(ms);
}

QString paceOutOfRangeText(const QString& value) {
    return QString("--pace-ms: not a number of milliseconds from 0 to %1: %2").arg(kMaxPaceMs).arg(value);
}

}  // namespace tavo::cli
