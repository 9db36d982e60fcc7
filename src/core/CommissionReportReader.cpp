// Reading a report back for --resume: which devices it holds as verified, with the image
// they were verified with. Strict, because a file taken for a report by mistake would
// otherwise let the line skip devices that were never commissioned.
#include <algorithm>
#include <optional>
#include <vector>

#include "CommissionReport.h"
#include "FlatJson.h"

namespace tavo {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kSha256Digits = 64;
constexpr size_t kCsvColumns = 13;
// Every JSON line this program writes starts with these bytes.
constexpr std::string_view kJsonLineStart = "{\"time\":";

// The fields of a device line that --resume needs, already checked.
struct DeviceFields {
    std::optional<MacOctets> mac;
    std::string sha256;  // lowercase
    std::string outcome;
    bool verified = false;
};

bool isBlankText(std::string_view text) { return text.find_first_not_of(" \t\r") == std::string_view::npos; }

std::optional<std::string> sha256Digits(std::string_view text) {
    if (text.size() != kSha256Digits) return std::nullopt;
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
    }
    return lower;
}

bool isOutcomeName(std::string_view text) {
    for (const auto outcome : {CommissionOutcome::Verified, CommissionOutcome::Completed, CommissionOutcome::Failed,
                               CommissionOutcome::Interrupted}) {
        if (text == commissionOutcomeName(outcome)) return true;
    }
    return false;
}

// Reads one device line's four fields, or says which is wrong.
class DeviceLine {
public:
    // The reason the line is not a device line, or empty.
    std::string check(std::string_view mac, std::string_view sha256, std::string_view outcome) {
        m_fields.mac = parseMacArgument(mac);
        if (!m_fields.mac) return "mac is not a MAC address";
        const auto digits = sha256Digits(sha256);
        if (!digits) return "sha256 is not 64 hexadecimal digits";
        m_fields.sha256 = *digits;
        if (!isOutcomeName(outcome)) return "outcome is not an outcome's name";
        m_fields.outcome = std::string(outcome);
        return {};
    }
    void setVerified(bool verified) { m_fields.verified = verified; }
    void addTo(CommissionReportContents& contents) const {
        ++contents.lines;
        if (m_fields.verified && m_fields.outcome == commissionOutcomeName(CommissionOutcome::Verified))
            contents.verified.insert({*m_fields.mac, m_fields.sha256});
    }

private:
    DeviceFields m_fields;
};

void notAReport(CommissionReportRead& read, int line, std::string reason) {
    read.problem = {CommissionReportStatus::NotAReport, std::move(reason), line};
    read.contents = {};
}

// ---- CSV ----

// One record of RFC 4180: fields, quoted ones with "" for a quote and line ends inside.
struct CsvRecord {
    enum class End { Whole, Unfinished, Bad };
    End end = End::Whole;
    std::vector<std::string> fields;
    std::string_view raw;  // the record's text without its line end
    int lines = 1;         // the physical lines it spans
    size_t next = 0;       // where the next record starts
};

class CsvRecordReader {
public:
    explicit CsvRecordReader(std::string_view text) : m_text(text) {}
    bool atEnd() const { return m_at >= m_text.size(); }

    CsvRecord next() {
        CsvRecord record;
        const size_t start = m_at;
        while (true) {
            std::string field;
            if (!atEnd() && m_text[m_at] == '"') {
                if (!quoted(field, record)) return finish(record, start);
            } else {
                const size_t stop = m_text.find_first_of(",\n", m_at);
                const size_t end = stop == std::string_view::npos ? m_text.size() : stop;
                std::string_view plain = m_text.substr(m_at, end - m_at);
                m_at = end;
                if (!atEnd() && m_text[m_at] == '\n' && !plain.empty() && plain.back() == '\r') plain.remove_suffix(1);
                // A quote or a lone CR in a plain field is not something this program writes.
                if (plain.find_first_of("\"\r") != std::string_view::npos) {
                    record.end = CsvRecord::End::Bad;
                    return finish(record, start);
                }
                field.assign(plain);
            }
            record.fields.push_back(std::move(field));
            if (atEnd()) {
                record.end = CsvRecord::End::Unfinished;
                return finish(record, start);
            }
            const char c = m_text[m_at];
            if (c == ',') {
                ++m_at;
                continue;
            }
            if (c == '\r' && m_at + 1 < m_text.size() && m_text[m_at + 1] == '\n') ++m_at;
            if (m_text[m_at] != '\n') {
                record.end = CsvRecord::End::Bad;
                return finish(record, start);
            }
            record.raw = m_text.substr(start, m_at - start);
            if (!record.raw.empty() && record.raw.back() == '\r') record.raw.remove_suffix(1);
            ++m_at;
            record.next = m_at;
            return record;
        }
    }

private:
    // From the opening quote to just after the closing one; false when the text ends
    // inside (Unfinished) or the closing quote is not followed by a separator or a line
    // end (Bad).
    bool quoted(std::string& field, CsvRecord& record) {
        ++m_at;
        while (true) {
            const size_t stop = m_text.find_first_of("\"\n", m_at);
            if (stop == std::string_view::npos) {
                m_at = m_text.size();
                record.end = CsvRecord::End::Unfinished;
                return false;
            }
            field.append(m_text.substr(m_at, stop - m_at));
            m_at = stop + 1;
            if (m_text[stop] == '\n') {
                field += '\n';
                ++record.lines;
                continue;
            }
            if (m_at < m_text.size() && m_text[m_at] == '"') {
                field += '"';
                ++m_at;
                continue;
            }
            if (m_at >= m_text.size()) {
                record.end = CsvRecord::End::Unfinished;
                return false;
            }
            const char c = m_text[m_at];
            if (c == ',' || c == '\n' || (c == '\r' && m_at + 1 < m_text.size() && m_text[m_at + 1] == '\n'))
                return true;
            if (c == '\r' && m_at + 1 == m_text.size()) {
                record.end = CsvRecord::End::Unfinished;
                return false;
            }
            record.end = CsvRecord::End::Bad;
            return false;
        }
    }

    // A bad record whose physical line never ends is the unfinished last line of a write
    // cut short, not a wrong line.
    CsvRecord& finish(CsvRecord& record, size_t start) {
        if (record.end == CsvRecord::End::Bad && m_text.find('\n', m_at) == std::string_view::npos)
            record.end = CsvRecord::End::Unfinished;
        record.raw = m_text.substr(start);
        m_at = m_text.size();
        record.next = m_at;
        return record;
    }

    std::string_view m_text;
    size_t m_at = 0;
};

struct CsvColumns {
    size_t mac = 0, sha256 = 0, verified = 0, outcome = 0;
};

CsvColumns columnsOf(std::string_view header) {
    CsvColumns columns;
    size_t index = 0;
    for (size_t at = 0; at <= header.size(); ++index) {
        const size_t comma = std::min(header.find(',', at), header.size());
        const std::string_view name = header.substr(at, comma - at);
        if (name == "mac") columns.mac = index;
        if (name == "sha256") columns.sha256 = index;
        if (name == "verified") columns.verified = index;
        if (name == "outcome") columns.outcome = index;
        at = comma + 1;
    }
    return columns;
}

void readCsv(std::string_view text, size_t offset, CommissionReportRead& read) {
    const std::string header = commissionCsvHeader();
    const CsvColumns columns = columnsOf(header);
    CsvRecordReader reader(text);
    int line = 1;
    bool first = true;
    while (!reader.atEnd()) {
        const CsvRecord record = reader.next();
        const int at = line;
        line += record.lines;
        if (record.end == CsvRecord::End::Unfinished) {
            // Half a header is still the start of a report; anything else on the first
            // line says that the file is another one.
            if (first && !header.starts_with(record.raw) && record.raw != header + "\r")
                notAReport(read, at, "the first line is not the report's header");
            return;
        }
        if (record.end == CsvRecord::End::Bad) return notAReport(read, at, "a quote out of place");
        read.wholeLength = offset + record.next;
        if (first) {
            first = false;
            if (record.raw != header) return notAReport(read, at, "the first line is not the report's header");
            continue;
        }
        if (record.fields.size() == 1 && isBlankText(record.raw)) continue;
        if (record.fields.size() != kCsvColumns) return notAReport(read, at, "not a row of the report's columns");
        DeviceLine device;
        std::string reason = device.check(record.fields[columns.mac], record.fields[columns.sha256],
                                          record.fields[columns.outcome]);
        const std::string& verified = record.fields[columns.verified];
        if (reason.empty() && verified != "yes" && verified != "no") reason = "verified is not yes or no";
        if (!reason.empty()) return notAReport(read, at, reason);
        device.setVerified(verified == "yes");
        device.addTo(read.contents);
    }
}

// ---- JSON lines ----

void readJsonLines(std::string_view text, size_t offset, CommissionReportRead& read) {
    int line = 0;
    for (size_t at = 0; at < text.size();) {
        ++line;
        const size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            std::string_view rest = text.substr(at);
            rest.remove_prefix(std::min(rest.find_first_not_of(" \t\r"), rest.size()));
            if (read.contents.lines == 0 && !rest.starts_with(kJsonLineStart) && !kJsonLineStart.starts_with(rest))
                notAReport(read, line, "not a line of the report");
            return;
        }
        const std::string_view body = text.substr(at, end - at);
        at = end + 1;
        read.wholeLength = offset + at;
        if (isBlankText(body)) continue;
        const std::optional<FlatJsonObject> object = parseFlatJsonObject(body);
        if (!object) return notAReport(read, line, "not a one-level JSON object");
        // A key that is missing or not a string reads as an empty text, which no check takes.
        const auto stringField = [&](std::string_view key) {
            const FlatJsonValue* value = findJsonField(*object, key);
            return value != nullptr && value->kind == JsonValueKind::String ? std::string_view(value->text)
                                                                            : std::string_view();
        };
        DeviceLine device;
        const std::string reason =
            device.check(stringField("mac"), stringField("sha256"), stringField("outcome"));
        if (!reason.empty()) return notAReport(read, line, reason);
        const FlatJsonValue* verified = findJsonField(*object, "verified");
        if (verified == nullptr || (verified->kind != JsonValueKind::True && verified->kind != JsonValueKind::False))
            return notAReport(read, line, "verified is not true or false");
        device.setVerified(verified->kind == JsonValueKind::True);
        device.addTo(read.contents);
    }
}

}  // namespace

CommissionReportRead readCommissionReport(std::string_view text, CommissionReportFormat format) {
    CommissionReportRead read;
    size_t offset = 0;
    if (text.starts_with(kByteOrderMark)) {
        offset = kByteOrderMark.size();
        text.remove_prefix(offset);
    }
    if (format == CommissionReportFormat::Csv) {
        readCsv(text, offset, read);
    } else {
        readJsonLines(text, offset, read);
    }
    return read;
}

}  // namespace tavo
