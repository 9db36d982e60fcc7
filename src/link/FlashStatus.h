#pragma once

#include <string>

#include "AddressText.h"
#include "FlashRange.h"
#include "TableMessage.h"

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

// Where an operation records its target, and who hears of the history file's problems.
struct TargetHistory {
    std::string dataDir;  // UTF-8 folder of "iph.ini"
    TableMessageSink sink;
};

// Records the target in the IP history unless it is there already.
void recordTarget(const TargetHistory& history, const Ipv4Octets& target);

}  // namespace tavo
