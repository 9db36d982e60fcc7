#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tavo::sim {

// Hardware and network addresses as the wire carries them: first octet first.
using MacAddress = std::array<quint8, 6>;
using Ipv4Address = std::array<quint8, 4>;

// Twelve hex digits, or six pairs separated by ":" or "-" (either case).
std::optional<MacAddress> parseMac(const QString& text);
// Twelve upper-case hex digits without separators, the form the device table uses.
QString macText(const MacAddress& mac);
// The MAC as a 48-bit number (first octet most significant), for counting through ranges.
quint64 macToNumber(const MacAddress& mac);
MacAddress macFromNumber(quint64 value);  // the low 48 bits

// Strict dotted quad: four decimal numbers 0..255.
std::optional<Ipv4Address> parseIpv4(const QString& text);
QString ipv4Text(const Ipv4Address& ip);
quint32 ipv4ToNumber(const Ipv4Address& ip);
Ipv4Address ipv4FromNumber(quint32 value);

}  // namespace tavo::sim
