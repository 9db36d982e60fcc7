#include "DeviceCsv.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>

#include "DeviceTable.h"

namespace tavo {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kColumnCount = 6;
constexpr std::array<const char*, kColumnCount> kColumnNames{"ip", "mac", "gateway", "subnet", "htype", "hlen"};
constexpr Ipv4Octets kNoGateway{0, 0, 0, 0};

struct RawRow {
    int line = 0;
    std::vector<std::string> fields;
};

// Splits the text into rows of fields (RFC 4180 with either separator, and CR LF, LF or
// a lone CR as line ends). A problem of quoting ends the reading: the rows after it
// cannot be told apart reliably.
class CsvSplitter {
public:
    CsvSplitter(std::string_view text, char separator)
        : m_text(text), m_separator(separator), m_stops{separator, '"', '\r', '\n'} {}

    // Fills `row` with the next row; false at the end (or after a problem, set in
    // `problem`). The row's strings are reused from one row to the next.
    bool next(RawRow& row, std::optional<CsvProblem>& problem) {
        if (m_pos >= m_text.size()) return false;
        row.line = m_line;
        size_t count = 0;
        while (true) {
            if (count == row.fields.size()) row.fields.emplace_back();
            std::string& field = row.fields[count++];
            field.clear();
            while (true) {
                // The plain characters up to the next separator, quote or line end, at once.
                const size_t stop = m_text.find_first_of(m_stops, m_pos);
                const size_t end = stop == std::string_view::npos ? m_text.size() : stop;
                field.append(m_text.substr(m_pos, end - m_pos));
                m_pos = end;
                if (m_pos >= m_text.size() || m_text[m_pos] != '"') break;
                if (isBlank(field)) {
                    if (!readQuoted(field, int(count), problem)) return false;
                    break;
                }
                // A quote inside a field is taken as it stands, as spreadsheets read it.
                field += '"';
                ++m_pos;
            }
            if (m_pos >= m_text.size()) break;
            const char c = m_text[m_pos++];
            if (c == m_separator) continue;
            if (c == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n') ++m_pos;
            ++m_line;
            break;
        }
        row.fields.resize(count);
        return true;
    }

private:
    static bool isBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

    // From the opening quote to the character after the closing one; blanks after it are
    // dropped, anything else but a separator or a line end is a problem.
    bool readQuoted(std::string& field, int column, std::optional<CsvProblem>& problem) {
        const int startLine = m_line;
        field.clear();
        ++m_pos;
        while (true) {
            if (m_pos >= m_text.size()) {
                problem = CsvProblem{startLine, column, CsvProblemKind::UnclosedQuote};
                return false;
            }
            const char c = m_text[m_pos++];
            if (c == '"') {
                if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                    field += '"';
                    ++m_pos;
                    continue;
                }
                break;
            }
            if (c == '\n' || (c == '\r' && (m_pos >= m_text.size() || m_text[m_pos] != '\n'))) ++m_line;
            field += c;
        }
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t')) ++m_pos;
        if (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c != m_separator && c != '\n' && c != '\r') {
                problem = CsvProblem{m_line, column, CsvProblemKind::TextAfterQuote};
                return false;
            }
        }
        return true;
    }

    std::string_view m_text;
    char m_separator;
    std::string m_stops;  // the characters that end a run of plain ones
    size_t m_pos = 0;
    int m_line = 1;
};

// The separator is the one of the two that the header line (the first that is not empty)
// holds more of; the header's names hold neither.
char detectSeparator(std::string_view text) {
    int commas = 0, semicolons = 0;
    bool quoted = false;
    bool inHeader = false;
    for (const char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') {
            if (inHeader) break;
            continue;
        }
        inHeader = true;
        commas += c == ',';
        semicolons += c == ';';
    }
    return semicolons > commas ? ';' : ',';
}

std::string trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::string lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return text;
}

bool isBlankRow(const RawRow& row) {
    for (const std::string& field : row.fields) {
        if (!trimmed(field).empty()) return false;
    }
    return true;
}

std::optional<int> parseSmallNumber(const std::string& text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 255) return std::nullopt;
    return value;
}

// Where each of the six columns stands in a row (1-based field number, 0 when absent).
using ColumnPlaces = std::array<int, kColumnCount>;

bool readHeader(const RawRow& header, ColumnPlaces& places, DeviceCsvRead& read) {
    places.fill(0);
    bool ok = true;
    for (size_t f = 0; f < header.fields.size(); ++f) {
        const std::string name = lowered(trimmed(header.fields[f]));
        const int column = int(f) + 1;
        if (name.empty() && f + 1 == header.fields.size() && f > 0) break;  // a trailing separator
        size_t k = 0;
        while (k < kColumnCount && name != kColumnNames[k]) ++k;
        if (k == kColumnCount) {
            addCsvProblem(read, {header.line, column, CsvProblemKind::UnknownColumn});
            ok = false;
        } else if (places[k] != 0) {
            addCsvProblem(read, {header.line, column, CsvProblemKind::RepeatedColumn, places[k]});
            ok = false;
        } else {
            places[k] = column;
        }
    }
    for (const CsvColumn needed : {CsvColumn::Ip, CsvColumn::Mac}) {
        if (places[size_t(needed)] == 0) {
            CsvProblem problem{header.line, 0, CsvProblemKind::MissingColumn};
            problem.missing = needed;
            addCsvProblem(read, problem);
            ok = false;
        }
    }
    return ok;
}

// Checks one row's fields; a good row becomes a device.
std::optional<CsvDevice> readRow(const RawRow& row, const ColumnPlaces& places, size_t headerFields,
                                 DeviceCsvRead& read) {
    bool ok = true;
    const auto problem = [&](int column, CsvProblemKind kind) {
        addCsvProblem(read, {row.line, column, kind});
        ok = false;
    };
    for (size_t f = headerFields; f < row.fields.size(); ++f) {
        if (!trimmed(row.fields[f]).empty()) problem(int(f) + 1, CsvProblemKind::ExtraField);
    }
    const auto field = [&](CsvColumn column) {
        const int place = places[size_t(column)];
        return place > 0 && size_t(place) <= row.fields.size() ? trimmed(row.fields[size_t(place) - 1]) : std::string();
    };
    const auto place = [&](CsvColumn column) { return places[size_t(column)]; };

    CsvDevice device;
    device.line = row.line;
    device.ipColumn = place(CsvColumn::Ip);
    device.macColumn = place(CsvColumn::Mac);
    const std::string ipText = field(CsvColumn::Ip);
    if (ipText.empty()) {
        problem(device.ipColumn, CsvProblemKind::MissingValue);
    } else if (const auto ip = parseIpArgument(ipText); !ip) {
        problem(device.ipColumn, CsvProblemKind::BadAddress);
    } else if (checkNewDevice(*ip, true) != NewDeviceProblem::None) {
        problem(device.ipColumn, CsvProblemKind::UnusableIp);
    } else {
        device.ip = *ip;
    }
    const std::string macText = field(CsvColumn::Mac);
    if (macText.empty()) {
        problem(device.macColumn, CsvProblemKind::MissingValue);
    } else if (const auto mac = parseMacArgument(macText); !mac) {
        problem(device.macColumn, CsvProblemKind::BadMac);
    } else {
        device.mac = *mac;
    }
    const auto address = [&](CsvColumn column, Ipv4Octets fallback) {
        const std::string text = field(column);
        if (text.empty()) return fallback;
        const auto parsed = parseIpArgument(text);
        if (!parsed) problem(place(column), CsvProblemKind::BadAddress);
        return parsed.value_or(fallback);
    };
    const Ipv4Octets gateway = address(CsvColumn::Gateway, kNoGateway);
    const Ipv4Octets subnet = address(CsvColumn::Subnet, kNewDeviceSubnet);
    const auto number = [&](CsvColumn column, int fallback) {
        const std::string text = field(column);
        if (text.empty()) return fallback;
        const auto parsed = parseSmallNumber(text);
        if (!parsed) problem(place(column), CsvProblemKind::BadNumber);
        return parsed.value_or(fallback);
    };
    const int htype = number(CsvColumn::HType, kNewDeviceHType);
    const int hlen = number(CsvColumn::HLen, kNewDeviceHLen);
    if (!ok) return std::nullopt;
    device.record = newDeviceRecord(device.ip, device.mac, gateway, subnet);
    device.record.HType = htype;
    device.record.hlen = hlen;
    return device;
}

uint32_t ipKey(const Ipv4Octets& ip) {
    return (uint32_t(ip[0]) << 24) | (uint32_t(ip[1]) << 16) | (uint32_t(ip[2]) << 8) | ip[3];
}

uint64_t macKey(const MacOctets& mac) {
    uint64_t key = 0;
    for (const uint8_t b : mac) key = (key << 8) | b;
    return key;
}

// The MACs and IPs of the rows taken so far: a later row with either is named.
class FileDuplicates {
public:
    explicit FileDuplicates(size_t rows) {
        m_macs.reserve(rows);
        m_ips.reserve(rows);
    }
    // True when the device is the first with its MAC and its IP.
    bool take(const CsvDevice& device, DeviceCsvRead& read) {
        const auto [mac, macNew] = m_macs.emplace(macKey(device.mac), device.line);
        const auto [ip, ipNew] = m_ips.emplace(ipKey(device.ip), device.line);
        if (!macNew) addCsvProblem(read, {device.line, device.macColumn, CsvProblemKind::DuplicateMacInFile, mac->second});
        if (!ipNew) addCsvProblem(read, {device.line, device.ipColumn, CsvProblemKind::DuplicateIpInFile, ip->second});
        return macNew && ipNew;
    }

private:
    std::unordered_map<uint64_t, int> m_macs;
    std::unordered_map<uint32_t, int> m_ips;
};

// A field as it goes into a row: quoted when it holds a separator, a quote or a line end.
void appendField(std::string& out, std::string_view text) {
    if (text.find_first_of(",;\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

const char* csvColumnName(CsvColumn column) { return kColumnNames[size_t(column)]; }

void addCsvProblem(DeviceCsvRead& read, const CsvProblem& problem) {
    if (read.problems.size() < kMaxCsvProblems) read.problems.push_back(problem);
    ++read.problemCount;
}

void sortCsvProblems(std::vector<CsvProblem>& problems) {
    std::stable_sort(problems.begin(), problems.end(), [](const CsvProblem& a, const CsvProblem& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
}

DeviceCsvRead readDeviceCsv(std::string_view text) {
    DeviceCsvRead read;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    CsvSplitter splitter(text, detectSeparator(text));
    std::optional<CsvProblem> quoting;
    RawRow header;
    bool found = false;
    while ((found = splitter.next(header, quoting)) && isBlankRow(header)) {
    }
    if (quoting) {
        addCsvProblem(read, *quoting);
        return read;
    }
    if (!found) {
        addCsvProblem(read, {1, 0, CsvProblemKind::NoHeader});
        return read;
    }
    ColumnPlaces places{};
    if (!readHeader(header, places, read)) return read;
    const size_t headerFields = header.fields.size();
    // About one row per 40 bytes, as a spreadsheet writes them; a bound, not a limit.
    const size_t expectedRows = std::min<size_t>(text.size() / 40 + 1, 2 * CBootPFDB::kCapacity);
    read.devices.reserve(expectedRows);
    FileDuplicates duplicates(expectedRows);
    RawRow row;
    while (splitter.next(row, quoting)) {
        if (isBlankRow(row)) continue;
        auto device = readRow(row, places, headerFields, read);
        if (device && duplicates.take(*device, read)) read.devices.push_back(std::move(*device));
    }
    if (quoting) addCsvProblem(read, *quoting);
    sortCsvProblems(read.problems);
    return read;
}

std::string writeDeviceCsv(const std::vector<CBootPFDB::Record>& records) {
    std::string out;
    out.reserve(40 + records.size() * 64);
    out.append(kDeviceCsvHeader).append("\r\n");
    for (const CBootPFDB::Record& r : records) {
        appendField(out, formatDotted(ParseDottedIp(r.IP)));
        out += ',';
        appendField(out, r.MAC);
        out += ',';
        appendField(out, formatDotted(ParseDottedIp(r.Gateway)));
        out += ',';
        appendField(out, formatDotted(ParseDottedIp(r.Subnet)));
        out.append(",").append(std::to_string(r.HType)).append(",").append(std::to_string(r.hlen)).append("\r\n");
    }
    return out;
}

}  // namespace tavo
