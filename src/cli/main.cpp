// tavo: the command-line front end of the TAVO 707 Utility, on the same core and link
// code as the desktop program.
#include <QCoreApplication>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "OpenFileLimit.h"
#include "CliCommand.h"
#include "CliSupport.h"
#include "JsonOutput.h"

namespace {

void printUsage(FILE* out) {
    std::fprintf(out, "usage: tavo COMMAND [ARGS...]\n       tavo --help | --version\n\ncommands:\n");
    auto commands = tavo::cli::registeredCommands();
    std::sort(commands.begin(), commands.end(),
              [](auto* a, auto* b) { return std::strcmp(a->name, b->name) < 0; });
    for (const auto* command : commands) std::fprintf(out, "  %-10s %s\n", command->name, command->summary);
    std::fprintf(out, "\n'tavo COMMAND --help' describes a command. With --json anywhere on its line every\n"
                      "command prints its result as one JSON object (long runs: one object per line, each\n"
                      "with \"event\") and its errors as {\"error\": CODE, \"message\": TEXT}, on stdout.\n");
}

}  // namespace

int main(int argc, char** argv) {
    tavo::raiseOpenFileLimit();  // the commissioning line's many read sockets
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    // --json belongs to every command: taken off here, so no command can miss it.
    const bool json = args.removeAll(QLatin1String(tavo::cli::kJsonOption)) > 0;
    tavo::cli::setJsonOutput(json);
    if (args.isEmpty()) {
        tavo::cli::failAs("bad_usage", "no command given", 2);
        printUsage(stderr);
        return 2;
    }
    const QString first = args.takeFirst();
    if (first == "--help" || first == "-h" || first == "help") {
        printUsage(stdout);
        return 0;
    }
    if (first == "--version") {
        std::printf("tavo %s\n", TAVO_VERSION);
        return 0;
    }
    for (const auto* command : tavo::cli::registeredCommands()) {
        if (first != QLatin1String(command->name)) continue;
        const int status = command->run(args);
        // A failure that printed no error object of its own (a usage text, a table file's
        // message) still ends with one.
        if (json && status != 0 && !tavo::cli::jsonFinalPrinted()) {
            const QString& table = tavo::cli::lastTableMessage();
            if (!table.isEmpty())
                tavo::cli::printJsonError("table_file", table);
            else
                tavo::cli::printJsonError(tavo::cli::errorCodeOf(status),
                                          status == tavo::cli::kExitUsage ? "bad command line: see 'tavo " + first + " --help'"
                                                                          : "failed: see stderr");
        }
        return status;
    }
    tavo::cli::failAs("unknown_command", QString("unknown command '%1'").arg(first), 2);
    printUsage(stderr);
    return 2;
}
