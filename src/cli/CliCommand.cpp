#include "CliCommand.h"

#include <vector>

namespace tavo::cli {
namespace {
std::vector<const CliCommand*>& registry() {
    static std::vector<const CliCommand*> commands;
    return commands;
}
}  // namespace

CliCommand::CliCommand(const char* commandName, const char* commandSummary, Handler commandHandler)
    : name(commandName), summary(commandSummary), handler(std::move(commandHandler)) {
    registry().push_back(this);
}

const std::vector<const CliCommand*>& registeredCommands() { return registry(); }

}  // namespace tavo::cli
