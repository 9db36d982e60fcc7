// The commissioning report's reader on any file, read as CSV and as JSON lines: whatever it
// takes as verified, written out again and read back, is the same set; and the text cut
// where open() cuts it, with one more line appended, reads as that set and the new device,
// which is what a line resumed after a crash relies on.
#include <string_view>

#include "CommissionReport.h"
#include "FuzzCheck.h"

namespace {

using tavo::CommissionReportFormat;
using tavo::CommissionReportStatus;

tavo::CommissionRecord verifiedLine(const tavo::MacOctets& mac, const std::string& sha256) {
    tavo::CommissionRecord record;
    record.time = "2026-12-11T17:40:05Z";
    record.mac = mac;
    record.imageName = "image.tav";
    record.imageSha256 = sha256;
    record.verified = true;
    record.outcome = tavo::CommissionOutcome::Verified;
    return record;
}

std::string newReport(CommissionReportFormat format) {
    return format == CommissionReportFormat::Csv ? tavo::commissionCsvHeader() + "\r\n" : std::string();
}

void check(std::string_view text, CommissionReportFormat format) {
    const tavo::CommissionReportRead read = tavo::readCommissionReport(text, format);
    if (read.problem.status != CommissionReportStatus::Ok) {
        FUZZ_CHECK(read.problem.status == CommissionReportStatus::NotAReport);
        FUZZ_CHECK(read.problem.line >= 1);
        FUZZ_CHECK(!read.problem.reason.empty());
        FUZZ_CHECK(read.contents.verified.empty());
        return;
    }
    FUZZ_CHECK(read.wholeLength <= text.size());
    FUZZ_CHECK(read.contents.verified.size() <= size_t(read.contents.lines));
    for (const auto& [mac, sha256] : read.contents.verified) FUZZ_CHECK(sha256.size() == 64);

    std::string again = newReport(format);
    for (const auto& [mac, sha256] : read.contents.verified)
        again += tavo::commissionReportLine(verifiedLine(mac, sha256), format);
    const tavo::CommissionReportRead reread = tavo::readCommissionReport(again, format);
    FUZZ_CHECK(reread.problem.status == CommissionReportStatus::Ok);
    FUZZ_CHECK(reread.contents.verified == read.contents.verified);
    FUZZ_CHECK(reread.wholeLength == again.size());

    std::string resumed(text.substr(0, read.wholeLength));
    if (resumed.empty()) resumed = newReport(format);
    const tavo::MacOctets mac{0x00, 0x50, 0xC2, 0xFF, 0xFF, 0xFE};
    const std::string sha256(64, 'e');
    resumed += tavo::commissionReportLine(verifiedLine(mac, sha256), format);
    const tavo::CommissionReportRead after = tavo::readCommissionReport(resumed, format);
    FUZZ_CHECK(after.problem.status == CommissionReportStatus::Ok);
    FUZZ_CHECK(after.wholeLength == resumed.size());
    auto expected = read.contents.verified;
    expected.insert({mac, sha256});
    FUZZ_CHECK(after.contents.verified == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check(text, CommissionReportFormat::Csv);
    check(text, CommissionReportFormat::JsonLines);
    return 0;
}
