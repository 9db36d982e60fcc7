#include "TargetHistory.h"

#include "IPFDB.h"

namespace tavo {

void recordTarget(const TargetHistory& history, const Ipv4Octets& target) {
    CIPFDB::AddIfAbsent(history.dataDir, target[0], target[1], target[2], target[3], history.sink);
}

}  // namespace tavo
