// The report's bytes: the CSV header and rows and the JSON lines, golden for a verified
// device, for failures with each figure and for file names that need care.
#include <gtest/gtest.h>

#include <clocale>
#include <limits>

#include "CommissionReport.h"
#include "CommissionSamples.h"

namespace tavo {
namespace {

using testing::failedRecord;
using testing::kShaA;
using testing::verifiedRecord;

constexpr CommissionReportFormat kCsv = CommissionReportFormat::Csv;
constexpr CommissionReportFormat kJson = CommissionReportFormat::JsonLines;

TEST(CommissionReportLine, FormatFollowsTheExtension) {
    const std::pair<std::string, CommissionReportFormat> cases[] = {
        {"report.csv", kCsv},         {"report.jsonl", kJson},       {"REPORT.JSONL", kJson},
        {"a/b/report.ndjson", kJson}, {"C:\\line\\r.Json", kJson},   {"report", kCsv},
        {"report.txt", kCsv},         {"jsonl", kCsv},               {"dir.jsonl/report", kCsv},
        {"report.json.csv", kCsv},    {"report.csv.json", kJson},    {".jsonl", kJson},
    };
    for (const auto& [path, format] : cases) EXPECT_EQ(commissionReportFormat(path), format) << path;
}

TEST(CommissionReportLine, CsvHeader) {
    EXPECT_EQ(commissionCsvHeader(),
              "time,mac,ip,image,sha256,blocks_sent,blocks_resent,registers_written,verified,seconds,outcome,reason,detail");
}

struct LineCase {
    const char* name;
    CommissionRecord record;
    std::string csv;
    std::string json;
};

CommissionRecord withFigures(CommissionFailure failure, std::optional<int> block, std::optional<uint8_t> reg,
                             std::optional<uint8_t> value, std::optional<Ipv4Octets> otherIp) {
    CommissionRecord record = failedRecord(failure);
    record.block = block;
    record.reg = reg;
    record.regValue = value;
    record.otherIp = otherIp;
    return record;
}

std::vector<LineCase> lineCases() {
    const std::string time = "2026-12-11T17:40:05Z";
    const std::string csvStart = time + ",0050C2123456,192.168.1.10,plant.tav," + kShaA + ",512,3,4,";
    const std::string jsonStart = "{\"time\":\"" + time +
                                  "\",\"mac\":\"0050C2123456\",\"ip\":\"192.168.1.10\",\"image\":\"plant.tav\","
                                  "\"sha256\":\"" + kShaA + "\",\"blocksSent\":512,\"blocksResent\":3,\"registersWritten\":4,";
    CommissionRecord interrupted = failedRecord(CommissionFailure::Interrupted);
    interrupted.outcome = CommissionOutcome::Interrupted;
    interrupted.seconds = 9.96;
    CommissionRecord completed = verifiedRecord();
    completed.verified = false;
    completed.outcome = CommissionOutcome::Completed;
    completed.seconds = 0;
    return {
        {"verified", verifiedRecord(), csvStart + "yes,12.3,verified,,\r\n",
         jsonStart + "\"verified\":true,\"seconds\":12.3,\"outcome\":\"verified\",\"reason\":null,\"detail\":null,"
                     "\"block\":null,\"register\":null,\"registerValue\":null,\"otherIp\":null}\n"},
        {"completed", completed, csvStart + "no,0.0,completed,,\r\n",
         jsonStart + "\"verified\":false,\"seconds\":0.0,\"outcome\":\"completed\",\"reason\":null,\"detail\":null,"
                     "\"block\":null,\"register\":null,\"registerValue\":null,\"otherIp\":null}\n"},
        {"block", withFigures(CommissionFailure::BlocksDiffer, 40, {}, {}, {}),
         csvStart + "no,12.3,failed,blocks_differ,block 40 differs after the re-sends\r\n",
         jsonStart + "\"verified\":false,\"seconds\":12.3,\"outcome\":\"failed\",\"reason\":\"blocks_differ\","
                     "\"detail\":\"block 40 differs after the re-sends\",\"block\":40,\"register\":null,"
                     "\"registerValue\":null,\"otherIp\":null}\n"},
        {"register", withFigures(CommissionFailure::RegisterDiffers, {}, 0x21, 0x00, {}),
         csvStart + "no,12.3,failed,register_differs,register 0x21 read back 0x00\r\n",
         jsonStart + "\"verified\":false,\"seconds\":12.3,\"outcome\":\"failed\",\"reason\":\"register_differs\","
                     "\"detail\":\"register 0x21 read back 0x00\",\"block\":null,\"register\":\"0x21\","
                     "\"registerValue\":\"0x00\",\"otherIp\":null}\n"},
        {"otherIp", withFigures(CommissionFailure::OtherAddress, {}, {}, {}, Ipv4Octets{10, 0, 0, 7}),
         csvStart + "no,12.3,failed,other_address,answered at 10.0.0.7\r\n",
         jsonStart + "\"verified\":false,\"seconds\":12.3,\"outcome\":\"failed\",\"reason\":\"other_address\","
                     "\"detail\":\"answered at 10.0.0.7\",\"block\":null,\"register\":null,\"registerValue\":null,"
                     "\"otherIp\":\"10.0.0.7\"}\n"},
        {"interrupted", interrupted, csvStart + "no,10.0,interrupted,interrupted,the line was stopped\r\n",
         jsonStart + "\"verified\":false,\"seconds\":10.0,\"outcome\":\"interrupted\",\"reason\":\"interrupted\","
                     "\"detail\":\"the line was stopped\",\"block\":null,\"register\":null,\"registerValue\":null,"
                     "\"otherIp\":null}\n"},
    };
}

TEST(CommissionReportLine, GoldenLines) {
    for (const LineCase& c : lineCases()) {
        EXPECT_EQ(commissionReportLine(c.record, kCsv), c.csv) << c.name;
        EXPECT_EQ(commissionReportLine(c.record, kJson), c.json) << c.name;
    }
}

// A program that runs in an Italian locale (the GUI) writes a decimal comma with the C
// library's own formatting: the report must not, or its CSV would gain a column.
TEST(CommissionReportLine, SecondsIgnoreTheLocale) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    bool comma = false;
    for (const char* name : {"it_IT.UTF-8", "it_IT.utf8", "it_IT", "Italian_Italy.1252", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr && *std::localeconv()->decimal_point == ',') {
            comma = true;
            break;
        }
    }
    CommissionRecord record = verifiedRecord();
    record.seconds = 3.25;
    const std::string csv = commissionReportLine(record, kCsv);
    const std::string json = commissionReportLine(record, kJson);
    std::setlocale(LC_NUMERIC, before.c_str());
    EXPECT_NE(csv.find(",yes,3.2,verified,"), std::string::npos) << csv;
    EXPECT_NE(json.find(",\"seconds\":3.2,"), std::string::npos) << json;
    if (!comma) GTEST_LOG_(INFO) << "no locale with a decimal comma here; only the C locale was tried";
}

TEST(CommissionReportLine, SecondsThatAreNotATimeAreZero) {
    for (const double seconds : {-1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        CommissionRecord record = verifiedRecord();
        record.seconds = seconds;
        EXPECT_NE(commissionReportLine(record, kJson).find("\"seconds\":0.0,"), std::string::npos) << seconds;
    }
}

struct NameCase {
    std::string name;
    std::string csvField;   // the image field as the CSV row holds it
    std::string jsonValue;  // the image value as the JSON line holds it
};

// RFC 4180 quoting only where needed; a formula start gets a single quote in the CSV (a
// spreadsheet shows it as text), not in JSON, which no spreadsheet runs; UTF-8 passes as
// it is; bytes that are not UTF-8 become U+FFFD in both, so that each file is valid text.
TEST(CommissionReportLine, ImageNames) {
    const NameCase cases[] = {
        {"a,b.tav", "\"a,b.tav\"", "\"a,b.tav\""},
        {"say \"hi\".tav", "\"say \"\"hi\"\".tav\"", "\"say \\\"hi\\\".tav\""},
        {"two\r\nlines.tav", "\"two\r\nlines.tav\"", "\"two\\u000D\\u000Alines.tav\""},
        {"=HYPERLINK(\"x\").tav", "\"'=HYPERLINK(\"\"x\"\").tav\"", "\"=HYPERLINK(\\\"x\\\").tav\""},
        {"=1+2.tav", "'=1+2.tav", "\"=1+2.tav\""},
        {"+cmd.tav", "'+cmd.tav", "\"+cmd.tav\""},
        {"-x,y.tav", "\"'-x,y.tav\"", "\"-x,y.tav\""},
        {"@SUM.tav", "'@SUM.tav", "\"@SUM.tav\""},
        {"\tTAB.tav", "'\tTAB.tav", "\"\\u0009TAB.tav\""},
        {"a-b=c.tav", "a-b=c.tav", "\"a-b=c.tav\""},
        {"città ✓.tav", "città ✓.tav", "\"città ✓.tav\""},
        {"back\\slash.tav", "back\\slash.tav", "\"back\\\\slash.tav\""},
        {"bad\xFF\xC3.tav", "bad\xEF\xBF\xBD\xEF\xBF\xBD.tav", "\"bad\xEF\xBF\xBD\xEF\xBF\xBD.tav\""},
        {"", "", "\"\""},
    };
    for (const NameCase& c : cases) {
        CommissionRecord record = verifiedRecord();
        record.imageName = c.name;
        const std::string csv = commissionReportLine(record, kCsv);
        EXPECT_EQ(csv, "2026-12-11T17:40:05Z,0050C2123456,192.168.1.10," + c.csvField + "," + kShaA +
                           ",512,3,4,yes,12.3,verified,,\r\n")
            << c.name;
        const std::string json = commissionReportLine(record, kJson);
        EXPECT_NE(json.find(",\"image\":" + c.jsonValue + ",\"sha256\":"), std::string::npos) << c.name << "\n" << json;
    }
}

}  // namespace
}  // namespace tavo
