#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "AddressText.h"
#include "BootPFDB.h"

// The device table as comma-separated values, the form a plant's address plan leaves a
// spreadsheet in. Reading takes what spreadsheets write: "," or ";" between the fields
// (European spreadsheets write semicolons), fields in double quotes with "" for a quote, a
// UTF-8 byte order mark, CR LF or LF, blank lines and rows of empty fields, the columns in
// any order by their header, names in any case:
//
//   ip,mac,gateway,subnet,htype,hlen
//   192.168.1.10,00:11:AA:BB:CC:DD,,,,
//
// ip and mac are needed; gateway, subnet, htype and hlen may be left out or left empty and
// then take what `tavo devices add` gives a new device. Reading is a pure function: every
// row is checked and every problem comes back with its line and column, nothing is
// decided about the table here.
namespace tavo {

inline constexpr const char* kDeviceCsvHeader = "ip,mac,gateway,subnet,htype,hlen";

enum class CsvColumn { Ip, Mac, Gateway, Subnet, HType, HLen };

enum class CsvProblemKind {
    NoHeader,            // the file has no header line
    UnknownColumn,       // a header name that is none of the six (a misspelt column would
                         // otherwise fall back to its default without a word)
    RepeatedColumn,      // a header name given twice
    MissingColumn,       // no ip or no mac column (`column` tells which: see `missing`)
    UnclosedQuote,       // a quoted field runs to the end of the file
    TextAfterQuote,      // a character other than a separator after a closing quote
    ExtraField,          // a row with a non-empty field beyond the header's columns
    MissingValue,        // an empty ip or mac field
    BadAddress,          // an ip, gateway or subnet that is not a dotted IPv4 address
    UnusableIp,          // 0.0.0.0, or an address ending in .0 or .255
    BadMac,              // not a MAC in any form `tavo devices add` takes
    BadNumber,           // htype or hlen not a decimal number 0..255
    DuplicateMacInFile,  // `other`: the line of the row that has it first
    DuplicateIpInFile,   // `other`: the line of the row that has it first
    DuplicateMacInTable, // `other`: the record number (from 1) in the table
    DuplicateIpInTable,  // `other`: the record number (from 1) in the table
    TwoRecordsMatch,     // replacing: the MAC is one record's and the IP another's
                         // (`other`: the record number of the IP's record)
    RecordReplacedTwice, // replacing: a second row for the same record (`other`: the
                         // line of the first)
    TooManyRecords,      // the row that would take the table beyond its capacity
                         // (`other`: the capacity)
};

struct CsvProblem {
    int line = 0;    // from 1; the line a row starts on
    int column = 0;  // from 1, as the fields stand in the row; 0 for the whole row or file
    CsvProblemKind kind = CsvProblemKind::NoHeader;
    int other = 0;   // see the kinds
    CsvColumn missing = CsvColumn::Ip;  // MissingColumn only
    bool operator==(const CsvProblem&) const = default;
};

// One good row: the record as `tavo devices add` would store it.
struct CsvDevice {
    int line = 0;
    int ipColumn = 0;
    int macColumn = 0;
    CBootPFDB::Record record;
    Ipv4Octets ip{};
    MacOctets mac{};
};

struct DeviceCsvRead {
    std::vector<CsvDevice> devices;    // the good rows, in file order
    std::vector<CsvProblem> problems;  // by line and column, at most kMaxCsvProblems
    size_t problemCount = 0;           // all of them, also those not kept
    bool ok() const { return problemCount == 0; }
};

// Problems kept for the operator; a file of thousands of bad rows is named by its first.
inline constexpr size_t kMaxCsvProblems = 100;

// Reads and checks every row, duplicates inside the file included.
DeviceCsvRead readDeviceCsv(std::string_view text);

// The header and one row per record in table order: dotted addresses without padding,
// the MAC as twelve hexadecimal digits, CR LF line ends.
std::string writeDeviceCsv(const std::vector<CBootPFDB::Record>& records);

// The header name of a column ("ip", "mac", ...).
const char* csvColumnName(CsvColumn column);

// Adds `problem` to `read`, keeping at most kMaxCsvProblems.
void addCsvProblem(DeviceCsvRead& read, const CsvProblem& problem);
// Orders problems by line, then column.
void sortCsvProblems(std::vector<CsvProblem>& problems);

}  // namespace tavo
