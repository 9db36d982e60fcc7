#pragma once

#include "AddressText.h"
#include "FlashRange.h"
#include "TargetHistory.h"

namespace tavo {

enum class FlashRunStatus;

// How a flash read or clear ended, refusals first in the order they are checked: the
// range by the operation's rule, the target, the operator's confirmation; then the run.
enum class FlashStatus {
    Completed,  // every request went out (a read: every reply came or its wait ran out)
    FromOutOfRange,
    ToOutOfRange,
    FromAfterTo,
    NoTarget,      // 0.0.0.0
    NotConfirmed,  // a clear the operator did not confirm: nothing sent
    NoSocket,      // a socket could not be opened: the run stopped there
    Stopped,       // cancel() was called
};

// The range check's answer, then the target's; Completed when both pass.
FlashStatus checkFlashInput(RangeCheck range, const Ipv4Octets& target);

// The operator's status of a run's end.
FlashStatus statusOf(FlashRunStatus status);

// `checked` (a check's answer), the target recorded when it is Completed.
FlashStatus recordWhenPassed(FlashStatus checked, const TargetHistory& history, const Ipv4Octets& target);

}  // namespace tavo
