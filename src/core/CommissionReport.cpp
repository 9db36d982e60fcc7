#include "CommissionReport.h"

#include "AppendFile.h"

namespace tavo {
namespace {

// A line of a few hundred bytes per device: 64 MiB is hundreds of thousands of devices,
// far beyond any line's run, and small enough to read whole.
constexpr uint64_t kMaxReportBytes = 64ull * 1024 * 1024;
constexpr std::string_view kCsvLineEnd = "\r\n";

}  // namespace

CommissionReport::~CommissionReport() { append_file::close(m_handle); }

std::unique_ptr<CommissionReport> CommissionReport::open(const std::string& path, CommissionReportProblem& problem) {
    problem = {};
    std::unique_ptr<CommissionReport> report(new CommissionReport);
    report->m_path = path;
    report->m_format = commissionReportFormat(path);
    const auto fail = [&problem](CommissionReportStatus status, std::string reason, int line = 0) {
        problem = {status, std::move(reason), line};
        return std::unique_ptr<CommissionReport>();
    };

    append_file::Opened opened = append_file::openOrCreate(path);
    if (opened.handle == append_file::kNoHandle) return fail(CommissionReportStatus::CannotOpen, opened.error);
    report->m_handle = opened.handle;
    std::string error;
    if (opened.created && !append_file::syncFolderOf(path, error))
        return fail(CommissionReportStatus::CannotOpen, error);

    std::string text;
    bool tooLarge = false;
    if (!append_file::readAll(report->m_handle, kMaxReportBytes, text, tooLarge, error))
        return fail(CommissionReportStatus::CannotRead, tooLarge ? "too large" : error);
    CommissionReportRead read = readCommissionReport(text, report->m_format);
    if (read.problem.status != CommissionReportStatus::Ok)
        return fail(read.problem.status, read.problem.reason, read.problem.line);
    report->m_contents = std::move(read.contents);

    // The unfinished line a crash left: the next line must start on a line of its own.
    if (read.wholeLength < text.size() && !(append_file::truncateTo(report->m_handle, read.wholeLength, error) &&
                                            append_file::sync(report->m_handle, error)))
        return fail(CommissionReportStatus::WriteFailed, error);
    if (report->m_format == CommissionReportFormat::Csv && read.wholeLength == 0 &&
        !append_file::appendAndSync(report->m_handle, commissionCsvHeader() + std::string(kCsvLineEnd), error))
        return fail(CommissionReportStatus::WriteFailed, error);
    return report;
}

bool CommissionReport::append(const CommissionRecord& record) {
    m_problem = {};
    std::string error;
    if (!append_file::appendAndSync(m_handle, commissionReportLine(record, m_format), error)) {
        m_problem = {CommissionReportStatus::WriteFailed, error, 0};
        return false;
    }
    return true;
}

}  // namespace tavo
