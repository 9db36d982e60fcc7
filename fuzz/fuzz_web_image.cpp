// The image reader of "tavo image inspect" on any bytes: it never reads outside the
// buffer, and what it reports points inside the image.
#include <algorithm>
#include <span>

#include "FuzzCheck.h"
#include "WebImageReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tavo::WebImageContents contents = tavo::readWebImage(std::span(data, size));
    FUZZ_CHECK(contents.table.size() <= tavo::WEB_INDEX_COUNT);
    for (size_t r = 0; r < contents.records.size(); ++r) {
        const tavo::WebImageRecordView& record = contents.records[r];
        FUZZ_CHECK(record.offset < size);
        const bool pastEnd = std::any_of(contents.issues.begin(), contents.issues.end(), [&](const auto& issue) {
            return issue.problem == tavo::WebImageProblem::RecordPastEnd && issue.record == static_cast<int>(r);
        });
        // Only the last record may be one that runs past the end; every other lies inside.
        if (pastEnd) FUZZ_CHECK(r + 1 == contents.records.size());
        else FUZZ_CHECK(uint64_t{record.offset} + tavo::WEB_RECORD_HEADER_SIZE + record.length <= size);
        if (record.headerParsed) FUZZ_CHECK(record.headerSize + record.bodySize == record.length);
    }
    if (contents.defaultRecord) {
        FUZZ_CHECK(*contents.defaultRecord >= 0);
        FUZZ_CHECK(static_cast<size_t>(*contents.defaultRecord) < contents.records.size());
    }
    for (int r : contents.unreachable) FUZZ_CHECK(r >= 0 && static_cast<size_t>(r) < contents.records.size());
    for (const tavo::WebImageIssue& issue : contents.issues) {
        FUZZ_CHECK(issue.entry < static_cast<int>(tavo::WEB_INDEX_COUNT));
        (void)tavo::describeWebImageProblem(issue.problem);
    }
    return 0;
}
