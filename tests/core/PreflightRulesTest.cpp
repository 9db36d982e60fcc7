#include "PreflightRules.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "BootpMessage.h"

namespace tavo {
namespace {

InterfaceInfo Up(std::string name, std::vector<InterfaceAddressInfo> addresses) {
    InterfaceInfo i;
    i.name = std::move(name);
    i.up = i.running = i.canBroadcast = true;
    i.addresses = std::move(addresses);
    return i;
}

InterfaceInfo Loopback() {
    InterfaceInfo lo = Up("lo", {{{127, 0, 0, 1}, 8, {}}});
    lo.canBroadcast = false;
    lo.loopback = true;
    return lo;
}

InterfaceAddressInfo At(Ipv4Octets ip, int prefix) { return {ip, prefix, {}}; }

// The causes of the findings, without the list of interfaces they begin with.
std::vector<PreflightCause> Problems(const std::vector<PreflightFinding>& findings) {
    std::vector<PreflightCause> causes;
    for (const PreflightFinding& f : findings)
        if (f.cause != PreflightCause::InterfaceState) causes.push_back(f.cause);
    return causes;
}

const PreflightFinding* Find(const std::vector<PreflightFinding>& findings, PreflightCause cause) {
    const auto it = std::find_if(findings.begin(), findings.end(), [cause](const auto& f) { return f.cause == cause; });
    return it == findings.end() ? nullptr : &*it;
}

TEST(PreflightRules, EveryInterfaceIsListedAndTheServableOnesAreOk) {
    InterfaceInfo down = Up("eth1", {At({10, 0, 1, 1}, 24)});
    down.up = down.running = false;
    const auto findings = interfaceFindings({Loopback(), Up("eth0", {At({10, 0, 0, 1}, 24)}), down}, "");
    ASSERT_EQ(findings.size(), 3u);
    EXPECT_EQ(findings[0].status, PreflightStatus::Info);
    EXPECT_EQ(findings[1].status, PreflightStatus::Ok);
    EXPECT_EQ(findings[1].interface.name, "eth0");
    EXPECT_EQ(findings[2].status, PreflightStatus::Info);
    EXPECT_TRUE(preflightCanServe(findings));
}

TEST(PreflightRules, WhatKeepsTheServerFromItsInterfaces) {
    InterfaceInfo noLink = Up("eth0", {At({10, 0, 0, 1}, 24)});
    noLink.running = false;
    InterfaceInfo down = noLink;
    down.up = false;
    InterfaceInfo tunnel = Up("tun0", {At({10, 8, 0, 1}, 24)});
    tunnel.canBroadcast = false;
    const InterfaceInfo bare = Up("eth2", {});
    struct Case {
        std::vector<InterfaceInfo> interfaces;
        const char* chosen;
        std::vector<PreflightCause> problems;
    };
    const Case cases[] = {
        {{Loopback()}, "", {PreflightCause::NoBroadcastInterface}},
        {{Loopback(), noLink, tunnel, bare}, "", {PreflightCause::NoBroadcastInterface}},
        {{Loopback(), down}, "eth0", {PreflightCause::ChosenInterfaceDown}},
        {{Loopback(), noLink}, "eth0", {PreflightCause::ChosenInterfaceNoLink}},
        {{Loopback(), tunnel}, "tun0", {PreflightCause::ChosenInterfaceCannotBroadcast}},
        {{Loopback(), bare}, "eth2", {PreflightCause::ChosenInterfaceNoAddress}},
        {{Loopback(), noLink}, "eth9", {PreflightCause::ChosenInterfaceMissing}},
        // Loopback is where tests keep the server: it is not refused.
        {{Loopback()}, "lo", {}},
    };
    for (const Case& c : cases) {
        const auto findings = interfaceFindings(c.interfaces, c.chosen);
        EXPECT_EQ(Problems(findings), c.problems) << c.chosen;
        EXPECT_EQ(preflightCanServe(findings), c.problems.empty()) << c.chosen;
    }
    const auto missing = interfaceFindings({Loopback()}, "eth9");
    EXPECT_EQ(Find(missing, PreflightCause::ChosenInterfaceMissing)->interfaceNames, std::vector<std::string>{"eth9"});
}

TEST(PreflightRules, TwoInterfacesOnOneSubnetAreNamedTogether) {
    const auto findings = interfaceFindings({Loopback(), Up("eth0", {At({192, 168, 1, 10}, 24)}),
                                             Up("wlan0", {At({192, 168, 1, 57}, 16)}), Up("eth1", {At({10, 0, 0, 1}, 8)}),
                                             Up("eth2", {At({10, 9, 9, 9}, 8)})},
                                            "");
    EXPECT_EQ(Problems(findings), (std::vector{PreflightCause::SharedSubnet, PreflightCause::SharedSubnet}));
    const PreflightFinding* first = Find(findings, PreflightCause::SharedSubnet);
    EXPECT_EQ(first->interfaceNames, (std::vector<std::string>{"eth1", "eth2"}));
    EXPECT_EQ(first->address, (Ipv4Octets{10, 0, 0, 0}));
    EXPECT_EQ(first->prefix, 8);
    EXPECT_EQ(findings.back().interfaceNames, (std::vector<std::string>{"eth0", "wlan0"}));
    EXPECT_EQ(findings.back().address, (Ipv4Octets{192, 168, 0, 0}));  // by the wider of the two
    EXPECT_EQ(findings.back().prefix, 16);
    EXPECT_EQ(findings.back().status, PreflightStatus::Warning);
    EXPECT_TRUE(preflightCanServe(findings));
}

TEST(PreflightRules, AnInterfaceWithOnlyALinkLocalAddressIsNamed) {
    const auto findings = interfaceFindings(
        {Loopback(), Up("eth0", {At({169, 254, 7, 8}, 16)}), Up("eth1", {At({169, 254, 9, 9}, 16), At({10, 0, 0, 1}, 24)})},
        "");
    // Two link-local addresses are not a shared subnet: the finding of their own says more.
    EXPECT_EQ(Problems(findings), std::vector{PreflightCause::LinkLocalOnly});
    EXPECT_EQ(Find(findings, PreflightCause::LinkLocalOnly)->interface.name, "eth0");
    EXPECT_EQ(Find(findings, PreflightCause::LinkLocalOnly)->status, PreflightStatus::Warning);
}

TEST(PreflightRules, TheWayToADevice) {
    const std::vector<InterfaceInfo> interfaces = {Loopback(), Up("eth0", {At({10, 0, 0, 1}, 24)}),
                                                   Up("eth1", {At({192, 168, 5, 1}, 24)})};
    struct Case {
        Ipv4Octets target;
        std::optional<Ipv4Octets> source;
        const char* chosen;
        PreflightCause cause;
        PreflightStatus status;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {{10, 0, 0, 20}, Ipv4Octets{10, 0, 0, 1}, "", PreflightCause::RouteOnLink, PreflightStatus::Ok, {"eth0"}},
        {{10, 0, 0, 20}, Ipv4Octets{10, 0, 0, 1}, "eth0", PreflightCause::RouteOnLink, PreflightStatus::Ok, {"eth0"}},
        {{8, 8, 8, 8}, Ipv4Octets{192, 168, 5, 1}, "", PreflightCause::RouteViaGateway, PreflightStatus::Warning, {"eth1"}},
        {{10, 0, 0, 20}, Ipv4Octets{10, 0, 0, 1}, "eth1", PreflightCause::RouteOtherInterface, PreflightStatus::Warning,
         {"eth0", "eth1"}},
        {{10, 7, 0, 20}, std::nullopt, "", PreflightCause::RouteNone, PreflightStatus::Warning, {}},
    };
    for (const Case& c : cases) {
        const PreflightFinding f = routeFinding(interfaces, c.target, c.source, c.chosen);
        EXPECT_EQ(f.cause, c.cause);
        EXPECT_EQ(f.status, c.status);
        EXPECT_EQ(f.interfaceNames, c.names);
        EXPECT_EQ(f.address, c.target);
    }
}

TEST(PreflightRules, PortFindings) {
    struct Case {
        bool serverPort;
        PortOpenResult result;
        std::vector<PortHolder> holders;
        PreflightCause cause;
        PreflightStatus status;
    };
    const std::vector<PortHolder> dnsmasq = {{"dnsmasq", 1234}};
    const Case cases[] = {
        {true, PortOpenResult::Opened, {}, PreflightCause::PortFree, PreflightStatus::Ok},
        {true, PortOpenResult::InUse, dnsmasq, PreflightCause::PortHeld, PreflightStatus::Blocked},
        {true, PortOpenResult::InUse, {}, PreflightCause::PortHeld, PreflightStatus::Blocked},
        // Without permission to open it, a holder the system lists is still the cause.
        {true, PortOpenResult::NoPermission, dnsmasq, PreflightCause::PortHeld, PreflightStatus::Blocked},
        {true, PortOpenResult::NoPermission, {}, PreflightCause::PortNoPermission, PreflightStatus::Blocked},
        {true, PortOpenResult::OtherError, {}, PreflightCause::PortError, PreflightStatus::Blocked},
        // The client port is only sent to: a holder there does not stop the server.
        {false, PortOpenResult::InUse, {{"dhclient", 77}}, PreflightCause::PortHeld, PreflightStatus::Warning},
        {false, PortOpenResult::NoPermission, {}, PreflightCause::PortNoPermission, PreflightStatus::Info},
    };
    for (const Case& c : cases) {
        const PreflightFinding f = portFinding(67, c.serverPort, c.result, c.holders, "why");
        EXPECT_EQ(f.cause, c.cause);
        EXPECT_EQ(f.status, c.status);
        EXPECT_EQ(f.port, 67);
        EXPECT_EQ(f.serverPort, c.serverPort);
        EXPECT_EQ(f.holders.size(), c.cause == PreflightCause::PortHeld ? c.holders.size() : 0u);
    }
}

std::vector<uint8_t> Message(uint8_t op, MacOctets mac, Ipv4Octets yiaddr = {}) {
    std::vector<uint8_t> m(BOOTP_MESSAGE_SIZE, 0);
    m[bootp_offset::kOp] = op;
    std::copy(yiaddr.begin(), yiaddr.end(), m.begin() + bootp_offset::kYiaddr);
    std::copy(mac.begin(), mac.end(), m.begin() + bootp_offset::kChaddr);
    return m;
}

TEST(PreflightRules, DatagramsHeardWhileListening) {
    const MacOctets device = {0x02, 0x4B, 0x7E, 0, 0, 9};
    const MacOctets laptop = {0x3C, 0x22, 0xFB, 1, 2, 3};
    const Ipv4Octets sender = {10, 0, 0, 2};

    const auto request = heardDatagramFinding(Message(1, device), true, {0, 0, 0, 0}, "eth0");
    ASSERT_TRUE(request);
    EXPECT_EQ(request->cause, PreflightCause::RequestHeard);
    EXPECT_EQ(request->mac, device);
    EXPECT_TRUE(request->ofFamily);
    EXPECT_EQ(request->interfaceNames, std::vector<std::string>{"eth0"});
    const auto foreign = heardDatagramFinding(Message(1, laptop), true, {0, 0, 0, 0}, "eth0");
    ASSERT_TRUE(foreign);
    EXPECT_FALSE(foreign->ofFamily);

    const auto rival = heardDatagramFinding(Message(2, device, {10, 0, 0, 50}), false, sender, "eth0");
    ASSERT_TRUE(rival);
    EXPECT_EQ(rival->cause, PreflightCause::RivalServer);
    EXPECT_EQ(rival->address, sender);
    EXPECT_EQ(rival->offered, (Ipv4Octets{10, 0, 0, 50}));
    EXPECT_EQ(rival->status, PreflightStatus::Blocked);  // it hands our devices its addresses
    EXPECT_EQ(heardDatagramFinding(Message(2, laptop), false, sender, "eth0")->status, PreflightStatus::Warning);

    // A reply on the server port, a request on the client port, a short datagram: not BootP here.
    EXPECT_FALSE(heardDatagramFinding(Message(2, device), true, sender, "eth0"));
    EXPECT_FALSE(heardDatagramFinding(Message(1, device), false, sender, "eth0"));
    std::vector<uint8_t> cut = Message(1, device);
    cut.resize(bootp_offset::kChaddr + 15);
    EXPECT_FALSE(heardDatagramFinding(cut, true, sender, "eth0"));
}

}  // namespace
}  // namespace tavo
