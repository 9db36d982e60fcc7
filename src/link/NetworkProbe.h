#pragma once

namespace tavo {

// Whether the network layer works: a UDP socket can be opened on an ephemeral port.
// Nothing is sent.
bool udpSocketsAvailable();

}  // namespace tavo
