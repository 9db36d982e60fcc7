#pragma once

#include <string>

#include "BootpStatus.h"

// The words of the BootP service that the operator reads in the window's status field
// and, byte for byte, in the lines of `tavo bootp serve`. Both front ends take them from
// here, so that each is written once; the server itself reports only typed events and
// never calls this. Nothing else of the service's texts belongs here: the window's other
// texts live with the window, the command line's with the command line.
namespace tavo {

// The status field's text of an event.
std::string bootpStatusText(const BootpEvent& event);
inline std::string bootpStatusText(BootpStatus status) { return bootpStatusText(BootpEvent(status)); }
// Why the server could not start (the part in brackets of a PortUnavailable status).
std::string bootpStartFailureReason(const BootpEvent& event);

// The message box of a failed read on the server socket.
inline constexpr const char* kBootpReadFailedText = "Errore nel Socket !!";
inline constexpr const char* kBootpReadFailedCaption = "errore";

}  // namespace tavo
