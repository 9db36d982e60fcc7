#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "AddressText.h"
#include "CommissionRecord.h"

// The commissioning line's report: one line per device, appended and forced to the disk
// as each device ends, so that a crash or a kill loses no finished device and never
// leaves half a line. CSV (a header line, then one row per device, CR LF, as spreadsheets
// read it) or JSON lines (one object per line), chosen by the file's extension.
namespace tavo {

enum class CommissionReportFormat { Csv, JsonLines };

// ".jsonl", ".ndjson" and ".json" (any case) give JSON lines; every other name CSV.
CommissionReportFormat commissionReportFormat(std::string_view path);

// The CSV header line, without its line end.
std::string commissionCsvHeader();
// One line of the report, with its line end (CR LF in CSV, LF in JSON lines).
std::string commissionReportLine(const CommissionRecord& record, CommissionReportFormat format);

enum class CommissionReportStatus {
    Ok,
    CannotOpen,   // the file could not be opened or created for appending (reason)
    CannotRead,   // an existing report could not be read (reason)
    NotAReport,   // an existing file that is not a report of this format (line)
    WriteFailed,  // a line could not be written or forced to the disk (reason)
};

struct CommissionReportProblem {
    CommissionReportStatus status = CommissionReportStatus::Ok;
    std::string reason;  // the system's words
    int line = 0;        // NotAReport: the first line that is not one (1-based)
};

// What an existing report says for --resume: the devices it holds as verified, each with
// the image hash it was verified with.
struct CommissionReportContents {
    std::set<std::pair<MacOctets, std::string>> verified;  // (mac, sha256)
    int lines = 0;  // device lines read
    bool holdsVerified(const MacOctets& mac, const std::string& sha256) const {
        return verified.count({mac, sha256}) != 0;
    }
};

// Reads a report's text (pure, for --resume and for tests). A last line without its line
// end (left by a power cut in the middle of a write) is not taken. A line that is not
// one of the format's device lines is NotAReport, with its number; so is an unfinished
// first line that cannot be the start of a report (not a part of the CSV header, not the
// start of a JSON line), so that open() never cuts away a file that is not a report.
struct CommissionReportRead {
    CommissionReportContents contents;
    CommissionReportProblem problem;
    // The length of the text up to the end of its last whole line: what open() keeps of
    // a file. (Not simply after the last line end: a quoted CSV field may hold one.)
    size_t wholeLength = 0;
};
CommissionReportRead readCommissionReport(std::string_view text, CommissionReportFormat format);

// The open report. open() reads what the file already holds (a missing or empty file is
// a new report), cuts off an unfinished last line, writes the CSV header into a new CSV
// report, and keeps the file open for appending. append() writes one whole line with a
// single write and forces it to the disk (fsync; FlushFileBuffers on Windows) before it
// returns.
class CommissionReport {
public:
    ~CommissionReport();
    CommissionReport(const CommissionReport&) = delete;
    CommissionReport& operator=(const CommissionReport&) = delete;

    // `path` is UTF-8. Nothing on failure, with the problem in `problem`.
    static std::unique_ptr<CommissionReport> open(const std::string& path, CommissionReportProblem& problem);

    CommissionReportFormat format() const { return m_format; }
    const std::string& path() const { return m_path; }
    // What the file held when it was opened.
    const CommissionReportContents& contents() const { return m_contents; }
    // False with problem() when the line could not be written whole and forced to disk.
    bool append(const CommissionRecord& record);
    const CommissionReportProblem& problem() const { return m_problem; }

private:
    CommissionReport() = default;

    std::string m_path;
    CommissionReportFormat m_format = CommissionReportFormat::Csv;
    CommissionReportContents m_contents;
    CommissionReportProblem m_problem;
    intptr_t m_handle = -1;  // the platform's file descriptor or handle
};

}  // namespace tavo
