#include "PreflightRules.h"

#include <algorithm>
#include <map>

#include "BootpMessage.h"

namespace tavo {
namespace {

uint32_t toNumber(const Ipv4Octets& ip) {
    return (uint32_t(ip[0]) << 24) | (uint32_t(ip[1]) << 16) | (uint32_t(ip[2]) << 8) | ip[3];
}

Ipv4Octets toOctets(uint32_t n) { return {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)}; }

uint32_t maskOf(int prefix) { return prefix <= 0 ? 0 : prefix >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefix); }

bool holds(const InterfaceAddressInfo& address, const Ipv4Octets& ip) {
    const uint32_t mask = maskOf(address.prefix);
    return (toNumber(address.ip) & mask) == (toNumber(ip) & mask);
}

// An interface the server can answer devices on: up with a link, not loopback, with an IPv4 address
// and broadcast.
bool canServeOn(const InterfaceInfo& i) {
    return i.up && i.running && !i.loopback && i.canBroadcast && !i.addresses.empty();
}

bool onlyLinkLocal(const InterfaceInfo& i) {
    return !i.addresses.empty() && std::all_of(i.addresses.begin(), i.addresses.end(),
                                               [](const InterfaceAddressInfo& a) { return isLinkLocal(a.ip); });
}

PreflightFinding aboutInterface(PreflightCause cause, PreflightStatus status, const InterfaceInfo& interface) {
    PreflightFinding finding;
    finding.cause = cause;
    finding.status = status;
    finding.interface = interface;
    finding.interfaceNames = {interface.name};
    return finding;
}

// Why the interface the operator chose cannot serve, if it cannot.
std::optional<PreflightCause> chosenProblem(const InterfaceInfo& chosen) {
    if (!chosen.up) return PreflightCause::ChosenInterfaceDown;
    if (!chosen.running) return PreflightCause::ChosenInterfaceNoLink;
    if (chosen.addresses.empty()) return PreflightCause::ChosenInterfaceNoAddress;
    // Loopback is where tests and the demo keep the server; its broadcast reaches the
    // sockets on the machine itself.
    if (!chosen.canBroadcast && !chosen.loopback) return PreflightCause::ChosenInterfaceCannotBroadcast;
    return std::nullopt;
}

// Interfaces whose subnets overlap, by the wider of the two subnets; link-local
// addresses are left to their own finding.
std::vector<PreflightFinding> sharedSubnets(const std::vector<InterfaceInfo>& interfaces) {
    std::map<std::pair<uint32_t, int>, std::vector<std::string>> shared;
    for (size_t i = 0; i < interfaces.size(); ++i) {
        for (size_t j = i + 1; j < interfaces.size(); ++j) {
            const InterfaceInfo& a = interfaces[i];
            const InterfaceInfo& b = interfaces[j];
            if (!a.up || !b.up || a.loopback || b.loopback) continue;
            for (const InterfaceAddressInfo& x : a.addresses) {
                for (const InterfaceAddressInfo& y : b.addresses) {
                    if (isLinkLocal(x.ip) || isLinkLocal(y.ip)) continue;
                    const int prefix = std::min(x.prefix, y.prefix);
                    const uint32_t mask = maskOf(prefix);
                    if ((toNumber(x.ip) & mask) != (toNumber(y.ip) & mask)) continue;
                    auto& names = shared[{toNumber(x.ip) & mask, prefix}];
                    for (const std::string* name : {&a.name, &b.name})
                        if (std::find(names.begin(), names.end(), *name) == names.end()) names.push_back(*name);
                }
            }
        }
    }
    std::vector<PreflightFinding> findings;
    for (auto& [subnet, names] : shared) {
        std::sort(names.begin(), names.end());
        PreflightFinding finding;
        finding.cause = PreflightCause::SharedSubnet;
        finding.status = PreflightStatus::Warning;
        finding.interfaceNames = names;
        finding.address = toOctets(subnet.first);
        finding.prefix = subnet.second;
        findings.push_back(finding);
    }
    return findings;
}

}  // namespace

bool isLinkLocal(const Ipv4Octets& ip) { return ip[0] == 169 && ip[1] == 254; }

PreflightFinding portFinding(uint16_t port, bool serverPort, PortOpenResult result, std::vector<PortHolder> holders,
                             std::string detail) {
    PreflightFinding finding;
    finding.port = port;
    finding.serverPort = serverPort;
    finding.detail = std::move(detail);
    // A holder the system lists is the cause whatever the refusal said.
    if (result == PortOpenResult::InUse || (result != PortOpenResult::Opened && !holders.empty())) {
        finding.cause = PreflightCause::PortHeld;
        finding.status = serverPort ? PreflightStatus::Blocked : PreflightStatus::Warning;
        finding.holders = std::move(holders);
    } else if (result == PortOpenResult::Opened) {
        finding.cause = PreflightCause::PortFree;
        finding.status = PreflightStatus::Ok;
    } else {
        finding.cause =
            result == PortOpenResult::NoPermission ? PreflightCause::PortNoPermission : PreflightCause::PortError;
        finding.status = serverPort ? PreflightStatus::Blocked : PreflightStatus::Info;
    }
    return finding;
}

std::vector<PreflightFinding> interfaceFindings(const std::vector<InterfaceInfo>& interfaces, std::string_view chosen) {
    std::vector<PreflightFinding> findings;
    for (const InterfaceInfo& interface : interfaces) {
        findings.push_back(aboutInterface(PreflightCause::InterfaceState,
                                          canServeOn(interface) ? PreflightStatus::Ok : PreflightStatus::Info,
                                          interface));
    }
    if (!chosen.empty()) {
        const auto found = std::find_if(interfaces.begin(), interfaces.end(),
                                        [chosen](const InterfaceInfo& i) { return i.name == chosen; });
        if (found == interfaces.end()) {
            PreflightFinding missing;
            missing.cause = PreflightCause::ChosenInterfaceMissing;
            missing.status = PreflightStatus::Blocked;
            missing.interfaceNames = {std::string(chosen)};
            findings.push_back(missing);
        } else if (const auto problem = chosenProblem(*found)) {
            findings.push_back(aboutInterface(*problem, PreflightStatus::Blocked, *found));
        }
    } else if (std::none_of(interfaces.begin(), interfaces.end(), canServeOn)) {
        PreflightFinding none;
        none.cause = PreflightCause::NoBroadcastInterface;
        none.status = PreflightStatus::Blocked;
        findings.push_back(none);
    }
    for (PreflightFinding& shared : sharedSubnets(interfaces)) findings.push_back(std::move(shared));
    for (const InterfaceInfo& interface : interfaces) {
        if (interface.up && !interface.loopback && onlyLinkLocal(interface))
            findings.push_back(aboutInterface(PreflightCause::LinkLocalOnly, PreflightStatus::Warning, interface));
    }
    return findings;
}

PreflightFinding routeFinding(const std::vector<InterfaceInfo>& interfaces, const Ipv4Octets& target,
                              const std::optional<Ipv4Octets>& source, std::string_view chosen) {
    PreflightFinding finding;
    finding.address = target;
    finding.cause = PreflightCause::RouteNone;
    finding.status = PreflightStatus::Warning;
    if (!source) return finding;
    finding.source = *source;
    const InterfaceInfo* by = nullptr;
    for (const InterfaceInfo& interface : interfaces) {
        for (const InterfaceAddressInfo& address : interface.addresses)
            if (address.ip == *source) by = &interface;
    }
    if (!by) return finding;
    finding.interface = *by;
    finding.interfaceNames = {by->name};
    if (!chosen.empty() && by->name != chosen) {
        finding.cause = PreflightCause::RouteOtherInterface;
        finding.interfaceNames.push_back(std::string(chosen));
        return finding;
    }
    const bool onLink = std::any_of(by->addresses.begin(), by->addresses.end(),
                                    [&target](const InterfaceAddressInfo& a) { return holds(a, target); });
    finding.cause = onLink ? PreflightCause::RouteOnLink : PreflightCause::RouteViaGateway;
    finding.status = onLink ? PreflightStatus::Ok : PreflightStatus::Warning;
    return finding;
}

std::optional<PreflightFinding> heardDatagramFinding(std::span<const uint8_t> datagram, bool onServerPort,
                                                     const Ipv4Octets& sender, std::string_view interfaceName) {
    // Shorter than the fixed part up to and including chaddr: not BootP.
    if (datagram.size() < bootp_offset::kChaddr + 16) return std::nullopt;
    const uint8_t op = datagram[bootp_offset::kOp];
    if (op != (onServerPort ? BOOTP_OP_REQUEST : BOOTP_OP_REPLY)) return std::nullopt;
    const BootpRequest message = checkBootpRequest(datagram);
    PreflightFinding finding;
    finding.mac = message.mac;
    finding.ofFamily = message.check != BootpRequestCheck::NotOfFamily;
    finding.address = sender;
    finding.interfaceNames = {std::string(interfaceName)};
    if (onServerPort) {
        finding.cause = PreflightCause::RequestHeard;
        finding.status = PreflightStatus::Info;
    } else {
        // Nothing of ours sends while listening: every reply is another server's. One that
        // answers our devices hands them its addresses instead of the table's.
        finding.cause = PreflightCause::RivalServer;
        finding.status = finding.ofFamily ? PreflightStatus::Blocked : PreflightStatus::Warning;
        std::copy_n(message.message.begin() + bootp_offset::kYiaddr, 4, finding.offered.begin());
    }
    return finding;
}

}  // namespace tavo
