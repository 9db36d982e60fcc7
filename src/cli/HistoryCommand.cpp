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

int Usage(FILE* out, int status) {
    std::fputs(kUsage, out);
    return status;
}

template <class History, class Formatter>
int ListOrClear(const QString& action, const std::string& dir, Formatter format) {
    History history(dir, StderrTableSink());
    if (action == "clear") return history.ClearAll() ? 0 : kExitFailure;
    history.Load();
    if (history.IsFileUnreadable()) return kExitFailure;
    for (int i = history.GetCount() - 1; i >= 0; --i) PrintLine(format(history.GetValues(i)));
    return 0;
}

int Run(const QStringList& args) {
    CliOptions options;
    if (!options.Parse(args, {kDataDirOption}, {"help"})) {
        Fail(options.error(), kExitUsage);
        return Usage(stderr, kExitUsage);
    }
    if (options.has("help")) return Usage(stdout, 0);
    const QStringList& words = options.positional();
    if (words.size() != 2 || (words[1] != "list" && words[1] != "clear")) return Usage(stderr, kExitUsage);
    const std::string dir = DataDirectory(options);
    if (words[0] == "ip") return ListOrClear<CIPFDB>(words[1], dir, FormatIpHistoryEntry);
    if (words[0] == "mac") return ListOrClear<CMacHistoryFDB>(words[1], dir, FormatMacHistoryEntry);
    return Usage(stderr, kExitUsage);
}

const CliCommand kHistory("history", "the IP and MAC address histories: list, clear", Run);

}  // namespace
}  // namespace tavo::cli
