// A commissioning line killed at any moment leaves its report as a header and whole
// lines, with every line it had finished: a process of its own appends devices until it
// is killed at a random moment, sometimes onto the half line a power cut left, which its
// open must cut off first.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "CommissionReport.h"
#include "CommissionSamples.h"
#include "CrashTestSupport.h"
#include "FileDBTestSupport.h"

namespace tavo::testing {
namespace {

constexpr int kKills = 100;
constexpr int kMaxAppendsPerRun = 5000;  // a run is killed long before; the bound is for safety
constexpr int kMaxDelayUs = 30000;
constexpr int kHalfLineEvery = 7;

struct ReportFile {
    fs::path path;
    CommissionReportFormat format;
    int lines = 0;
    size_t halfLine = 0;  // the length of the half line put at its end, while it is there
};

// The devices 0..n-1 of the numbered records, each verified once.
std::set<std::pair<MacOctets, std::string>> numberedSet(int n) {
    std::set<std::pair<MacOctets, std::string>> out;
    for (int i = 0; i < n; ++i) out.insert({numberedRecord(i).mac, kShaA});
    return out;
}

// A process of its own that opens the report and appends the next numbered devices; one
// byte into `done` for each line that append() reported on the disk.
pid_t startLine(const std::string& path, int done) {
    return startForkedChild([path, done] {
        CommissionReportProblem problem;
        auto report = CommissionReport::open(path, problem);
        if (!report) return 1;
        const int first = report->contents().lines;
        for (int i = 0; i < kMaxAppendsPerRun; ++i) {
            if (!report->append(numberedRecord(first + i))) return 2;
            const char byte = 'l';
            if (write(done, &byte, 1) != 1) return 3;
        }
        return 0;
    });
}

int drain(int fd) {
    int count = 0;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) count += got > 0 ? int(got) : 0;
    return count;
}

TEST(CommissionReportCrash, LineKilledAtRandomMomentsLeavesAHeaderAndWholeLines) {
    TempFolder folder;
    ReportFile files[] = {{folder.file("line.csv"), CommissionReportFormat::Csv},
                          {folder.file("line.jsonl"), CommissionReportFormat::JsonLines}};
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, kMaxDelayUs);
    int halfLinesCut = 0, killsInOpen = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        ReportFile& file = files[kill % 2];
        const std::string name = file.path.string();
        if (kill % kHalfLineEvery == 0 && file.lines > 0 && file.halfLine == 0) {
            const std::string line = commissionReportLine(numberedRecord(999999), file.format);
            file.halfLine = line.size() / 2;
            writeBytes(file.path, readBytes(file.path) + line.substr(0, file.halfLine));
        }
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t line = startLine(name, done[1]);
        close(done[1]);
        ASSERT_GT(line, 0) << "the line did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(line, SIGKILL);
        int status = 0;
        waitpid(line, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the line ended by itself with " << WEXITSTATUS(status);
        const int acknowledged = drain(done[0]);
        close(done[0]);

        const std::string text = readBytes(file.path);
        const CommissionReportRead read = readCommissionReport(text, file.format);
        ASSERT_EQ(read.problem.status, CommissionReportStatus::Ok)
            << "kill " << kill << ", seed " << seed << ": line " << read.problem.line << " " << read.problem.reason;
        const size_t tail = text.size() - read.wholeLength;
        ASSERT_TRUE(tail == 0 || tail == file.halfLine) << "a half line after kill " << kill << ", seed " << seed;
        if (tail == 0 && file.halfLine != 0) {
            ++halfLinesCut;
            file.halfLine = 0;
        }
        // Every line the line had finished is there, each device once, in order of number.
        ASSERT_GE(read.contents.lines, file.lines + acknowledged) << "kill " << kill << ", seed " << seed;
        ASSERT_LE(read.contents.lines, file.lines + acknowledged + 1) << "kill " << kill << ", seed " << seed;
        ASSERT_EQ(read.contents.verified, numberedSet(read.contents.lines)) << "kill " << kill << ", seed " << seed;
        if (file.format == CommissionReportFormat::Csv && read.wholeLength > 0) {
            ASSERT_EQ(text.substr(0, commissionCsvHeader().size() + 2), commissionCsvHeader() + "\r\n");
        }
        if (read.contents.lines == file.lines) ++killsInOpen;
        file.lines = read.contents.lines;
    }
    std::printf("%d kills: %d lines in the CSV report, %d in the JSON one; %d half lines cut on opening; %d kills "
                "before a first line; every report whole after every kill\n",
                kKills, files[0].lines, files[1].lines, halfLinesCut, killsInOpen);
}

}  // namespace
}  // namespace tavo::testing
