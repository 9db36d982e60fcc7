#pragma once

#include <string>

#include "AddressText.h"
#include "TableMessage.h"

namespace tavo {

// Where an operation records its target, and who hears of the history file's problems.
struct TargetHistory {
    std::string dataDir;  // UTF-8 folder of "iph.ini"
    TableMessageSink sink;
};

// Records the target in the IP history unless it is there already.
void recordTarget(const TargetHistory& history, const Ipv4Octets& target);

}  // namespace tavo
