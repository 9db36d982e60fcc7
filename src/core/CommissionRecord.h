#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "AddressText.h"

// What the commissioning line did to one device: one line of its report.
namespace tavo {

enum class CommissionOutcome {
    Verified,     // every block read back equal, every register read back as written
    Completed,    // everything sent and written, the read-back was not asked for
    Failed,       // see CommissionFailure
    Interrupted,  // the line was stopped while the device was in progress
};

enum class CommissionFailure {
    None,
    AddressNotConfirmed,  // the IP search by its MAC got no reply
    OtherAddress,         // the search found it at another address (otherIp)
    NoSocket,             // a socket could not be opened
    DeviceSilent,         // it stopped answering during the upload (block: the first not confirmed)
    BlocksDiffer,         // after the re-sends a block still differs (block: the first)
    BlocksMissing,        // after the re-sends a block never came back (block: the first)
    RegisterNoReply,      // a register read-back got no reply (reg)
    RegisterDiffers,      // a register read back another value (reg, regValue: the value read)
    Interrupted,          // with CommissionOutcome::Interrupted
};

struct CommissionRecord {
    std::string time;  // when the device ended, UTC, "2026-12-11T17:40:05Z"
    MacOctets mac{};
    Ipv4Octets ip{};          // the address it was given
    std::string imageName;    // the project file's name, without its folder
    std::string imageSha256;  // 64 lowercase hexadecimal digits
    int blocksSent = 0;       // every block handed to the socket, re-sent ones included
    int blocksResent = 0;     // of those, sent again after a read-back
    int registersWritten = 0;
    bool verified = false;
    double seconds = 0;  // from the BootP reply to the end
    CommissionOutcome outcome = CommissionOutcome::Failed;
    CommissionFailure failure = CommissionFailure::None;
    std::optional<int> block;
    std::optional<uint8_t> reg;
    std::optional<uint8_t> regValue;
    std::optional<Ipv4Octets> otherIp;
};

// Stable words for files and scripts: "verified", "completed", "failed", "interrupted";
// "" for None, "address_not_confirmed", "other_address", "no_socket", "device_silent",
// "blocks_differ", "blocks_missing", "register_no_reply", "register_differs", "interrupted".
const char* commissionOutcomeName(CommissionOutcome outcome);
const char* commissionFailureName(CommissionFailure failure);
// The failure in a few English words with its figures ("silent from block 40",
// "register 0x21 read back 0x00"); "" for None.
std::string commissionFailureDetail(const CommissionRecord& record);

}  // namespace tavo
