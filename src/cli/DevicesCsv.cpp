#include "DevicesCsv.h"

#include <QJsonArray>
#include <cstdio>

#include "DeviceImport.h"
#include "JsonOutput.h"

namespace tavo::cli {
namespace {

constexpr const char* kStdout = "-";

struct ProblemWords {
    const char* code;  // the JSON "kind"
    const char* text;
};

ProblemWords problemWords(CsvProblemKind kind) {
    switch (kind) {
    case CsvProblemKind::NoHeader: return {"no_header", "no header line (ip,mac,gateway,subnet,htype,hlen)"};
    case CsvProblemKind::UnknownColumn: return {"unknown_column", "not a column name (ip, mac, gateway, subnet, htype, hlen)"};
    case CsvProblemKind::RepeatedColumn: return {"repeated_column", "the column is named twice"};
    case CsvProblemKind::MissingColumn: return {"missing_column", "the header has no column"};
    case CsvProblemKind::UnclosedQuote: return {"unclosed_quote", "the quote is not closed"};
    case CsvProblemKind::TextAfterQuote: return {"text_after_quote", "text after the closing quote"};
    case CsvProblemKind::ExtraField: return {"extra_field", "a field beyond the header's columns"};
    case CsvProblemKind::MissingValue: return {"missing_value", "empty"};
    case CsvProblemKind::BadAddress: return {"bad_address", "not an IPv4 address"};
    case CsvProblemKind::UnusableIp: return {"unusable_ip", "not a device address (0.0.0.0, or ending in .0 or .255)"};
    case CsvProblemKind::BadMac: return {"bad_mac", "not a MAC address (12 hexadecimal digits, or six pairs separated by ':' or '-')"};
    case CsvProblemKind::BadNumber: return {"bad_number", "not a number from 0 to 255"};
    case CsvProblemKind::DuplicateMacInFile: return {"duplicate_mac_in_file", "the MAC is already on line"};
    case CsvProblemKind::DuplicateIpInFile: return {"duplicate_ip_in_file", "the IP is already on line"};
    case CsvProblemKind::DuplicateMacInTable: return {"duplicate_mac_in_table", "the MAC is in the table, record"};
    case CsvProblemKind::DuplicateIpInTable: return {"duplicate_ip_in_table", "the IP is in the table, record"};
    case CsvProblemKind::TwoRecordsMatch: return {"two_records_match", "the MAC and the IP belong to two records; the IP's is record"};
    case CsvProblemKind::RecordReplacedTwice: return {"record_replaced_twice", "replaces the record that a row replaces already, on line"};
    case CsvProblemKind::TooManyRecords: return {"too_many_records", "the table would hold more records than"};
    }
    return {"", ""};
}

QString problemText(const CsvProblem& problem) {
    QString text = QString::fromUtf8(problemWords(problem.kind).text);
    if (problem.kind == CsvProblemKind::MissingColumn) text += QString(" %1").arg(csvColumnName(problem.missing));
    if (problem.other > 0) text += QString(" %1").arg(problem.other);
    return text;
}

QJsonObject problemJson(const CsvProblem& problem) {
    return {{"line", problem.line}, {"column", problem.column}, {"kind", problemWords(problem.kind).code},
            {"message", problemText(problem)}};
}

int refused(const QString& path, const DeviceImportResult& result) {
    const QString message = QString("%1: %2 problem(s), nothing imported").arg(path).arg(result.problemCount);
    if (jsonOutput()) {
        QJsonArray problems;
        for (const CsvProblem& p : result.problems) problems.append(problemJson(p));
        printJsonError("csv_invalid", message, {{"problems", problems}, {"problemCount", qint64(result.problemCount)}});
        return kExitFailure;
    }
    for (const CsvProblem& p : result.problems) {
        const QString where = p.column > 0 ? QString("%1:%2:%3").arg(path).arg(p.line).arg(p.column)
                                           : QString("%1:%2").arg(path).arg(p.line);
        std::fprintf(stderr, "tavo: %s: %s\n", qPrintable(where), problemText(p).toUtf8().constData());
    }
    if (result.problemCount > result.problems.size())
        std::fprintf(stderr, "tavo: ... and %zu more\n", result.problemCount - result.problems.size());
    return fail(message);
}

void printImported(const DeviceImportResult& result, bool dryRun) {
    if (jsonOutput()) {
        QJsonArray added, replaced;
        for (const ImportedDevice& d : result.devices) {
            if (d.replacedIndex < 0)
                added.append(deviceJson(d.record));
            else
                replaced.append(QJsonObject{{"record", d.replacedIndex + 1}, {"old", deviceJson(d.replaced)}, {"new", deviceJson(d.record)}});
        }
        printJson({{"dryRun", dryRun}, {"added", added}, {"replaced", replaced}, {"count", result.tableCount}});
        return;
    }
    const char* verb = dryRun ? "would add" : "added";
    for (const ImportedDevice& d : result.devices) {
        const QJsonObject device = deviceJson(d.record);
        const QString what = device["ip"].toString() + " " + device["mac"].toString();
        if (d.replacedIndex < 0) {
            printLine(QString("%1 %2").arg(verb, what));
        } else {
            const QJsonObject old = deviceJson(d.replaced);
            printLine(QString("%1 record %2 (%3 %4) with %5")
                          .arg(dryRun ? "would replace" : "replaced")
                          .arg(d.replacedIndex + 1)
                          .arg(old["ip"].toString(), old["mac"].toString(), what));
        }
    }
    printLine(QString("%1: %2 added, %3 replaced, %4 records in the table")
                  .arg(dryRun ? "dry run, nothing changed" : "imported")
                  .arg(result.added)
                  .arg(result.replaced)
                  .arg(result.tableCount));
}

}  // namespace

QJsonObject deviceJson(const DeviceRecord& r) {
    const auto dotted = [](const std::string& text) { return QString::fromStdString(formatDotted(ParseDottedIp(text))); };
    return {{"ip", dotted(r.IP)},           {"mac", QString::fromStdString(r.MAC)}, {"gateway", dotted(r.Gateway)},
            {"subnet", dotted(r.Subnet)},   {"htype", r.HType},                     {"hlen", r.hlen}};
}

int exportDevices(const CliOptions& options, const std::string& dir) {
    const QString path = options.value("csv");
    if (path.isEmpty()) return fail("give the file: --csv FILE, or --csv - for stdout", kExitUsage);
    if (path == kStdout) {
        if (jsonOutput()) return fail("--csv - writes the CSV on stdout, where --json writes its objects", kExitUsage);
        const DeviceExportResult result = exportDeviceCsv(dir, stderrTableSink());
        if (result.status != DeviceExportStatus::Exported) return kExitFailure;
        std::fwrite(result.csv.data(), 1, result.csv.size(), stdout);
        return 0;
    }
    const DeviceExportResult result = exportDeviceCsvFile(dir, path.toStdString(), stderrTableSink());
    if (result.status == DeviceExportStatus::TableUnreadable) return kExitFailure;
    if (result.status == DeviceExportStatus::NotWritten)
        return failAs("file_not_written", QString("cannot write %1: %2").arg(path, QString::fromStdString(result.reason)));
    if (jsonOutput())
        printJson({{"exported", result.count}, {"file", path}});
    else
        printLine(QString("exported %1 records to %2").arg(result.count).arg(path));
    return 0;
}

int importDevices(const CliOptions& options, const std::string& dir) {
    const QString path = options.value("csv");
    if (path.isEmpty()) return fail("give the file: --csv FILE", kExitUsage);
    DeviceImportOptions how;
    how.replace = options.has("replace");
    how.dryRun = options.has("dry-run");
    const DeviceImportResult result = importDeviceCsvFile(dir, path.toStdString(), how, stderrTableSink());
    switch (result.status) {
    case DeviceImportStatus::Imported:
    case DeviceImportStatus::Checked: printImported(result, how.dryRun); return 0;
    case DeviceImportStatus::Refused: return refused(path, result);
    case DeviceImportStatus::FileUnreadable:
        return failAs("file_unreadable", QString("cannot read %1: %2").arg(path, QString::fromStdString(result.reason)),
                      kExitUsage);
    case DeviceImportStatus::FileTooLarge:
        return failAs("file_too_large", QString("%1 is larger than %2 bytes: not read").arg(path).arg(kMaxDeviceCsvBytes),
                      kExitUsage);
    case DeviceImportStatus::TableUnreadable:
    case DeviceImportStatus::NotSaved: break;  // the table printed why
    }
    return kExitFailure;
}

}  // namespace tavo::cli
