#pragma once

// The English words of `tavo flash` and `tavo reg` for what the maintenance engines
// report. Each failure has a snake_case code that scripts test (it never changes) and a
// message for the operator. The Italian words shared with the page are in
// MaintenanceWords.h.
#include <QString>
#include <cstdint>
#include <vector>

#include "CliSupport.h"
#include "FlashStatus.h"

namespace tavo::cli {

// A refused range of a flash request (the engine's check); `last` is the operation's
// last sector.
EnglishFailure rangeFailure(FlashStatus status, uint32_t from, uint32_t to, uint32_t last);
EnglishFailure noSocketFailure(const QString& target);
EnglishFailure readStoppedFailure();
EnglishFailure sectorsMissingFailure(const QString& target, const std::vector<int>& missing, int requestsEach);
EnglishFailure clearNotSentFailure(int accepted, int sent);
EnglishFailure notSentFailure(const QString& target);
EnglishFailure replyUnreadableFailure();
EnglishFailure noReplyFailure(const QString& target, long long timeoutMs);

extern const char* const kBadSectorNumbers;
extern const char* const kOutputNeedsName;
extern const char* const kBadByte;
// "%1": the register as two hexadecimal digits.
extern const char* const kBelowRegisterSpaceWarning;
// "%1 of %2 requests sent, about %3 s left" on one terminal line.
extern const char* const kReadProgress;
// "%1" register, "%2" value, "%3" target.
extern const char* const kRegisterWritten;

}  // namespace tavo::cli
