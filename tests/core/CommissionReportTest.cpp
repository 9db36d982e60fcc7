// The report file: created with its header, appended a whole line at a time, opened again
// for --resume, and never left with half a line.
#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <signal.h>

#include "CrashTestSupport.h"
#endif

#include "CommissionReport.h"
#include "CommissionSamples.h"
#include "FileDBTestSupport.h"

namespace tavo {
namespace {

using testing::failedRecord;
using testing::kShaA;
using testing::kShaB;
using testing::numberedRecord;
using testing::readBytes;
using testing::TempFolder;
using testing::verifiedRecord;
using testing::writeBytes;
namespace fs = std::filesystem;

constexpr CommissionReportFormat kCsv = CommissionReportFormat::Csv;
constexpr CommissionReportFormat kJson = CommissionReportFormat::JsonLines;
const MacOctets kMac{0x00, 0x50, 0xC2, 0x12, 0x34, 0x56};

std::string header() { return commissionCsvHeader() + "\r\n"; }
std::string utf8(const fs::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

std::unique_ptr<CommissionReport> openReport(const fs::path& path, CommissionReportProblem& problem) {
    return CommissionReport::open(utf8(path), problem);
}

TEST(CommissionReport, NewCsvReportGetsItsHeaderAndWholeLines) {
    TempFolder folder;
    const fs::path path = folder.file("line.csv");
    CommissionReportProblem problem;
    {
#ifndef _WIN32
        const mode_t mask = umask(022);  // the usual one, whatever this shell's is
#endif
        auto report = openReport(path, problem);
#ifndef _WIN32
        umask(mask);
#endif
        ASSERT_TRUE(report) << problem.reason;
        EXPECT_EQ(problem.status, CommissionReportStatus::Ok);
        EXPECT_EQ(report->format(), kCsv);
        EXPECT_EQ(report->contents().lines, 0);
        EXPECT_EQ(readBytes(path), header());  // on the disk before the first device
        ASSERT_TRUE(report->append(verifiedRecord()));
        ASSERT_TRUE(report->append(failedRecord(CommissionFailure::DeviceSilent)));
        EXPECT_EQ(report->problem().status, CommissionReportStatus::Ok);
    }
    EXPECT_EQ(readBytes(path), header() + commissionReportLine(verifiedRecord(), kCsv) +
                                   commissionReportLine(failedRecord(CommissionFailure::DeviceSilent), kCsv));
#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
#endif
}

TEST(CommissionReport, NewJsonReportIsEmptyUntilItsFirstLine) {
    TempFolder folder;
    const fs::path path = folder.file("line.jsonl");
    CommissionReportProblem problem;
    auto report = openReport(path, problem);
    ASSERT_TRUE(report) << problem.reason;
    EXPECT_EQ(report->format(), kJson);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(readBytes(path), "");
    ASSERT_TRUE(report->append(verifiedRecord()));
    EXPECT_EQ(readBytes(path), commissionReportLine(verifiedRecord(), kJson));
}

// --resume: a report opened again holds what the earlier run verified, and goes on after
// its last line.
TEST(CommissionReport, ReopenedReportHoldsWhatWasVerifiedAndAppendsAfterIt) {
    for (const std::string name : {"line.csv", "line.jsonl"}) {
        TempFolder folder;
        const fs::path path = folder.file(name);
        CommissionReportProblem problem;
        {
            auto report = openReport(path, problem);
            ASSERT_TRUE(report) << problem.reason;
            ASSERT_TRUE(report->append(numberedRecord(1)));
            ASSERT_TRUE(report->append(failedRecord(CommissionFailure::BlocksMissing)));
        }
        const std::string before = readBytes(path);
        auto report = openReport(path, problem);
        ASSERT_TRUE(report) << problem.reason;
        EXPECT_EQ(report->contents().lines, 2) << name;
        EXPECT_TRUE(report->contents().holdsVerified(numberedRecord(1).mac, kShaA)) << name;
        EXPECT_FALSE(report->contents().holdsVerified(kMac, kShaA)) << name;
        EXPECT_EQ(readBytes(path), before) << name;  // no second header
        ASSERT_TRUE(report->append(numberedRecord(2, kShaB)));
        EXPECT_EQ(readBytes(path), before + commissionReportLine(numberedRecord(2, kShaB), report->format())) << name;
    }
}

struct CutCase {
    const char* name;
    std::string file;
    std::string kept;  // what open() leaves before the next line
};

// What a power cut in the middle of a write leaves is cut off, so that the next line
// starts on a line of its own; an empty file or half a header becomes a new report.
TEST(CommissionReport, OpenCutsAnUnfinishedLastLine) {
    const std::string row = commissionReportLine(verifiedRecord(), kCsv);
    const std::string json = commissionReportLine(verifiedRecord(), kJson);
    const CutCase cases[] = {
        {"line.csv", header() + row + row.substr(0, 50), header() + row},
        {"line.csv", header() + row + row.substr(0, row.size() - 1), header() + row},
        {"line.csv", header() + row + "2026-12-11T17:40:05Z,0050C2000001,192.168.1.10,\"name\r\nwith a line end",
         header() + row},
        {"line.csv", "\xEF\xBB\xBF" + header() + row + "x", "\xEF\xBB\xBF" + header() + row},
        {"line.csv", header().substr(0, 30), header()},
        {"line.csv", "", header()},
        {"line.csv", "\xEF\xBB\xBF", header()},
        {"line.jsonl", json + json.substr(0, json.size() - 1), json},
        {"line.jsonl", json.substr(0, 12), ""},
    };
    for (const CutCase& c : cases) {
        TempFolder folder;
        const fs::path path = folder.file(c.name);
        writeBytes(path, c.file);
        CommissionReportProblem problem;
        auto report = openReport(path, problem);
        ASSERT_TRUE(report) << problem.reason;
        EXPECT_EQ(readBytes(path), c.kept) << c.file;
        ASSERT_TRUE(report->append(numberedRecord(7)));
        const std::string after = readBytes(path);
        EXPECT_EQ(after, c.kept + commissionReportLine(numberedRecord(7), report->format())) << c.file;
        const CommissionReportRead read = readCommissionReport(after, report->format());
        EXPECT_EQ(read.problem.status, CommissionReportStatus::Ok);
        EXPECT_EQ(read.wholeLength, after.size());
        EXPECT_TRUE(read.contents.holdsVerified(numberedRecord(7).mac, kShaA));
    }
}

struct RefusedCase {
    const char* name;
    std::string file;
    int line;
};

// A file that is not a report is refused and left exactly as it was: the line must never
// cut or add to another file the operator named by mistake.
TEST(CommissionReport, FileThatIsNotAReportIsRefusedAndLeftAlone) {
    const RefusedCase cases[] = {
        {"devices.csv", "ip,mac\r\n192.168.1.10,0050C2123456\r\n", 1},
        {"notes.csv", "some notes without a line end", 1},
        {"line.csv", header() + "not,a,row\r\n", 2},
        {"line.jsonl", "{\"mac\":\"0050C2123456\"}\n", 1},
        {"line.jsonl", "plain text", 1},
    };
    for (const RefusedCase& c : cases) {
        TempFolder folder;
        const fs::path path = folder.file(c.name);
        writeBytes(path, c.file);
        CommissionReportProblem problem;
        EXPECT_FALSE(openReport(path, problem)) << c.name;
        EXPECT_EQ(problem.status, CommissionReportStatus::NotAReport) << c.name;
        EXPECT_EQ(problem.line, c.line) << c.name;
        EXPECT_EQ(readBytes(path), c.file) << c.name;
    }
}

TEST(CommissionReport, ReportOverItsBoundIsNotRead) {
    TempFolder folder;
    const fs::path path = folder.file("line.csv");
    writeBytes(path, header());
    fs::resize_file(path, 64ull * 1024 * 1024 + 1);  // sparse: nothing is written
    CommissionReportProblem problem;
    EXPECT_FALSE(openReport(path, problem));
    EXPECT_EQ(problem.status, CommissionReportStatus::CannotRead);
    EXPECT_EQ(problem.reason, "too large");
    EXPECT_EQ(fs::file_size(path), 64ull * 1024 * 1024 + 1);
}

TEST(CommissionReport, PlacesThatCannotHoldAReport) {
    TempFolder folder;
    fs::create_directory(folder.file("folder.csv"));
    for (const fs::path& path : {folder.file("missing") / "line.csv", folder.file("folder.csv")}) {
        CommissionReportProblem problem;
        EXPECT_FALSE(openReport(path, problem)) << path;
        EXPECT_EQ(problem.status, CommissionReportStatus::CannotOpen) << path;
        EXPECT_FALSE(problem.reason.empty()) << path;
    }
}

// Two lines writing one report would cut each other's half lines off on opening.
TEST(CommissionReport, SecondWriterOfTheSameReportIsRefused) {
    TempFolder folder;
    const fs::path path = folder.file("line.csv");
    CommissionReportProblem problem;
    auto first = openReport(path, problem);
    ASSERT_TRUE(first) << problem.reason;
    EXPECT_FALSE(openReport(path, problem));
    EXPECT_EQ(problem.status, CommissionReportStatus::CannotOpen);
    first.reset();
    EXPECT_TRUE(openReport(path, problem)) << problem.reason;
}

TEST(CommissionReport, Utf8Path) {
    TempFolder folder;
    const fs::path path = folder.path() / fs::path(u8"linea città.jsonl");
    CommissionReportProblem problem;
    auto report = openReport(path, problem);
    ASSERT_TRUE(report) << problem.reason;
    ASSERT_TRUE(report->append(verifiedRecord()));
    EXPECT_EQ(readBytes(path), commissionReportLine(verifiedRecord(), kJson));
}

#ifndef _WIN32
// A disk that takes only part of a line (here a file size limit, which cuts the write
// short as a full disk does): the append fails and the part is taken back, so the report
// still ends with a whole line and the next open finds nothing to cut.
TEST(CommissionReport, ShortWriteFailsAndLeavesNoHalfLine) {
    TempFolder folder;
    const fs::path path = folder.file("line.csv");
    const std::string name = utf8(path);
    const std::string line = commissionReportLine(verifiedRecord(), kCsv);
    // In a child of its own: the limit and the signal it raises belong to that process.
    const pid_t child = testing::startForkedChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        CommissionReportProblem problem;
        auto report = CommissionReport::open(name, problem);
        if (!report || !report->append(verifiedRecord())) return 10;
        const rlimit limit{static_cast<rlim_t>(header().size() + line.size() + 20),
                           static_cast<rlim_t>(header().size() + line.size() + 20)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 11;
        if (report->append(verifiedRecord())) return 12;
        if (report->problem().status != CommissionReportStatus::WriteFailed || report->problem().reason.empty())
            return 13;
        return 0;
    });
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readBytes(path), header() + line);
}
#endif

}  // namespace
}  // namespace tavo
