#include "BootpMessage.h"

#include <algorithm>
#include <cstring>

namespace tavo {
namespace {

void putAddress(BootpMessage& message, size_t offset, const Ipv4Octets& address) {
    std::copy(address.begin(), address.end(), message.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

BootpRequest checkBootpRequest(std::span<const uint8_t> datagram) {
    BootpRequest request;
    const size_t kept = std::min(datagram.size(), BOOTP_MESSAGE_SIZE);
    if (kept > 0) std::memcpy(request.message.data(), datagram.data(), kept);

    const auto* chaddr = request.message.data() + bootp_offset::kChaddr;
    std::copy(chaddr, chaddr + request.mac.size(), request.mac.begin());
    if (!std::equal(DEVICE_OUI.begin(), DEVICE_OUI.end(), chaddr)) {
        request.check = BootpRequestCheck::NotOfFamily;
    } else if (request.message[bootp_offset::kOp] != BOOTP_OP_REQUEST) {
        request.check = BootpRequestCheck::NotARequest;
    } else {
        request.check = BootpRequestCheck::Accepted;
    }
    return request;
}

BootpReplyFields makeBootpReplyFields(int hType, int hLen, std::string_view ip, std::string_view gateway,
                                      std::string_view subnet) {
    return {hType, hLen, ParseDottedIp(ip), ParseDottedIp(gateway), ParseDottedIp(subnet)};
}

BootpMessage buildBootpReply(const BootpMessage& request, const BootpReplyFields& fields,
                             const Ipv4Octets& serverAddress) {
    BootpMessage reply = request;
    reply[bootp_offset::kOp] = BOOTP_OP_REPLY;
    reply[bootp_offset::kHtype] = static_cast<uint8_t>(fields.hType & 0xFF);
    reply[bootp_offset::kHlen] = static_cast<uint8_t>(fields.hLen & 0xFF);
    putAddress(reply, bootp_offset::kYiaddr, fields.yourAddress);
    putAddress(reply, bootp_offset::kSiaddr, serverAddress);
    putAddress(reply, bootp_offset::kGiaddr, fields.gateway);
    putAddress(reply, bootp_offset::kSubnetMask, fields.subnetMask);
    return reply;
}

}  // namespace tavo
