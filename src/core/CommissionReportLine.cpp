// The report's line formats: the CSV header and rows, and the JSON-lines objects.
#include <charconv>
#include <cmath>

#include "CommissionReport.h"
#include "FlatJson.h"
#include "Utf8Text.h"

namespace tavo {
namespace {

constexpr std::string_view kCsvHeader =
    "time,mac,ip,image,sha256,blocks_sent,blocks_resent,registers_written,verified,seconds,outcome,reason,detail";
constexpr std::string_view kCsvLineEnd = "\r\n";
constexpr std::string_view kJsonLineEnd = "\n";

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// One decimal whatever the process's locale (an Italian one would write a comma, which
// is the CSV separator); a time that is not a finite positive number is written as 0.0
// rather than as a word no reader takes.
std::string secondsText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, 1);
    return std::string(text, result.ptr);
}

std::string hexByte(uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string{'0', 'x', kDigits[value >> 4], kDigits[value & 0xF]};
}

// RFC 4180: quoted only when the field holds a separator, a quote or a line end.
std::string csvField(std::string_view text) {
    const std::string valid = replaceInvalidUtf8(text);
    if (valid.find_first_of(",\"\r\n") == std::string::npos) return valid;
    std::string out = "\"";
    for (const char c : valid) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

// A file name is the one text in a row that comes from outside: one that starts like a
// formula would be run by a spreadsheet that opens the report, so it is given a leading
// single quote, which shows it as text.
std::string spreadsheetSafe(std::string_view text) {
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        return "'" + std::string(text);
    return std::string(text);
}

std::string csvLine(const CommissionRecord& record) {
    const std::string fields[] = {
        csvField(record.time),
        FormatMac(record.mac),
        formatDotted(record.ip),
        csvField(spreadsheetSafe(record.imageName)),
        csvField(record.imageSha256),
        std::to_string(record.blocksSent),
        std::to_string(record.blocksResent),
        std::to_string(record.registersWritten),
        record.verified ? "yes" : "no",
        secondsText(record.seconds),
        commissionOutcomeName(record.outcome),
        commissionFailureName(record.failure),
        csvField(commissionFailureDetail(record)),
    };
    std::string line;
    for (const std::string& field : fields) {
        if (&field != fields) line += ',';
        line += field;
    }
    return line;
}

template <typename T, typename Format>
std::string orNull(const std::optional<T>& value, Format format) {
    return value ? format(*value) : std::string("null");
}

std::string jsonLine(const CommissionRecord& record) {
    std::string line = "{";
    const auto key = [&line](std::string_view name, std::string_view value) {
        if (line.size() > 1) line += ',';
        line += '"';
        line += name;
        line += "\":";
        line += value;
    };
    key("time", jsonQuoted(record.time));
    key("mac", jsonQuoted(FormatMac(record.mac)));
    key("ip", jsonQuoted(formatDotted(record.ip)));
    key("image", jsonQuoted(record.imageName));
    key("sha256", jsonQuoted(record.imageSha256));
    key("blocksSent", std::to_string(record.blocksSent));
    key("blocksResent", std::to_string(record.blocksResent));
    key("registersWritten", std::to_string(record.registersWritten));
    key("verified", record.verified ? "true" : "false");
    key("seconds", secondsText(record.seconds));
    key("outcome", jsonQuoted(commissionOutcomeName(record.outcome)));
    const bool failed = record.failure != CommissionFailure::None;
    key("reason", failed ? jsonQuoted(commissionFailureName(record.failure)) : "null");
    key("detail", failed ? jsonQuoted(commissionFailureDetail(record)) : "null");
    key("block", orNull(record.block, [](int block) { return std::to_string(block); }));
    key("register", orNull(record.reg, [](uint8_t reg) { return jsonQuoted(hexByte(reg)); }));
    key("registerValue", orNull(record.regValue, [](uint8_t value) { return jsonQuoted(hexByte(value)); }));
    key("otherIp", orNull(record.otherIp, [](const Ipv4Octets& ip) { return jsonQuoted(formatDotted(ip)); }));
    line += '}';
    return line;
}

}  // namespace

CommissionReportFormat commissionReportFormat(std::string_view path) {
    const size_t folderEnd = path.find_last_of("/\\");
    const std::string_view name = folderEnd == std::string_view::npos ? path : path.substr(folderEnd + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return CommissionReportFormat::Csv;
    std::string extension;
    for (const char c : name.substr(dot)) extension += lowered(c);
    if (extension == ".jsonl" || extension == ".ndjson" || extension == ".json") return CommissionReportFormat::JsonLines;
    return CommissionReportFormat::Csv;
}

std::string commissionCsvHeader() { return std::string(kCsvHeader); }

std::string commissionReportLine(const CommissionRecord& record, CommissionReportFormat format) {
    if (format == CommissionReportFormat::Csv) return csvLine(record) + std::string(kCsvLineEnd);
    return jsonLine(record) + std::string(kJsonLineEnd);
}

}  // namespace tavo
