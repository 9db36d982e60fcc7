#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AddressText.h"

// What the BootP preflight finds: typed values only; the command line and the IP page
// each word them in their own language.
namespace tavo {

enum class PreflightCause {
    PortFree,                        // port: nothing holds it
    PortHeld,                        // port, holders (empty when the holder cannot be seen)
    PortNoPermission,                // port: this user may not open it
    PortError,                       // port, detail: the system refused it for another reason
    InterfaceState,                  // interface: one line of the interface list
    ChosenInterfaceMissing,          // interfaceNames[0]: the interface asked for is not there
    ChosenInterfaceDown,             // interface
    ChosenInterfaceNoLink,           // interface: up, but without a link (a cable out)
    ChosenInterfaceNoAddress,        // interface: up, but without an IPv4 address
    ChosenInterfaceCannotBroadcast,  // interface
    NoBroadcastInterface,            // no interface is up, with a link, an IPv4 address and broadcast
    SharedSubnet,                    // interfaceNames, address/prefix: the subnet they share
    LinkLocalOnly,                   // interface: its only IPv4 addresses are 169.254.x.y
    RouteOnLink,                     // address, interfaceNames[0], source: on that link
    RouteViaGateway,                 // address, interfaceNames[0], source: not on a link of this PC
    RouteNone,                       // address: no interface leads there
    RouteOtherInterface,             // address, interfaceNames = {route's, chosen}
    ListenUnavailable,               // port, detail: the listening socket could not be opened
    NothingHeard,                    // port, listenedMs: no request came in while listening
    RequestHeard,                    // mac, ofFamily, address (sender), interfaceNames[0]
    RivalServer,                     // address (the server), mac/ofFamily (the device), offered, interfaceNames[0]
};

enum class PreflightStatus { Ok, Info, Warning, Blocked };

struct PortHolder {
    std::string program;  // empty when it cannot be read
    int64_t pid = 0;
};

struct InterfaceAddressInfo {
    Ipv4Octets ip{};
    int prefix = 0;
    Ipv4Octets broadcast{};  // 0.0.0.0 when it has none
};

struct InterfaceInfo {
    std::string name;
    bool up = false;
    bool running = false;  // up and with a link
    bool canBroadcast = false;
    bool loopback = false;
    std::vector<InterfaceAddressInfo> addresses;  // IPv4 only
};

struct PreflightFinding {
    PreflightCause cause = PreflightCause::PortFree;
    PreflightStatus status = PreflightStatus::Ok;
    uint16_t port = 0;
    bool serverPort = false;  // the port requests come in on, else the one replies go to
    std::vector<PortHolder> holders;
    std::string detail;  // the system's own words, untranslated
    InterfaceInfo interface;
    std::vector<std::string> interfaceNames;
    Ipv4Octets address{};
    int prefix = 0;
    Ipv4Octets source{};
    Ipv4Octets offered{};
    MacOctets mac{};
    bool ofFamily = false;
    int64_t listenedMs = 0;
};

// The preflight's area of a cause, as JSON and the lines name it: "port", "interface",
// "subnet", "link_local", "route", "listen", "request", "rival_server".
const char* preflightCheckName(PreflightCause cause);
const char* preflightStatusName(PreflightStatus status);

// True when no finding blocks the server.
bool preflightCanServe(const std::vector<PreflightFinding>& findings);

}  // namespace tavo
