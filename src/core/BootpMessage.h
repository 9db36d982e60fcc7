#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "AddressText.h"

// The BootP message as the server reads and writes it (RFC 951 layout), with the two
// conventions of this system: the gateway travels in giaddr, and the subnet mask is
// written at a fixed place in the vendor area.
namespace tavo {

inline constexpr uint16_t BOOTP_SERVER_PORT = 67;  // requests are received here
inline constexpr uint16_t BOOTP_CLIENT_PORT = 68;  // replies are broadcast to this port
inline constexpr size_t BOOTP_MESSAGE_SIZE = 300;  // bytes examined per request, sent per reply
// The first three octets of the hardware address of every device of the family.
inline constexpr std::array<uint8_t, 3> DEVICE_OUI = {0x02, 0x4B, 0x7E};

// Offsets of the fields the server reads or replaces.
namespace bootp_offset {
inline constexpr size_t kOp = 0;
inline constexpr size_t kHtype = 1;
inline constexpr size_t kHlen = 2;
inline constexpr size_t kYiaddr = 16;
inline constexpr size_t kSiaddr = 20;
inline constexpr size_t kGiaddr = 24;
inline constexpr size_t kChaddr = 28;
inline constexpr size_t kSubnetMask = 242;  // in the vendor area, after cookie, tag and length
}  // namespace bootp_offset

inline constexpr uint8_t BOOTP_OP_REQUEST = 1;
inline constexpr uint8_t BOOTP_OP_REPLY = 2;

using BootpMessage = std::array<uint8_t, BOOTP_MESSAGE_SIZE>;

enum class BootpRequestCheck {
    NotOfFamily,  // chaddr does not begin with DEVICE_OUI: ignored without a word
    NotARequest,  // of the family, but op is not 1
    Accepted,
};

struct BootpRequest {
    BootpRequestCheck check = BootpRequestCheck::NotOfFamily;
    // The request as the server works on it: a datagram shorter than 300 bytes is
    // completed with zero bytes (so the reply carries zeros where the request had
    // nothing); of a longer one only the first 300 bytes are kept.
    BootpMessage message{};
    MacOctets mac{};  // the first six octets of chaddr, whatever htype and hlen say
};

BootpRequest checkBootpRequest(std::span<const uint8_t> datagram);

// What the reply takes from the device's table entry, already in octets.
struct BootpReplyFields {
    int hType = 0;  // only the low 8 bits go on the wire
    int hLen = 0;   // only the low 8 bits go on the wire
    Ipv4Octets yourAddress{};
    Ipv4Octets gateway{};
    Ipv4Octets subnetMask{};
};

// The fields of a table entry as the device table holds them (dotted texts, possibly
// with the blanks of the aligned form).
BootpReplyFields makeBootpReplyFields(int hType, int hLen, std::string_view ip, std::string_view gateway,
                                      std::string_view subnet);

// The 300-byte reply: the request with op 2, htype, hlen, yiaddr, siaddr, giaddr and the
// four bytes at offset 242 replaced; every other byte is echoed.
BootpMessage buildBootpReply(const BootpMessage& request, const BootpReplyFields& fields,
                             const Ipv4Octets& serverAddress);

}  // namespace tavo
