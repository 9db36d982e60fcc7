#include "CliSupport.h"

#include <cstdio>
#include <iostream>

#include "JsonOutput.h"
#include "PathArguments.h"
#include "Profile.h"
#include "TableWords.h"

namespace tavo::cli {

bool CliOptions::parse(const QStringList& args, const QStringList& withValue, const QStringList& flags) {
    m_positional.clear();
    m_values.clear();
    m_error.clear();
    for (int i = 0; i < args.size(); ++i) {
        const QString arg = m_shortOutput && args[i] == "-o" ? QStringLiteral("--output") : args[i];
        if (!arg.startsWith("--") || arg == "--") {
            m_positional << arg;
            continue;
        }
        QString name = arg.mid(2);
        QString value;
        const int equals = name.indexOf('=');
        const bool inlineValue = equals >= 0;
        if (inlineValue) {
            value = name.mid(equals + 1);
            name = name.left(equals);
        }
        if (flags.contains(name) && !inlineValue) {
            m_values.insert(name, QString());
        } else if (withValue.contains(name)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    m_error = QString("option --%1 needs a value").arg(name);
                    return false;
                }
                value = args[++i];
            }
            if (!checkPathOption(name, value, m_error)) return false;
            m_values.insert(name, value);
        } else {
            m_error = QString("unknown option %1").arg(arg);
            return false;
        }
    }
    return true;
}

bool checkPathOption(const QString& name, const QString& value, QString& error) {
    QString problem;
    if (name == QLatin1String(kDataDirOption) && !checkWritableFolder(value, problem)) {
        error = QString("--%1: %2").arg(name, problem);
        return false;
    }
    if (name == QLatin1String(kOutputOption) && !checkOutputFile(value, problem)) {
        error = QString("-o: %1").arg(problem);
        return false;
    }
    return true;
}

std::string dataDirectory(const CliOptions& options) {
    const QString dir = options.has(kDataDirOption) ? options.value(kDataDirOption) : Profile::dataDirectory();
    return dir.toStdString();
}

namespace {
QString g_lastTableMessage;
}  // namespace

TableMessageSink stderrTableSink(bool* reported) {
    return [reported](TableMessage message, const std::string& detail) {
        const TableMessageText text = describeTableMessage(message);
        g_lastTableMessage = QString("%1: %2").arg(QString::fromUtf8(text.caption), QString::fromUtf8(text.text));
        if (!detail.empty()) g_lastTableMessage += QString(" (%1)").arg(QString::fromStdString(detail));
        std::fprintf(stderr, "tavo: %s\n", g_lastTableMessage.toUtf8().constData());
        if (reported) *reported = true;
    };
}

const QString& lastTableMessage() { return g_lastTableMessage; }

QString secondsOutOfRangeText(const char* name, const QString& value) {
    return QString("--%1: not a number of seconds above 0 and at most 3600: ").arg(QLatin1String(name)) + value;
}

const char* errorCodeOf(int status) { return status == kExitUsage ? "bad_usage" : "failed"; }

int failAs(const char* code, const QString& message, int status) {
    if (jsonOutput())
        printJsonError(code, message);
    else
        std::fprintf(stderr, "tavo: %s\n", message.toUtf8().constData());
    return status;
}

int fail(const QString& message, int status) { return failAs(errorCodeOf(status), message, status); }

void printLine(const QString& line) { printLine(line.toStdString()); }

void printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

namespace {
const char* const kConfirmTitle = "Warning to ";
const char* const kConfirmWarning = "Questa operazione potrebbe compromettere il corretto funzionamento del sistema.";
const char* const kConfirmQuestion = "Andare avanti ? [s/N] ";
}  // namespace

EnglishFailure notConfirmedFailure() { return {"not_confirmed", "not confirmed: nothing sent"}; }

bool confirmOnTerminal(const QString& operation, const QString& description) {
    std::fprintf(stderr, "%s%s\n%s\n%s\n%s", kConfirmTitle, qPrintable(operation), description.toUtf8().constData(),
                 kConfirmWarning, kConfirmQuestion);
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        std::fputc('\n', stderr);  // no answer (end of input): the question's line ends here
        return false;
    }
    const QString word = QString::fromStdString(answer).trimmed().toLower();
    return word == "s" || word == "si" || word == QString::fromUtf8("sì") || word == "y" || word == "yes";
}

bool readMaxSeconds(const CliOptions& options, double& seconds, QString& error) {
    seconds = 0;
    if (!options.has("max-seconds")) return true;
    bool ok = false;
    seconds = options.value("max-seconds").toDouble(&ok);
    if (ok && seconds > 0 && seconds <= 30 * 24 * 3600) return true;
    error = "--max-seconds: not a number of seconds: " + options.value("max-seconds");
    return false;
}

}  // namespace tavo::cli
