#pragma once

#include <optional>
#include <string>

#include "AddressText.h"

// What the BootP server reports to its front ends (their words are in BootpWords).
namespace tavo {

enum class BootpStatus {
    Initializing,            // start requested
    Waiting,                 // the server port is open
    Stopped,                 // the server was stopped
    Received,                // a request of the family came in
    InvalidRequest,          // ... but its op is not 1
    Accepted,                // ... and it is a request
    ReplySent,               // entryIp: the entry's IP text as the table holds it
    ReplySendFailed,         // entryIp: the entry's IP text
    NotFound,                // mac: the request's MAC
    HostNameUnavailable,     // the interface the request came in on is not known
    HostAddressUnavailable,  // that interface has no IPv4 address
    PortUnavailable,         // port, reason; the server stays stopped
};

// Who in this program runs a BootP server: a program serves from one at a time, so the
// IP page and the commissioning line never compete for the port.
enum class BootpServerOwner {
    Service,            // the IP configuration page, or the bootp command
    CommissioningLine,  // the commissioning line
};

struct BootpEvent {
    explicit BootpEvent(BootpStatus s = BootpStatus::Waiting) : status(s) {}

    BootpStatus status;
    std::string entryIp;  // ReplySent, ReplySendFailed
    MacOctets mac{};      // NotFound
    int port = 0;         // PortUnavailable
    std::string reason;   // PortUnavailable: the socket's own account of why the port could not be opened
    std::string missingInterface;  // PortUnavailable: the configured interface, when it does not exist
    std::optional<BootpServerOwner> heldBy;  // PortUnavailable: another server of this program serves
};

}  // namespace tavo
