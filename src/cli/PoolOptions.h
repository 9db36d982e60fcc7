#pragma once

// --ip-pool FIRST-LAST with --gateway and --subnet: the addresses that devices not in the
// table are given (tavo bootp serve --add-unknown, tavo commission).
#include <QString>
#include <optional>

#include "CliSupport.h"
#include "DeviceTable.h"

namespace tavo::cli {

// The pool when --ip-pool is given, with --gateway and --subnet in it; nothing without
// one. False, with `error`, for a range or an address that is refused, and for --gateway
// or --subnet without --ip-pool.
bool readPoolOptions(const CliOptions& options, std::optional<AddressPool>& pool, QString& error);

}  // namespace tavo::cli
