// Reading a report back for --resume: which devices it holds as verified, and which
// texts are not a report at all.
#include <gtest/gtest.h>

#include "CommissionReport.h"
#include "CommissionSamples.h"

namespace tavo {
namespace {

using testing::failedRecord;
using testing::kShaA;
using testing::kShaB;
using testing::numberedRecord;
using testing::verifiedRecord;

constexpr CommissionReportFormat kCsv = CommissionReportFormat::Csv;
constexpr CommissionReportFormat kJson = CommissionReportFormat::JsonLines;
constexpr CommissionReportStatus kOk = CommissionReportStatus::Ok;
constexpr CommissionReportStatus kNot = CommissionReportStatus::NotAReport;
const MacOctets kMac{0x00, 0x50, 0xC2, 0x12, 0x34, 0x56};

std::string header() { return commissionCsvHeader() + "\r\n"; }
std::string csvRow(const CommissionRecord& record) { return commissionReportLine(record, kCsv); }
std::string jsonRow(const CommissionRecord& record) { return commissionReportLine(record, kJson); }
// A row of the header's columns with the given mac, sha256, verified and outcome.
std::string row(const std::string& mac, const std::string& sha, const std::string& verified,
                const std::string& outcome, const std::string& image = "p.tav") {
    return "2026-12-11T17:40:05Z," + mac + ",192.168.1.10," + image + "," + sha + ",1,0,0," + verified + ",1.0," +
           outcome + ",,\r\n";
}

struct ReadCase {
    const char* name;
    CommissionReportFormat format;
    std::string text;
    CommissionReportStatus status;
    int line;                                            // NotAReport
    std::set<std::pair<MacOctets, std::string>> verified;  // Ok
    int lines;                                           // Ok
    size_t wholeLength = std::string::npos;              // npos: the whole text
};

std::vector<ReadCase> csvCases() {
    const std::string good = row("0050C2123456", kShaA, "yes", "verified");
    const std::string half = good.substr(0, 40);
    return {
        {"empty text: a new report", kCsv, "", kOk, 0, {}, 0},
        {"the header alone", kCsv, header(), kOk, 0, {}, 0},
        {"a verified row", kCsv, header() + good, kOk, 0, {{kMac, kShaA}}, 1},
        {"an older header", kCsv, "time,mac,ip,image,sha256\r\n" + good, kNot, 1, {}, 0},
        {"the header in another case", kCsv, "TIME" + header().substr(4), kNot, 1, {}, 0},
        {"a header with a blank after it", kCsv, commissionCsvHeader() + " \r\n", kNot, 1, {}, 0},
        {"a blank line before the header", kCsv, "\r\n" + header(), kNot, 1, {}, 0},
        {"a half last line is not taken", kCsv, header() + good + half, kOk, 0, {{kMac, kShaA}}, 1,
         header().size() + good.size()},
        {"a half header is a new report", kCsv, header().substr(0, 20), kOk, 0, {}, 0, 0},
        {"a header without its line end", kCsv, commissionCsvHeader(), kOk, 0, {}, 0, 0},
        {"a header cut between CR and LF", kCsv, commissionCsvHeader() + "\r", kOk, 0, {}, 0, 0},
        {"another file's first line, unfinished", kCsv, "hello", kNot, 1, {}, 0},
        {"a byte order mark", kCsv, "\xEF\xBB\xBF" + header() + good, kOk, 0, {{kMac, kShaA}}, 1},
        {"LF line ends", kCsv, commissionCsvHeader() + "\n" + good.substr(0, good.size() - 2) + "\n", kOk, 0,
         {{kMac, kShaA}}, 1},
        {"blank lines between rows", kCsv, header() + "\r\n" + good + "\n  \r\n" + row("0050C2000001", kShaB, "yes", "verified"),
         kOk, 0, {{kMac, kShaA}, {{0x00, 0x50, 0xC2, 0, 0, 1}, kShaB}}, 2},
        {"a quoted name with a comma, a quote and CR LF", kCsv,
         header() + row("0050C2123456", kShaA, "yes", "verified", "\"a,\"\"b\"\"\r\nc.tav\"") +
             row("0050C20000zz", kShaA, "yes", "verified"),
         kNot, 4, {}, 0},
        {"a quoted name runs to the end: unfinished", kCsv,
         header() + good + "2026-12-11T17:40:05Z,0050C2000001,192.168.1.10,\"cut\r\nname", kOk, 0, {{kMac, kShaA}}, 1,
         header().size() + good.size()},
        {"text after a closing quote", kCsv, header() + row("0050C2123456", kShaA, "yes", "verified", "\"a\"b"), kNot, 2,
         {}, 0},
        {"a quote inside a plain field", kCsv, header() + row("0050C2123456", kShaA, "yes", "verified", "a\"b"), kNot,
         2, {}, 0},
        {"a bad quote on an unfinished last line", kCsv, header() + good + "x,\"a\"b", kOk, 0, {{kMac, kShaA}}, 1,
         header().size() + good.size()},
        {"verified but \"no\"", kCsv, header() + row("0050C2123456", kShaA, "no", "verified"), kOk, 0, {}, 1},
        {"completed and \"yes\"", kCsv, header() + row("0050C2123456", kShaA, "yes", "completed"), kOk, 0, {}, 1},
        {"failed and interrupted rows", kCsv,
         header() + csvRow(failedRecord(CommissionFailure::BlocksDiffer)) +
             row("0050C2123456", kShaA, "no", "interrupted"),
         kOk, 0, {}, 2},
        {"a bad mac", kCsv, header() + good + row("0050C212345", kShaA, "yes", "verified"), kNot, 3, {}, 0},
        {"a mac with colons and lowercase", kCsv, header() + row("00:50:c2:12:34:56", kShaA, "yes", "verified"), kOk,
         0, {{kMac, kShaA}}, 1},
        {"a short sha256", kCsv, header() + row("0050C2123456", kShaA.substr(1), "yes", "verified"), kNot, 2, {}, 0},
        {"a sha256 that is not hexadecimal", kCsv,
         header() + row("0050C2123456", std::string(63, 'a') + "g", "yes", "verified"), kNot, 2, {}, 0},
        {"an uppercase sha256 is the same image", kCsv, header() + row("0050C2123456", std::string(64, 'B'), "yes", "verified"),
         kOk, 0, {{kMac, kShaB}}, 1},
        {"an unknown outcome", kCsv, header() + row("0050C2123456", kShaA, "yes", "ok"), kNot, 2, {}, 0},
        {"verified neither yes nor no", kCsv, header() + row("0050C2123456", kShaA, "true", "verified"), kNot, 2, {}, 0},
        {"a missing column", kCsv, header() + "2026,0050C2123456,1.2.3.4,p.tav," + kShaA + ",1,0,0,yes,1.0,verified,\r\n",
         kNot, 2, {}, 0},
        {"an extra column", kCsv, header() + good.substr(0, good.size() - 2) + ",x\r\n", kNot, 2, {}, 0},
        {"a lone CR inside a row", kCsv, header() + "a\rb" + good, kNot, 2, {}, 0},
    };
}

std::vector<ReadCase> jsonCases() {
    const std::string good = jsonRow(verifiedRecord());
    const std::string other = jsonRow(numberedRecord(1, kShaB));
    const MacOctets otherMac{0x00, 0x50, 0xC2, 0, 0, 1};
    const auto object = [](const std::string& body) { return "{" + body + "}\n"; };
    const std::string keys = "\"mac\":\"0050C2123456\",\"sha256\":\"" + kShaA + "\",\"outcome\":\"verified\"";
    return {
        {"empty", kJson, "", kOk, 0, {}, 0},
        {"lines of each outcome", kJson, good + other + jsonRow(failedRecord(CommissionFailure::NoSocket)), kOk, 0,
         {{kMac, kShaA}, {otherMac, kShaB}}, 3},
        {"the least a line needs, any order and blanks", kJson, object(" \"verified\" : true ,\t" + keys + " "), kOk, 0,
         {{kMac, kShaA}}, 1},
        {"CR LF line ends and blank lines", kJson, "\r\n" + good.substr(0, good.size() - 1) + "\r\n\n \t\n" + other,
         kOk, 0, {{kMac, kShaA}, {otherMac, kShaB}}, 2},
        {"a byte order mark", kJson, "\xEF\xBB\xBF" + good, kOk, 0, {{kMac, kShaA}}, 1},
        {"a half last line is not taken", kJson, good + other.substr(0, 30), kOk, 0, {{kMac, kShaA}}, 1, good.size()},
        {"a half first line is not taken", kJson, good.substr(0, 5), kOk, 0, {}, 0, 0},
        {"another file's first line, unfinished", kJson, "hello", kNot, 1, {}, 0},
        {"escapes, a surrogate pair, UTF-8", kJson,
         object(keys + ",\"verified\":true,\"image\":\"\\u00e8\\ud83d\\ude00 \\\"\\\\\\/\\b\\f\\n\\r\\t città\""), kOk,
         0, {{kMac, kShaA}}, 1},
        {"escaped letters in the values", kJson,
         object("\"m\\u0061c\":\"\\u0030050C2123456\",\"sha256\":\"" + kShaA +
                "\",\"outcome\":\"verifie\\u0064\",\"verified\":true"),
         kOk, 0, {{kMac, kShaA}}, 1},
        {"numbers of every form", kJson, object(keys + ",\"verified\":true,\"a\":-0,\"b\":12.5e-3,\"c\":1E+9,\"d\":0.0"),
         kOk, 0, {{kMac, kShaA}}, 1},
        {"verified false", kJson, object(keys + ",\"verified\":false"), kOk, 0, {}, 1},
        {"a nested object", kJson, good + object(keys + ",\"verified\":true,\"x\":{}"), kNot, 2, {}, 0},
        {"an array", kJson, object(keys + ",\"verified\":true,\"x\":[1]"), kNot, 1, {}, 0},
        {"an array line", kJson, "[1,2]\n", kNot, 1, {}, 0},
        {"a lone high surrogate", kJson, object(keys + ",\"verified\":true,\"x\":\"\\ud83d\""), kNot, 1, {}, 0},
        {"a lone low surrogate", kJson, object(keys + ",\"verified\":true,\"x\":\"\\ude00\""), kNot, 1, {}, 0},
        {"a bad escape", kJson, object(keys + ",\"verified\":true,\"x\":\"\\x41\""), kNot, 1, {}, 0},
        {"a raw control character", kJson, object(keys + ",\"verified\":true,\"x\":\"a\tb\""), kNot, 1, {}, 0},
        {"invalid UTF-8 in a string", kJson, object(keys + ",\"verified\":true,\"x\":\"\xC3\x28\""), kNot, 1, {}, 0},
        {"a leading zero", kJson, object(keys + ",\"verified\":true,\"x\":01"), kNot, 1, {}, 0},
        {"a bare dot", kJson, object(keys + ",\"verified\":true,\"x\":1."), kNot, 1, {}, 0},
        {"a repeated key", kJson, object(keys + ",\"verified\":true,\"verified\":false"), kNot, 1, {}, 0},
        {"text after the object", kJson, "{" + keys + ",\"verified\":true} x\n", kNot, 1, {}, 0},
        {"two objects on a line", kJson, "{" + keys + ",\"verified\":true}{}\n", kNot, 1, {}, 0},
        {"a trailing comma", kJson, object(keys + ",\"verified\":true,"), kNot, 1, {}, 0},
        {"a word that is not JSON", kJson, object(keys + ",\"verified\":True"), kNot, 1, {}, 0},
        {"verified missing", kJson, object(keys), kNot, 1, {}, 0},
        {"verified as a string", kJson, object(keys + ",\"verified\":\"yes\""), kNot, 1, {}, 0},
        {"a mac that is a number", kJson,
         object("\"mac\":50,\"sha256\":\"" + kShaA + "\",\"outcome\":\"verified\",\"verified\":true"), kNot, 1, {}, 0},
        {"a bad mac", kJson,
         object("\"mac\":\"0050C21234567\",\"sha256\":\"" + kShaA + "\",\"outcome\":\"verified\",\"verified\":true"),
         kNot, 1, {}, 0},
        {"a bad outcome after good lines", kJson,
         good + "\n" + other +
             object("\"mac\":\"0050C2123456\",\"sha256\":\"" + kShaA + "\",\"outcome\":\"Verified\",\"verified\":true"),
         kNot, 4, {}, 0},
        {"verified but false", kJson, object(keys + ",\"verified\":false"), kOk, 0, {}, 1},
    };
}

void check(const ReadCase& c) {
    const CommissionReportRead read = readCommissionReport(c.text, c.format);
    EXPECT_EQ(read.problem.status, c.status) << c.name << ": " << read.problem.reason;
    if (c.status == kOk) {
        EXPECT_EQ(read.contents.verified, c.verified) << c.name;
        EXPECT_EQ(read.contents.lines, c.lines) << c.name;
        EXPECT_EQ(read.wholeLength, c.wholeLength == std::string::npos ? c.text.size() : c.wholeLength) << c.name;
    } else {
        EXPECT_EQ(read.problem.line, c.line) << c.name;
        EXPECT_FALSE(read.problem.reason.empty()) << c.name;
        EXPECT_TRUE(read.contents.verified.empty()) << c.name;
    }
}

TEST(CommissionReportReader, CsvCases) {
    for (const ReadCase& c : csvCases()) check(c);
}

TEST(CommissionReportReader, JsonLinesCases) {
    for (const ReadCase& c : jsonCases()) check(c);
}

TEST(CommissionReportReader, HoldsVerifiedByMacAndImage) {
    const CommissionReportRead read = readCommissionReport(header() + csvRow(verifiedRecord()), kCsv);
    EXPECT_TRUE(read.contents.holdsVerified(kMac, kShaA));
    EXPECT_FALSE(read.contents.holdsVerified(kMac, kShaB));  // another image: commissioned again
    EXPECT_FALSE(read.contents.holdsVerified({0x00, 0x50, 0xC2, 0x12, 0x34, 0x57}, kShaA));
}

// What is written is what --resume reads: every record of every kind, names that need
// quoting included, in both formats.
TEST(CommissionReportReader, WrittenThenReadGivesTheSameVerifiedSet) {
    std::vector<CommissionRecord> records;
    std::set<std::pair<MacOctets, std::string>> expected;
    const std::string names[] = {"plain.tav", "a,b.tav", "q\"uote.tav", "=formula.tav", "cr\r\nlf.tav", "città.tav"};
    for (int i = 0; i < 60; ++i) {
        CommissionRecord record = numberedRecord(i, i % 2 ? kShaA : kShaB);
        record.imageName = names[i % std::size(names)];
        if (i % 5 == 1) {
            record = failedRecord(CommissionFailure::RegisterDiffers);
            record.reg = 0x21;
            record.regValue = 0;
        } else if (i % 5 == 2) {
            record.outcome = CommissionOutcome::Completed;
            record.verified = false;
        } else if (i % 5 == 3) {
            record.verified = false;  // not a line the engine writes: still not taken
        }
        record.mac[5] = static_cast<uint8_t>(i);
        if (record.outcome == CommissionOutcome::Verified && record.verified)
            expected.insert({record.mac, record.imageSha256});
        records.push_back(record);
    }
    for (const auto format : {kCsv, kJson}) {
        std::string text = format == kCsv ? header() : std::string();
        for (const CommissionRecord& record : records) text += commissionReportLine(record, format);
        const CommissionReportRead read = readCommissionReport(text, format);
        ASSERT_EQ(read.problem.status, kOk) << read.problem.reason << " line " << read.problem.line;
        EXPECT_EQ(read.contents.verified, expected);
        EXPECT_EQ(read.contents.lines, static_cast<int>(records.size()));
        EXPECT_EQ(read.wholeLength, text.size());
    }
}

}  // namespace
}  // namespace tavo
