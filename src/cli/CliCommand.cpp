#include "CliCommand.h"

#include <vector>

namespace tavo::cli {
namespace {
std::vector<const CliCommand*>& Registry() {
    static std::vector<const CliCommand*> commands;
    return commands;
}
}  // namespace

CliCommand::CliCommand(const char* commandName, const char* commandSummary, Handler commandHandler)
    : name(commandName), summary(commandSummary), handler(std::move(commandHandler)) {
    Registry().push_back(this);
}

const std::vector<const CliCommand*>& RegisteredCommands() { return Registry(); }

}  // namespace tavo::cli
