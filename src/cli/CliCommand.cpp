#include "CliCommand.h"

#include "CliSupport.h"

namespace tavo::cli {
namespace {
std::vector<const CliCommand*>& registry() {
    static std::vector<const CliCommand*> commands;
    return commands;
}

bool isHelpWord(const QString& word) { return word == "--help" || word == "-h" || word == "help"; }
}  // namespace

CliCommand::CliCommand(const char* commandName, const char* commandSummary, UsageText usageText,
                       std::vector<Subcommand> subcommands)
    : name(commandName), summary(commandSummary), usage(usageText), m_subcommands(std::move(subcommands)) {
    registry().push_back(this);
}

CliCommand::CliCommand(const char* commandName, const char* commandSummary, UsageText usageText, HelpWord helpWord,
                       Handler handler)
    : name(commandName), summary(commandSummary), usage(usageText), m_helpWord(helpWord),
      m_handler(std::move(handler)) {
    registry().push_back(this);
}

int CliCommand::run(const QStringList& args) const {
    if (m_helpWord == HelpWord::First && !args.isEmpty() && isHelpWord(args[0])) return printUsage(usage(), stdout, 0);
    if (m_handler) return m_handler(args);
    if (!args.isEmpty())
        for (const Subcommand& subcommand : m_subcommands)
            if (args[0] == QLatin1String(subcommand.name)) return subcommand.handler(args);
    return printUsage(usage(), stderr, kExitUsage);
}

const std::vector<const CliCommand*>& registeredCommands() { return registry(); }

std::optional<int> usageAnswer(bool parsed, const QString& error, const CliOptions& options, CliCommand::UsageText usage) {
    if (!parsed) {
        fail(error, kExitUsage);
        return printUsage(usage(), stderr, kExitUsage);
    }
    if (options.has("help")) return printUsage(usage(), stdout, 0);
    return std::nullopt;
}

int printUsage(const QString& usage, FILE* out, int status) {
    std::fputs(usage.toUtf8().constData(), out);
    return status;
}

}  // namespace tavo::cli
