#include "FlashStatus.h"

#include "FlashReadRun.h"

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

FlashStatus recordWhenPassed(FlashStatus checked, const TargetHistory& history, const Ipv4Octets& target) {
    if (checked == FlashStatus::Completed) recordTarget(history, target);
    return checked;
}

}  // namespace tavo
