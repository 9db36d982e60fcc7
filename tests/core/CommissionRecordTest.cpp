#include <gtest/gtest.h>

#include "CommissionRecord.h"
#include "CommissionSamples.h"

namespace tavo {
namespace {

using testing::failedRecord;

TEST(CommissionRecord, NamesAreTheStableWords) {
    const std::pair<CommissionOutcome, std::string> outcomes[] = {
        {CommissionOutcome::Verified, "verified"},
        {CommissionOutcome::Completed, "completed"},
        {CommissionOutcome::Failed, "failed"},
        {CommissionOutcome::Interrupted, "interrupted"},
    };
    for (const auto& [outcome, name] : outcomes) EXPECT_EQ(commissionOutcomeName(outcome), name);
    const std::pair<CommissionFailure, std::string> failures[] = {
        {CommissionFailure::None, ""},
        {CommissionFailure::AddressNotConfirmed, "address_not_confirmed"},
        {CommissionFailure::OtherAddress, "other_address"},
        {CommissionFailure::NoSocket, "no_socket"},
        {CommissionFailure::DeviceSilent, "device_silent"},
        {CommissionFailure::BlocksDiffer, "blocks_differ"},
        {CommissionFailure::BlocksMissing, "blocks_missing"},
        {CommissionFailure::RegisterNoReply, "register_no_reply"},
        {CommissionFailure::RegisterDiffers, "register_differs"},
        {CommissionFailure::Interrupted, "interrupted"},
    };
    for (const auto& [failure, name] : failures) EXPECT_EQ(commissionFailureName(failure), name);
}

struct DetailCase {
    CommissionFailure failure;
    std::optional<int> block;
    std::optional<uint8_t> reg;
    std::optional<uint8_t> regValue;
    std::optional<Ipv4Octets> otherIp;
    std::string detail;
};

// Each failure with its figures, and without them: a figure the line did not give is
// left out rather than made up.
TEST(CommissionRecord, DetailNamesTheFailureWithItsFigures) {
    const DetailCase cases[] = {
        {CommissionFailure::None, {}, {}, {}, {}, ""},
        {CommissionFailure::AddressNotConfirmed, {}, {}, {}, {}, "no reply to the IP search by its MAC"},
        {CommissionFailure::OtherAddress, {}, {}, {}, Ipv4Octets{10, 0, 0, 7}, "answered at 10.0.0.7"},
        {CommissionFailure::OtherAddress, {}, {}, {}, {}, "answered at another address"},
        {CommissionFailure::NoSocket, {}, {}, {}, {}, "a socket could not be opened"},
        {CommissionFailure::DeviceSilent, 40, {}, {}, {}, "silent from block 40"},
        {CommissionFailure::DeviceSilent, 0, {}, {}, {}, "silent from block 0"},
        {CommissionFailure::DeviceSilent, {}, {}, {}, {}, "silent during the upload"},
        {CommissionFailure::BlocksDiffer, 1999, {}, {}, {}, "block 1999 differs after the re-sends"},
        {CommissionFailure::BlocksDiffer, {}, {}, {}, {}, "a block differs after the re-sends"},
        {CommissionFailure::BlocksMissing, 7, {}, {}, {}, "block 7 not read back after the re-sends"},
        {CommissionFailure::RegisterNoReply, {}, 0x0A, {}, {}, "register 0x0A: no reply"},
        {CommissionFailure::RegisterNoReply, {}, {}, {}, {}, "a register: no reply"},
        {CommissionFailure::RegisterDiffers, {}, 0x21, 0x00, {}, "register 0x21 read back 0x00"},
        {CommissionFailure::RegisterDiffers, {}, 0xFE, 0xAB, {}, "register 0xFE read back 0xAB"},
        {CommissionFailure::RegisterDiffers, {}, 0x21, {}, {}, "register 0x21 read back another value"},
        {CommissionFailure::Interrupted, {}, {}, {}, {}, "the line was stopped"},
    };
    for (const DetailCase& c : cases) {
        CommissionRecord record = failedRecord(c.failure);
        record.block = c.block;
        record.reg = c.reg;
        record.regValue = c.regValue;
        record.otherIp = c.otherIp;
        EXPECT_EQ(commissionFailureDetail(record), c.detail) << commissionFailureName(c.failure);
    }
}

}  // namespace
}  // namespace tavo
