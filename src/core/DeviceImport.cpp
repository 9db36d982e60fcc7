#include "DeviceImport.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unordered_map>

#include "DurableFile.h"

namespace tavo {
namespace {

namespace fs = std::filesystem;

fs::path pathFromUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string errnoText() { return errno != 0 ? std::strerror(errno) : "unknown error"; }

enum class ReadStatus { Read, Unreadable, TooLarge };

// The whole file, refusing one beyond `limit` bytes before it is read.
ReadStatus readBounded(const std::string& path, size_t limit, std::string& content, std::string& reason) {
    std::error_code ec;
    const fs::path where = pathFromUtf8(path);
    if (!fs::is_regular_file(where, ec)) {
        reason = ec ? ec.message() : (fs::exists(where, ec) ? "not a regular file" : "no such file");
        return ReadStatus::Unreadable;
    }
    errno = 0;
    std::ifstream in(where, std::ios::binary);
    if (!in) {
        reason = errnoText();
        return ReadStatus::Unreadable;
    }
    char piece[65536];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        content.append(piece, static_cast<size_t>(in.gcount()));
        if (content.size() > limit) return ReadStatus::TooLarge;
    }
    if (in.bad()) {
        reason = errnoText();
        return ReadStatus::Unreadable;
    }
    return ReadStatus::Read;
}

// The table's records by their texts, first record first (as the table's Find finds them).
struct TableIndex {
    std::unordered_map<std::string, int> byIp;
    std::unordered_map<std::string, int> byMac;
    explicit TableIndex(const std::vector<DeviceRecord>& records) {
        byIp.reserve(records.size());
        byMac.reserve(records.size());
        for (int i = 0; i < int(records.size()); ++i) {
            byIp.emplace(records[size_t(i)].IP, i);
            byMac.emplace(records[size_t(i)].MAC, i);
        }
    }
    static int find(const std::unordered_map<std::string, int>& map, const std::string& key) {
        const auto it = map.find(key);
        return it == map.end() ? -1 : it->second;
    }
};

// Plans every good row of `read` against the table: added at the end, or replacing a
// record; what cannot be done joins the problems of `read`.
void planRows(DeviceCsvRead& read, std::vector<DeviceRecord>& table, const DeviceImportOptions& options,
              DeviceImportResult& result) {
    const TableIndex index(table);
    std::unordered_map<int, int> replacedBy;  // record index -> line of the row replacing it
    const int tableBefore = int(table.size());
    table.reserve(table.size() + read.devices.size());
    result.devices.reserve(read.devices.size());
    for (const CsvDevice& device : read.devices) {
        const int byMac = TableIndex::find(index.byMac, device.record.MAC);
        const int byIp = TableIndex::find(index.byIp, device.record.IP);
        ImportedDevice imported;
        imported.line = device.line;
        imported.record = device.record;
        if (byMac < 0 && byIp < 0) {
            if (tableBefore + result.added >= CBootPFDB::kCapacity) {
                addCsvProblem(read, {device.line, 0, CsvProblemKind::TooManyRecords, CBootPFDB::kCapacity});
                continue;
            }
            ++result.added;
            table.push_back(device.record);
        } else if (!options.replace) {
            if (byMac >= 0)
                addCsvProblem(read, {device.line, device.macColumn, CsvProblemKind::DuplicateMacInTable, byMac + 1});
            if (byIp >= 0)
                addCsvProblem(read, {device.line, device.ipColumn, CsvProblemKind::DuplicateIpInTable, byIp + 1});
            continue;
        } else if (byMac >= 0 && byIp >= 0 && byMac != byIp) {
            addCsvProblem(read, {device.line, device.ipColumn, CsvProblemKind::TwoRecordsMatch, byIp + 1});
            continue;
        } else {
            const int at = byMac >= 0 ? byMac : byIp;
            if (const auto [first, isNew] = replacedBy.emplace(at, device.line); !isNew) {
                addCsvProblem(read, {device.line, 0, CsvProblemKind::RecordReplacedTwice, first->second});
                continue;
            }
            imported.replacedIndex = at;
            imported.replaced = table[size_t(at)];
            table[size_t(at)] = device.record;
            ++result.replaced;
        }
        result.devices.push_back(std::move(imported));
    }
}

}  // namespace

DeviceImportResult importDeviceCsv(const std::string& dataDir, std::string_view csv, const DeviceImportOptions& options,
                                   const TableMessageSink& sink) {
    DeviceImportResult result;
    DeviceCsvRead read = readDeviceCsv(csv);
    DeviceTable table(dataDir, sink);
    std::vector<DeviceRecord> records = table.list();
    if (!table.readable()) {
        result.status = DeviceImportStatus::TableUnreadable;
        return result;
    }
    planRows(read, records, options, result);
    result.problemCount = read.problemCount;
    result.problems = std::move(read.problems);
    sortCsvProblems(result.problems);
    result.tableCount = int(records.size());
    if (result.problemCount > 0) {
        result.status = DeviceImportStatus::Refused;
        result.devices.clear();
        result.added = result.replaced = 0;
        return result;
    }
    if (options.dryRun) {
        result.status = DeviceImportStatus::Checked;
        return result;
    }
    if (table.replaceAll(std::move(records)).status != DeviceTableStatus::Done) {
        result.status = DeviceImportStatus::NotSaved;
        return result;
    }
    result.status = DeviceImportStatus::Imported;
    std::vector<DeviceAddresses> addresses;
    addresses.reserve(result.devices.size());
    for (const ImportedDevice& d : result.devices) {
        const MacOctets mac = *parseMacArgument(d.record.MAC);
        addresses.push_back({{mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]}, ParseDottedIp(d.record.IP)});
    }
    // As for an added device: a history that cannot be written is reported and does not
    // undo the import.
    recordDeviceAddresses(dataDir, addresses, sink);
    return result;
}

DeviceImportResult importDeviceCsvFile(const std::string& dataDir, const std::string& csvPath,
                                       const DeviceImportOptions& options, const TableMessageSink& sink) {
    std::string text;
    DeviceImportResult result;
    switch (readBounded(csvPath, kMaxDeviceCsvBytes, text, result.reason)) {
    case ReadStatus::Read: return importDeviceCsv(dataDir, text, options, sink);
    case ReadStatus::Unreadable: result.status = DeviceImportStatus::FileUnreadable; break;
    case ReadStatus::TooLarge: result.status = DeviceImportStatus::FileTooLarge; break;
    }
    return result;
}

DeviceExportResult exportDeviceCsv(const std::string& dataDir, const TableMessageSink& sink) {
    DeviceExportResult result;
    DeviceTable table(dataDir, sink);
    const std::vector<DeviceRecord> records = table.list();
    if (!table.readable()) {
        result.status = DeviceExportStatus::TableUnreadable;
        return result;
    }
    result.count = int(records.size());
    result.csv = writeDeviceCsv(records);
    return result;
}

DeviceExportResult exportDeviceCsvFile(const std::string& dataDir, const std::string& csvPath,
                                       const TableMessageSink& sink) {
    DeviceExportResult result = exportDeviceCsv(dataDir, sink);
    if (result.status != DeviceExportStatus::Exported) return result;
    DurableFile file(csvPath);
    if (!file.write(result.csv, csvPath) || !file.commit()) {
        result.status = DeviceExportStatus::NotWritten;
        result.reason = file.error();
    }
    return result;
}

}  // namespace tavo
