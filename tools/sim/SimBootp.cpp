#include "SimBootp.h"

namespace tavo::sim {

namespace {
quint8 At(QByteArrayView data, int i) { return static_cast<quint8>(data[i]); }

Ipv4Address addressAt(QByteArrayView data, int offset) {
    return {At(data, offset), At(data, offset + 1), At(data, offset + 2), At(data, offset + 3)};
}

quint32 numberAt(QByteArrayView data, int offset) { return ipv4ToNumber(addressAt(data, offset)); }
}  // namespace

QByteArray buildBootpRequest(const MacAddress& mac, quint32 xid) {
    using namespace bootp;
    QByteArray message(kMessageSize, '\0');
    message[kOpOffset] = char(kOpRequest);
    message[kHtypeOffset] = char(kHtypeEthernet);
    message[kHlenOffset] = char(kHlenEthernet);
    for (int i = 0; i < 4; ++i) message[kXidOffset + i] = char(xid >> (24 - 8 * i));
    for (int i = 0; i < 6; ++i) message[kChaddrOffset + i] = char(mac[i]);
    for (int i = 0; i < 4; ++i) message[kCookieOffset + i] = char(kCookie[i]);
    message[kOptionOffset] = char(kOptionSubnetMask);
    message[kOptionOffset + 1] = char(kOptionSubnetMaskLength);
    message[kEndOffset] = char(kOptionEnd);
    return message;
}

std::optional<BootpOffer> parseBootpReply(QByteArrayView reply, const MacAddress& mac, quint32 xid) {
    using namespace bootp;
    if (reply.size() < kEndOffset) return std::nullopt;
    if (At(reply, kOpOffset) != kOpReply || numberAt(reply, kXidOffset) != xid) return std::nullopt;
    for (int i = 0; i < 6; ++i)
        if (At(reply, kChaddrOffset + i) != mac[i]) return std::nullopt;
    return BootpOffer{addressAt(reply, kYiaddrOffset), addressAt(reply, kGiaddrOffset),
                      addressAt(reply, kMaskOffset)};
}

}  // namespace tavo::sim
