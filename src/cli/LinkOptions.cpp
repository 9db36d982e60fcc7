#include "LinkOptions.h"

namespace tavo::cli {

bool readLinkOptions(const CliOptions& options, unsigned groups, LinkConfig& config, QString& error) {
    const auto refused = tavo::readLinkOptions(
        [&options](const QString& name) {
            return options.has(name) ? std::optional<QString>(options.value(name)) : std::nullopt;
        },
        groups, config);
    if (refused) error = *refused;
    return !refused;
}

}  // namespace tavo::cli
