// tavo: the command-line front end of the TAVO 707 Utility, on the same core and link
// code as the desktop program.
#include <QCoreApplication>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "CliCommand.h"

namespace {

void printUsage(FILE* out) {
    std::fprintf(out, "usage: tavo COMMAND [ARGS...]\n       tavo --help | --version\n\ncommands:\n");
    auto commands = tavo::cli::registeredCommands();
    std::sort(commands.begin(), commands.end(),
              [](auto* a, auto* b) { return std::strcmp(a->name, b->name) < 0; });
    for (const auto* command : commands) std::fprintf(out, "  %-10s %s\n", command->name, command->summary);
    std::fprintf(out, "\n'tavo COMMAND --help' describes a command.\n");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
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
        if (first == QLatin1String(command->name)) return command->handler(args);
    }
    std::fprintf(stderr, "tavo: unknown command '%s'\n", qPrintable(first));
    printUsage(stderr);
    return 2;
}
