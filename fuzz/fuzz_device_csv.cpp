// The device table's CSV reader on any file a spreadsheet might write: whatever it
// accepts, written out again and read back, is the same records; problems stay within
// their bound and name a line of the text.
#include <algorithm>
#include <string_view>

#include "DeviceCsv.h"
#include "FuzzCheck.h"

namespace {

bool sameRecord(const tavo::CBootPFDB::Record& a, const tavo::CBootPFDB::Record& b) {
    return a.HType == b.HType && a.hlen == b.hlen && a.IP == b.IP && a.MAC == b.MAC && a.Gateway == b.Gateway &&
           a.Subnet == b.Subnet;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tavo::DeviceCsvRead read = tavo::readDeviceCsv(text);
    FUZZ_CHECK(read.problems.size() <= tavo::kMaxCsvProblems);
    FUZZ_CHECK(read.problems.size() <= read.problemCount);
    FUZZ_CHECK(read.ok() == read.problems.empty());
    const auto lines = size_t(std::count(text.begin(), text.end(), '\n') + std::count(text.begin(), text.end(), '\r') + 1);
    for (const tavo::CsvProblem& problem : read.problems) FUZZ_CHECK(problem.line >= 0 && size_t(problem.line) <= lines);
    if (!read.ok()) return 0;

    std::vector<tavo::CBootPFDB::Record> records;
    for (const tavo::CsvDevice& device : read.devices) records.push_back(device.record);
    const tavo::DeviceCsvRead again = tavo::readDeviceCsv(tavo::writeDeviceCsv(records));
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(again.devices.size() == records.size());
    for (size_t i = 0; i < records.size(); ++i) FUZZ_CHECK(sameRecord(again.devices[i].record, records[i]));
    return 0;
}
