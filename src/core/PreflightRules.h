#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <span>
#include <string_view>
#include <vector>

#include "PreflightFinding.h"

// The rules of the BootP preflight on values the link layer gathers: the interfaces,
// the route the system chose, the datagrams heard while listening.
namespace tavo {

// How opening a port for the check went.
enum class PortOpenResult { Opened, InUse, NoPermission, OtherError };

// The finding of one port: the server's own port (`serverPort`), which the server must
// open, or the client port, which it only sends to: a holder there (a DHCP client of this
// PC) receives the replies too, and hides other servers' replies from the listening.
// `holders` are the programs the system lists on the port; `detail` the system's words.
PreflightFinding portFinding(uint16_t port, bool serverPort, PortOpenResult result, std::vector<PortHolder> holders,
                             std::string detail);

// One InterfaceState per interface, then what stands in the server's way: the chosen
// interface (`chosen`, empty for every interface) missing, down, without an address or
// without broadcast; no interface to serve on at all; two interfaces on one subnet (named
// in alphabetical order); an
// interface with only a link-local address.
std::vector<PreflightFinding> interfaceFindings(const std::vector<InterfaceInfo>& interfaces, std::string_view chosen);

// Which interface a device at `target` is reached by: the system's route said it leaves
// from `source` (nothing: no route); the interface that holds `source` names it, and the
// device is on that link when one of its subnets holds `target`. `chosen` is the
// interface the server is kept to (empty: any).
PreflightFinding routeFinding(const std::vector<InterfaceInfo>& interfaces, const Ipv4Octets& target,
                              const std::optional<Ipv4Octets>& source, std::string_view chosen);

// A datagram heard while listening: a BootP request on the server port (RequestHeard),
// a reply on the client port (RivalServer: nothing here sends one); nothing for anything
// else. `sender` is where it came from, `interfaceName` where it came in.
std::optional<PreflightFinding> heardDatagramFinding(std::span<const uint8_t> datagram, bool onServerPort,
                                                     const Ipv4Octets& sender, std::string_view interfaceName);

// 169.254.0.0/16.
bool isLinkLocal(const Ipv4Octets& ip);

}  // namespace tavo
