#pragma once

#include <string>

// Every text the BootP server shows in the status field, and the read-failure message.
namespace tavo {

enum class BootpStatus {
    Initializing,            // start requested
    Waiting,                 // the server port is open
    Stopped,                 // the server was stopped
    Received,                // a request of the family came in
    InvalidRequest,          // ... but its op is not 1
    Accepted,                // ... and it is a request
    ReplySent,               // arg: the entry's IP text as the table holds it
    ReplySendFailed,         // arg: the entry's IP text
    NotFound,                // arg: the request's MAC text; shown in upper case
    HostNameUnavailable,     // the interface the request came in on is not known
    HostAddressUnavailable,  // that interface has no IPv4 address
    PortUnavailable,         // arg: the port and the reason; the server stays stopped
};

std::string bootpStatusText(BootpStatus status, const std::string& arg = {});

// The message box of a failed read on the server socket.
inline constexpr const char* kBootpReadFailedText = "Errore nel Socket !!";
inline constexpr const char* kBootpReadFailedCaption = "errore";

}  // namespace tavo
