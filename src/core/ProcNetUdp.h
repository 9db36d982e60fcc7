#pragma once

#include <bit>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "AddressText.h"

// Linux lists the UDP sockets of a network namespace in /proc/net/udp and /proc/net/udp6,
// one row each; the row's inode is what a process's descriptor link "socket:[inode]"
// names. Reading that text is kept apart from the files so that it is tested on its own.
namespace tavo {

struct UdpSocketRow {
    std::optional<Ipv4Octets> localIpv4;  // nothing for an IPv6 row
    uint16_t localPort = 0;
    uint32_t uid = 0;
    uint64_t inode = 0;
};

// The rows of /proc/net/udp or /proc/net/udp6 text; the heading and lines that are not
// rows are skipped. The kernel prints each address as the 32-bit words in memory,
// so their bytes read in the machine's own order (`order`).
std::vector<UdpSocketRow> parseProcNetUdp(std::string_view text, std::endian order = std::endian::native);

// The inode of a descriptor link "socket:[12345]", or nothing for any other target.
std::optional<uint64_t> parseSocketLink(std::string_view target);

}  // namespace tavo
