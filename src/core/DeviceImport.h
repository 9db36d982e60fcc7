#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "DeviceCsv.h"
#include "DeviceTable.h"

// The device table in and out of a spreadsheet, once for every front end. An import
// reads and checks every row of the file, then checks the rows against the table
// (duplicates, unless replacing, and the table's capacity), and only when nothing is
// wrong saves the new table in one durable save and records the addresses in the
// histories as an added device's are. Any problem leaves every file as it was.
namespace tavo {

// A CSV file larger than this is refused unread: 5000 rows of a spreadsheet take well
// under a megabyte, and the whole file is held in memory.
inline constexpr size_t kMaxDeviceCsvBytes = 16u << 20;

struct DeviceImportOptions {
    bool replace = false;  // a row whose MAC or IP is in the table replaces that record
    bool dryRun = false;   // check and tell, change nothing
};

enum class DeviceImportStatus {
    Imported,        // the table was saved and the histories recorded
    Checked,         // dry run: the file is good; nothing changed
    Refused,         // problems in the file or against the table; nothing changed
    FileUnreadable,  // the CSV file cannot be opened or read (`reason`)
    FileTooLarge,    // the CSV file is larger than kMaxDeviceCsvBytes
    TableUnreadable, // "bootp.ini" exists but cannot be read (reported by the table)
    NotSaved,        // the save failed (reported by the table); the file is as it was
};

struct ImportedDevice {
    int line = 0;                 // the row's line in the file
    DeviceRecord record;          // as stored
    int replacedIndex = -1;       // the record it replaces, or -1 for an added device
    DeviceRecord replaced;        // that record as it was
};

struct DeviceImportResult {
    DeviceImportStatus status = DeviceImportStatus::Refused;
    std::vector<CsvProblem> problems;  // sorted by line and column, at most kMaxCsvProblems
    size_t problemCount = 0;
    std::vector<ImportedDevice> devices;  // in file order (also for a dry run)
    int added = 0;
    int replaced = 0;
    int tableCount = 0;  // records in the table afterwards (or, for a dry run, it would hold)
    std::string reason;  // FileUnreadable
    bool changed() const { return status == DeviceImportStatus::Imported; }
};

// Imports the CSV text into the table of `dataDir`.
DeviceImportResult importDeviceCsv(const std::string& dataDir, std::string_view csv, const DeviceImportOptions& options,
                                   const TableMessageSink& sink = {});
// The same with the text of the file at `csvPath` (UTF-8).
DeviceImportResult importDeviceCsvFile(const std::string& dataDir, const std::string& csvPath,
                                       const DeviceImportOptions& options, const TableMessageSink& sink = {});

enum class DeviceExportStatus { Exported, TableUnreadable, NotWritten };
struct DeviceExportResult {
    DeviceExportStatus status = DeviceExportStatus::Exported;
    int count = 0;
    std::string csv;     // the text written
    std::string reason;  // NotWritten
};

// The table as CSV text (writeDeviceCsv).
DeviceExportResult exportDeviceCsv(const std::string& dataDir, const TableMessageSink& sink = {});
// The same written to `csvPath` in one durable replace.
DeviceExportResult exportDeviceCsvFile(const std::string& dataDir, const std::string& csvPath,
                                       const TableMessageSink& sink = {});

}  // namespace tavo
