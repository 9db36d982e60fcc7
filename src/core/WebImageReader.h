#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "WebImage.h"

// Takes a project file apart again: the offset table, the records in file order with
// their response headers, the default page and the records no table entry reaches.
// Every malformation is reported with what it concerns; the reader never reads outside
// the buffer it is given and goes on as far as the image still makes sense.
namespace tavo {

enum class WebImageProblem {
    TableCutShort,          // fewer than 1024 bytes
    OffsetInsideTable,      // entry: an offset 1..1023
    OffsetPastEnd,          // entry: an offset at or beyond the end of the image
    OffsetNotAtRecord,      // entry: an offset inside the records that starts none
    RecordHeaderCutShort,   // record: fewer than 6 bytes left for L and the flag
    RecordPastEnd,          // record: L runs past the end of the image
    BadHtmlFlag,            // record: a flag other than 0 or 1
    HeaderUnparsable,       // record: the response does not start with a header of the build's form
    ContentLengthMismatch,  // record: Content-Length differs from the bytes after the header
    HtmlFlagMismatch,       // record: the flag does not match the content type
    SeveralDefaultPages,    // entry: more than one record is addressed by several entries
};

struct WebImageIssue {
    WebImageProblem problem;
    int entry = -1;   // table entry concerned, or -1
    int record = -1;  // record number concerned, or -1
    uint64_t value = 0;  // the offending offset, length or flag
};

struct WebImageRecordView {
    uint32_t offset = 0;
    uint32_t length = 0;  // L
    uint16_t flag = 0;
    bool headerParsed = false;
    std::string statusLine;
    std::optional<uint64_t> contentLength;
    std::string contentType;
    uint64_t headerSize = 0;
    uint64_t bodySize = 0;
    std::vector<int> entries;  // table entries that address this record
};

struct WebImageContents {
    std::vector<uint32_t> table;  // 256 entries when the table is whole
    std::vector<WebImageRecordView> records;
    std::optional<int> defaultRecord;  // the record that the unused entries address
    std::vector<int> unreachable;      // records no table entry addresses
    std::vector<WebImageIssue> issues;
    bool ok() const { return issues.empty(); }
};

WebImageContents readWebImage(std::span<const uint8_t> image);

// A short English description of a problem, for the command line.
std::string describeWebImageProblem(WebImageProblem problem);

}  // namespace tavo
