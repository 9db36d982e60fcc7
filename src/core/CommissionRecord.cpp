#include "CommissionRecord.h"

namespace tavo {
namespace {

std::string hexByte(uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string{'0', 'x', kDigits[value >> 4], kDigits[value & 0xF]};
}

}  // namespace

const char* commissionOutcomeName(CommissionOutcome outcome) {
    switch (outcome) {
    case CommissionOutcome::Verified: return "verified";
    case CommissionOutcome::Completed: return "completed";
    case CommissionOutcome::Failed: return "failed";
    case CommissionOutcome::Interrupted: return "interrupted";
    }
    return "failed";
}

const char* commissionFailureName(CommissionFailure failure) {
    switch (failure) {
    case CommissionFailure::None: return "";
    case CommissionFailure::AddressNotConfirmed: return "address_not_confirmed";
    case CommissionFailure::OtherAddress: return "other_address";
    case CommissionFailure::NoSocket: return "no_socket";
    case CommissionFailure::DeviceSilent: return "device_silent";
    case CommissionFailure::BlocksDiffer: return "blocks_differ";
    case CommissionFailure::BlocksMissing: return "blocks_missing";
    case CommissionFailure::RegisterNoReply: return "register_no_reply";
    case CommissionFailure::RegisterDiffers: return "register_differs";
    case CommissionFailure::Interrupted: return "interrupted";
    }
    return "";
}

// A figure the line did not fill in leaves the sentence without it rather than with a
// made-up number: the report must never name a block or register that was not the one.
std::string commissionFailureDetail(const CommissionRecord& record) {
    const std::string block = record.block ? std::to_string(*record.block) : std::string();
    const std::string reg = record.reg ? "register " + hexByte(*record.reg) : std::string("a register");
    switch (record.failure) {
    case CommissionFailure::None: return {};
    case CommissionFailure::AddressNotConfirmed: return "no reply to the IP search by its MAC";
    case CommissionFailure::OtherAddress:
        return record.otherIp ? "answered at " + formatDotted(*record.otherIp) : "answered at another address";
    case CommissionFailure::NoSocket: return "a socket could not be opened";
    case CommissionFailure::DeviceSilent:
        return record.block ? "silent from block " + block : "silent during the upload";
    case CommissionFailure::BlocksDiffer:
        return (record.block ? "block " + block : std::string("a block")) + " differs after the re-sends";
    case CommissionFailure::BlocksMissing:
        return (record.block ? "block " + block : std::string("a block")) + " not read back after the re-sends";
    case CommissionFailure::RegisterNoReply: return reg + ": no reply";
    case CommissionFailure::RegisterDiffers:
        return reg + " read back " + (record.regValue ? hexByte(*record.regValue) : std::string("another value"));
    case CommissionFailure::Interrupted: return "the line was stopped";
    }
    return {};
}

}  // namespace tavo
