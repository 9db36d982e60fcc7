// tavo history: the IP and MAC address histories ("iph.ini", "mach.ini"), listed newest
// first in the pick lists' forms, or emptied.
#include <QJsonArray>
#include <cstdio>

#include "CliCommand.h"
#include "CliSupport.h"
#include "IPFDB.h"
#include "JsonOutput.h"
#include "MacHistoryFDB.h"
#include "TableEnglish.h"

namespace tavo::cli {
namespace {

QString usageText() {
    return QStringLiteral(
        "usage: tavo history ip list|clear [--data-dir DIR]\n"
        "       tavo history mac list|clear [--data-dir DIR]\n"
        "\n"
        "list prints the addresses newest first, as the pick lists show them.\n"
        "DIR defaults to the directory of the profile entry \"path\", else the current directory.\n");
}

// With --json: {"history": "ip", "entries": [...]} newest first, without the pick lists'
// padding, or {"history": "ip", "cleared": true}.
template <class History, class Formatter, class JsonFormatter>
int listOrClear(const QString& kind, const QString& action, const std::string& dir, Formatter format,
                JsonFormatter jsonFormat) {
    History history(dir, stderrTableSink());
    if (action == "clear") {
        if (!history.ClearAll()) return kExitFailure;
        if (jsonOutput()) printJson({{"history", kind}, {"cleared", true}});
        return 0;
    }
    history.Load();
    if (history.isFileUnreadable()) return kExitFailure;
    if (jsonOutput()) {
        QJsonArray entries;
        for (int i = history.getCount() - 1; i >= 0; --i) entries.append(jsonFormat(history.getValues(i)));
        printJson({{"history", kind}, {"entries", entries}});
        return 0;
    }
    for (int i = history.getCount() - 1; i >= 0; --i) printLine(format(history.getValues(i)));
    return 0;
}

QString ipEntry(const CIPFDB::Values& v) { return QString("%1.%2.%3.%4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]); }
QString macEntry(const CMacHistoryFDB::Values& v) { return QString::fromStdString(formatMacHistoryEntry(v)).remove(':'); }

int run(const QStringList& args) {
    CliOptions options;
    const bool parsed = options.parse(args, {kDataDirOption}, {"help"});
    if (const auto answer = usageAnswer(parsed, options.error(), options, usageText)) return *answer;
    const QStringList& words = options.positional();
    QString problem;
    if (words.size() != 2)
        problem = kGiveHistoryAndAction;
    else if (words[0] != "ip" && words[0] != "mac")
        problem = noSuchHistory(words[0]);
    else if (words[1] != "list" && words[1] != "clear")
        problem = noSuchHistoryAction(words[1]);
    if (!problem.isEmpty()) {
        fail(problem, kExitUsage);
        return printUsage(usageText(), stderr, kExitUsage);
    }
    const std::string dir = dataDirectory(options);
    if (words[0] == "ip") return listOrClear<CIPFDB>(words[0], words[1], dir, formatIpHistoryEntry, ipEntry);
    return listOrClear<CMacHistoryFDB>(words[0], words[1], dir, formatMacHistoryEntry, macEntry);
}

const CliCommand kHistory("history", "the IP and MAC address histories: list, clear", usageText,
    CliCommand::HelpWord::OptionOnly, run);

}  // namespace
}  // namespace tavo::cli
