#include "FlashStatus.h"

#include "FlashReadRun.h"
#include "IPFDB.h"

namespace tavo {

FlashStatus checkFlashInput(RangeCheck range, const Ipv4Octets& target) {
    switch (range) {
    case RangeCheck::FromOutOfRange: return FlashStatus::FromOutOfRange;
    case RangeCheck::ToOutOfRange: return FlashStatus::ToOutOfRange;
    case RangeCheck::FromAfterTo: return FlashStatus::FromAfterTo;
    case RangeCheck::Ok: break;
    }
    return target == Ipv4Octets{0, 0, 0, 0} ? FlashStatus::NoTarget : FlashStatus::Completed;
}

FlashStatus statusOf(FlashRunStatus status) {
    switch (status) {
    case FlashRunStatus::Completed: return FlashStatus::Completed;
    case FlashRunStatus::NoSocket: return FlashStatus::NoSocket;
    case FlashRunStatus::Stopped: break;
    }
    return FlashStatus::Stopped;
}

void recordTarget(const TargetHistory& history, const Ipv4Octets& target) {
    CIPFDB::AddIfAbsent(history.dataDir, target[0], target[1], target[2], target[3], history.sink);
}

}  // namespace tavo
