#pragma once

#include <QDateTime>
#include <QHostAddress>
#include <QMetaType>
#include <QString>

#include "AddressText.h"

// What the BootP server reports about each datagram it reads, about other servers it
// hears and about the interface it serves: typed records for the request log, the
// page's window and status line, and the command line's output. Texts are the front
// ends' business.
namespace tavo {

enum class BootpRequestOutcome {
    Answered,  // a reply went out: address and replySize say which and how long
    Unknown,   // of the family, but not in the table: no reply
    Refused,   // not of the family: the server never answers other hardware
    NotBootp,  // of the family, but its op is not 1 (a reply, or not BootP at all)
    Dropped,   // read while another request was being served, or on an interface not served
    Failed,    // no server address for the arrival interface, or the send failed
};

struct BootpRequestRecord {
    QDateTime time;         // when it was read (UTC)
    QString interfaceName;  // the arrival interface; empty when the platform does not say
    QHostAddress sender;
    quint16 senderPort = 0;
    MacOctets mac{};        // the first six octets of chaddr
    bool ofFamily = false;  // chaddr begins with the family's prefix
    BootpRequestOutcome outcome = BootpRequestOutcome::Refused;
    Ipv4Octets address{};   // Answered: the address given (yiaddr)
    int replySize = 0;      // bytes sent; 0 without a reply
};

// A BootP reply to a device of the family sent by a server other than this one; each
// server is reported once per run of the server.
struct BootpRivalServer {
    QDateTime time;
    QHostAddress server;  // where the reply came from
    MacOctets mac{};      // the device it answered
    QString interfaceName;
};

// The interface the server was told to serve (LinkConfig::interfaceName).
enum class BootpInterfaceState {
    Up,         // up with an IPv4 address: requests are answered
    Down,       // set down, or without carrier (a pulled cable)
    NoAddress,  // up, but without an IPv4 address
    Missing,    // deleted
};

struct BootpInterfaceEvent {
    QDateTime time;
    QString name;
    BootpInterfaceState state = BootpInterfaceState::Up;
    QHostAddress address;  // Up: its first IPv4 address
};

}  // namespace tavo

Q_DECLARE_METATYPE(tavo::BootpRequestRecord)
Q_DECLARE_METATYPE(tavo::BootpRivalServer)
Q_DECLARE_METATYPE(tavo::BootpInterfaceEvent)
