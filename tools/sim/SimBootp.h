#pragma once

#include "SimAddress.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace tavo::sim {

// The BootP messages of a device that asks for its address: the request it broadcasts
// and the fields it takes from a reply.
namespace bootp {
constexpr int kMessageSize = 300;
constexpr int kOpOffset = 0;
constexpr int kHtypeOffset = 1;
constexpr int kHlenOffset = 2;
constexpr int kXidOffset = 4;
constexpr int kYiaddrOffset = 16;
constexpr int kGiaddrOffset = 24;
constexpr int kChaddrOffset = 28;
constexpr int kCookieOffset = 236;
constexpr int kOptionOffset = 240;
constexpr int kMaskOffset = 242;
constexpr int kEndOffset = 246;
constexpr quint8 kOpRequest = 1;
constexpr quint8 kOpReply = 2;
constexpr quint8 kHtypeEthernet = 1;
constexpr quint8 kHlenEthernet = 6;
constexpr quint8 kCookie[4] = {99, 130, 83, 99};
constexpr quint8 kOptionSubnetMask = 1;
constexpr quint8 kOptionSubnetMaskLength = 4;
constexpr quint8 kOptionEnd = 255;
}  // namespace bootp

struct BootpOffer {
    Ipv4Address ip{};
    Ipv4Address gateway{};
    Ipv4Address mask{};
};

// 300 bytes: op 1, Ethernet hardware type and length, the transaction id, the MAC in
// chaddr, and a vendor area with the cookie, an empty subnet-mask option and the end tag.
QByteArray buildBootpRequest(const MacAddress& mac, quint32 xid);

// The offer of a reply meant for this device (op 2, same MAC, same transaction id), or
// nothing. A reply too short to hold the mask is not taken.
std::optional<BootpOffer> parseBootpReply(QByteArrayView reply, const MacAddress& mac, quint32 xid);

}  // namespace tavo::sim
