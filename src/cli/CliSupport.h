#pragma once

// Small helpers shared by the commands of `tavo`:
//   CliOptions          "--name value", "--name=value" and bare flags, plus the words
//                       that are not options, in order;
//   DataDirectory       where the tables are: --data-dir, else the directory of the
//                       profile entry "path", else the current directory;
//   StderrTableSink     prints the tables' messages on stderr;
//   fail, PrintLine     a message on stderr with an exit status, a line on stdout.
//
// Exit statuses: 0 done, kExitFailure refused or failed, kExitUsage bad command line.
//
// Typical use in a command's handler:
//   CliOptions options;
//   if (!options.parse(args, {kDataDirOption, "ip"}, {"help"})) return fail(options.error(), kExitUsage);
//   const std::string dir = dataDirectory(options);
//   CBootPFDB table(dir, stderrTableSink());
#include <QMap>
#include <QString>
#include <QStringList>
#include <string>

#include "TableMessage.h"

namespace tavo::cli {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
inline constexpr const char* kDataDirOption = "data-dir";
inline constexpr const char* kOutputOption = "output";

class CliOptions {
public:
    // `withValue` and `flags` are option names without the leading "--". Returns false,
    // with error() set, on an option that is not known or lacks its value, and on a path
    // that cannot serve (checkPathOption): every command refuses it before it sends
    // anything or changes any file.
    bool parse(const QStringList& args, const QStringList& withValue, const QStringList& flags = {});
    // From now on "-o" is read as "--output" (the commands that write a file, and the
    // maintenance family that shares their line, refusing --output where it does not fit).
    void readShortOutput() { m_shortOutput = true; }

    const QStringList& positional() const { return m_positional; }
    bool has(const QString& name) const { return m_values.contains(name); }
    QString value(const QString& name, const QString& fallback = {}) const {
        return m_values.value(name, fallback);
    }
    const QString& error() const { return m_error; }

private:
    QStringList m_positional;
    QMap<QString, QString> m_values;
    QString m_error;
    bool m_shortOutput = false;
};

// The options that name paths: --data-dir (checkWritableFolder) and --output, given as
// -o (checkOutputFile). Any other option passes.
bool checkPathOption(const QString& name, const QString& value, QString& error);

// UTF-8 path of the data directory for the tables.
std::string dataDirectory(const CliOptions& options);

// Prints each table message as "tavo: <caption>: <text>", followed by the detail when
// there is one. `reported`, when given, is set to true by every message.
TableMessageSink stderrTableSink(bool* reported = nullptr);

// Prints "tavo: <message>" on stderr, or with --json the error object of `code` (a
// snake_case word that scripts test, so it never changes) on stdout, and returns `status`.
int failAs(const char* code, const QString& message, int status = kExitFailure);
// The same with the general code of the status: "bad_usage" for kExitUsage, else "failed".
int fail(const QString& message, int status = kExitFailure);
// A failure in the command line's English words: its code and its message.
struct EnglishFailure {
    const char* code;
    QString message;
};

// Prints the failure as failAs() does and returns `status`.
inline int failWith(const EnglishFailure& failure, int status = kExitFailure) {
    return failAs(failure.code, failure.message, status);
}
// "--NAME: not a number of seconds above 0 and at most 3600: VALUE", for the options
// that bound a wait in seconds.
QString secondsOutOfRangeText(const char* name, const QString& value);
// --max-seconds, the bound of a run that serves until it is stopped: 0 when not given.
// False, with `error`, for a value that is not a number of seconds up to 30 days.
bool readMaxSeconds(const CliOptions& options, double& seconds, QString& error);
// The general code of an exit status.
const char* errorCodeOf(int status);
// The last table message printed (for --json: the reason of a command that failed on a
// table file), or an empty text.
const QString& lastTableMessage();

// The warning asked on the terminal before a command that changes a device ("Warning to
// <operation>", the description, the warning, "Andare avanti ? [s/N] "); true for a yes.
bool confirmOnTerminal(const QString& operation, const QString& description);
// The failure of a command whose question was not answered yes.
EnglishFailure notConfirmedFailure();

// Prints `line` and a line end on stdout.
void printLine(const QString& line);
void printLine(const std::string& line);

}  // namespace tavo::cli
