#pragma once

#include <QtGlobal>
#include <vector>

#include "PreflightFinding.h"

namespace tavo {

// The programs that hold a UDP socket on `port` on any local address, IPv4 or IPv6,
// each process once: on Linux from /proc/net/udp{,6} and the processes' descriptor
// links, on Windows from the system's UDP table with owning process. A process this
// user may not look into is left out; empty where the platform offers neither.
std::vector<PortHolder> udpPortHolders(quint16 port);

}  // namespace tavo
