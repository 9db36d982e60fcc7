#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace tavo::cli {

// One top-level command of `tavo` ("devices", "history", "bootp", "ip", ...) in the one
// table of commands: its name, its line in `tavo --help`, its usage text and either the
// table of its subcommands or one handler that reads the whole line. Each command lives in
// its own file and registers itself with a static CliCommand object, so adding a command
// never touches main.cpp. A handler gets the arguments after the command name (a
// subcommand's handler: its own name first) and returns the process exit status.
struct CliCommand {
    using Handler = std::function<int(const QStringList& args)>;
    using UsageText = QString (*)();

    struct Subcommand {
        const char* name;
        Handler handler;
    };

    // Where "--help", "-h" or "help" as the first word asks for the usage. Commands whose
    // options may come before the subcommand word see only their --help option.
    enum class HelpWord { First, OptionOnly };

    // The first word names one of `subcommands`: a line without one, with a help word
    // first or with a word that is none of them gets the usage.
    CliCommand(const char* name, const char* summary, UsageText usage, std::vector<Subcommand> subcommands);
    CliCommand(const char* name, const char* summary, UsageText usage, HelpWord helpWord, Handler handler);

    // Runs the command's line after its name; returns the exit status.
    int run(const QStringList& args) const;

    const char* name;
    const char* summary;
    UsageText usage;

private:
    std::vector<Subcommand> m_subcommands;
    HelpWord m_helpWord = HelpWord::First;
    Handler m_handler;
};

const std::vector<const CliCommand*>& registeredCommands();

class CliOptions;
// What a command answers before it runs its line: when the line did not parse (`parsed`
// false), `error` and the usage on stderr, status 2; for --help the usage on stdout,
// status 0; nullopt for a line to run.
std::optional<int> usageAnswer(bool parsed, const QString& error, const CliOptions& options, CliCommand::UsageText usage);

// The one usage printer: writes `usage` on `out` and returns `status`.
int printUsage(const QString& usage, FILE* out, int status);

}  // namespace tavo::cli
