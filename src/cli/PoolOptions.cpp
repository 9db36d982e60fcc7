#include "PoolOptions.h"

#include "AddressEnglish.h"

namespace tavo::cli {
namespace {

bool addressOption(const CliOptions& options, const char* name, Ipv4Octets& out) {
    if (!options.has(name)) return true;
    const auto parsed = parseIpArgument(options.value(name).toStdString());
    if (parsed) out = *parsed;
    return parsed.has_value();
}

}  // namespace

bool readPoolOptions(const CliOptions& options, std::optional<AddressPool>& pool, QString& error) {
    pool.reset();
    if (!options.has("ip-pool")) {
        if (!options.has("gateway") && !options.has("subnet")) return true;
        error = "--gateway and --subnet go with --ip-pool";
        return false;
    }
    auto parsed = AddressPool::parse(options.value("ip-pool").remove(' ').toStdString());
    if (!parsed) {
        error = "--ip-pool: not a range FIRST-LAST of at most 65536 IPv4 addresses: " + options.value("ip-pool");
        return false;
    }
    if (!addressOption(options, "gateway", parsed->gateway)) {
        error = "--gateway: " + notAnAddressText(options.value("gateway"));
        return false;
    }
    if (!addressOption(options, "subnet", parsed->subnet)) {
        error = "--subnet: " + notAnAddressText(options.value("subnet"));
        return false;
    }
    pool = parsed;
    return true;
}

}  // namespace tavo::cli
