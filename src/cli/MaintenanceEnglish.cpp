#include "MaintenanceEnglish.h"

#include "FlashDump.h"

namespace tavo::cli {

const char* const kBadSectorNumbers = "FROM and TO must be decimal sector numbers";
const char* const kOutputNeedsName = "-o needs a file name";
const char* const kBadByte = "not a hexadecimal byte (one or two digits): ";
const char* const kBelowRegisterSpaceWarning =
    "tavo: warning: register %1 lies below 10, outside the register space; read sent all the same\n";
const char* const kReadProgress = "\rtavo: %1 of %2 requests sent, about %3 s left   ";
const char* const kRegisterWritten = "register %1 set to %2 on %3";

EnglishFailure rangeFailure(FlashStatus status, uint32_t from, uint32_t to, uint32_t last) {
    switch (status) {
    case FlashStatus::FromOutOfRange: return {"bad_range", QString("FROM %1 is out of range (0 to %2)").arg(from).arg(last)};
    case FlashStatus::ToOutOfRange: return {"bad_range", QString("TO %1 is out of range (0 to %2)").arg(to).arg(last)};
    case FlashStatus::FromAfterTo: return {"bad_range", QString("FROM %1 is greater than TO %2").arg(from).arg(to)};
    default: return {"bad_range", {}};  // the command line refuses 0.0.0.0 with the address
    }
}

EnglishFailure noSocketFailure(const QString& target) {
    return {"no_socket", "a socket to " + target + " could not be opened"};
}

EnglishFailure readStoppedFailure() { return {"stopped", "read stopped"}; }

EnglishFailure sectorsMissingFailure(const QString& target, const std::vector<int>& missing, int requestsEach) {
    return {"sectors_missing", QString("no reply from %1 for sector(s) %2 after %3 requests each")
                                   .arg(target, QString::fromStdString(sectorList(missing)))
                                   .arg(requestsEach)};
}

EnglishFailure clearNotSentFailure(int accepted, int sent) {
    return {"not_sent", QString("only %1 of %2 sector writes could be sent").arg(accepted).arg(sent)};
}

EnglishFailure notSentFailure(const QString& target) {
    return {"not_sent", "the command could not be sent to " + target};
}

EnglishFailure replyUnreadableFailure() {
    return {"reply_unreadable",
            "the reply could not be read: nothing listens at the device port, or the reply is too long"};
}

EnglishFailure noReplyFailure(const QString& target, long long timeoutMs) {
    return {"no_reply", QString("no reply from %1 within %2 ms").arg(target).arg(timeoutMs)};
}

}  // namespace tavo::cli
