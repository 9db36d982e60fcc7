// tavo history: the IP and MAC address histories ("iph.ini", "mach.ini"), listed newest
// first in the pick lists' forms, or emptied.
#include <cstdio>

#include "CliCommand.h"
#include "CliSupport.h"
#include "IPFDB.h"
#include "MacHistoryFDB.h"

namespace tavo::cli {
namespace {

constexpr const char* kUsage =
    "usage: tavo history ip list|clear [--data-dir DIR]\n"
    "       tavo history mac list|clear [--data-dir DIR]\n"
    "\n"
    "list prints the addresses newest first, as the pick lists show them.\n"
    "DIR defaults to the directory of the profile entry \"path\", else the current directory.\n";

int usage(FILE* out, int status) {
    std::fputs(kUsage, out);
    return status;
}

template <class History, class Formatter>
int listOrClear(const QString& action, const std::string& dir, Formatter format) {
    History history(dir, stderrTableSink());
    if (action == "clear") return history.ClearAll() ? 0 : kExitFailure;
    history.Load();
    if (history.isFileUnreadable()) return kExitFailure;
    for (int i = history.getCount() - 1; i >= 0; --i) printLine(format(history.getValues(i)));
    return 0;
}

int run(const QStringList& args) {
    CliOptions options;
    if (!options.parse(args, {kDataDirOption}, {"help"})) {
        fail(options.error(), kExitUsage);
        return usage(stderr, kExitUsage);
    }
    if (options.has("help")) return usage(stdout, 0);
    const QStringList& words = options.positional();
    QString problem;
    if (words.size() != 2)
        problem = QStringLiteral("give the history (ip or mac) and what to do (list or clear)");
    else if (words[0] != "ip" && words[0] != "mac")
        problem = QString("no such history: %1 (ip or mac)").arg(words[0]);
    else if (words[1] != "list" && words[1] != "clear")
        problem = QString("no such action: %1 (list or clear)").arg(words[1]);
    if (!problem.isEmpty()) {
        fail(problem, kExitUsage);
        return usage(stderr, kExitUsage);
    }
    const std::string dir = dataDirectory(options);
    if (words[0] == "ip") return listOrClear<CIPFDB>(words[1], dir, formatIpHistoryEntry);
    return listOrClear<CMacHistoryFDB>(words[1], dir, formatMacHistoryEntry);
}

const CliCommand kHistory("history", "the IP and MAC address histories: list, clear", run);

}  // namespace
}  // namespace tavo::cli
