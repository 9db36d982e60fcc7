#pragma once

// The CSV actions of `tavo devices` (export, import) and the JSON form of a device that
// every devices action prints.
#include <QJsonObject>
#include <string>

#include "CliSupport.h"
#include "DeviceTable.h"

namespace tavo::cli {

// {"ip", "mac", "gateway", "subnet", "htype", "hlen"}: dotted addresses without padding.
QJsonObject deviceJson(const DeviceRecord& record);

// tavo devices export --csv FILE|-
int exportDevices(const CliOptions& options, const std::string& dir);
// tavo devices import --csv FILE [--dry-run] [--replace]
int importDevices(const CliOptions& options, const std::string& dir);

}  // namespace tavo::cli
