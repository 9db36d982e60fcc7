#pragma once

// Records of the commissioning line's report tests: a verified device and failed ones
// carrying each kind of figure.
#include <string>

#include "CommissionRecord.h"

namespace tavo::testing {

inline const std::string kShaA = "3a7bd3e2360a3d29eea436fcfb7e44c735d117c42d1c1835420b6b9942dd4f1b";
inline const std::string kShaB = std::string(64, 'b');

inline CommissionRecord verifiedRecord() {
    CommissionRecord record;
    record.time = "2026-12-11T17:40:05Z";
    record.mac = {0x00, 0x50, 0xC2, 0x12, 0x34, 0x56};
    record.ip = {192, 168, 1, 10};
    record.imageName = "plant.tav";
    record.imageSha256 = kShaA;
    record.blocksSent = 512;
    record.blocksResent = 3;
    record.registersWritten = 4;
    record.verified = true;
    record.seconds = 12.34;
    record.outcome = CommissionOutcome::Verified;
    return record;
}

inline CommissionRecord failedRecord(CommissionFailure failure) {
    CommissionRecord record = verifiedRecord();
    record.verified = false;
    record.outcome = CommissionOutcome::Failed;
    record.failure = failure;
    return record;
}

// A device numbered `n`: its MAC carries the number.
inline CommissionRecord numberedRecord(int n, const std::string& sha = kShaA) {
    CommissionRecord record = verifiedRecord();
    record.mac = {0x00, 0x50, 0xC2, static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                  static_cast<uint8_t>(n)};
    record.imageSha256 = sha;
    return record;
}

}  // namespace tavo::testing
