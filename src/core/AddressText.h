#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Address texts shared by every subsystem: hexadecimal byte fields, MAC texts and the
// two dotted forms of an IPv4 address.
namespace tavo {

using Ipv4Octets = std::array<uint8_t, 4>;
using MacOctets = std::array<uint8_t, 6>;

// The text of a one- or two-character hexadecimal field as 0..255, or -1.
// Upper-case digits only; a leading blank before a non-blank is skipped; characters
// after the second are ignored.
int ParseHexByte(std::string_view text);

// The pick list's variant: the text is turned to upper case first.
int parseHexByteAnyCase(std::string_view text);

// The octet that a field value goes on the wire as: -1 becomes 0xFF.
inline uint8_t wireOctet(int value) { return static_cast<uint8_t>(value < 0 ? 0xFF : value); }

// Twelve upper-case hexadecimal characters, first octet first (024B7E0A1B2C).
std::string FormatMac(const MacOctets& mac);

// Four pieces cut at the dots, each a decimal number with leading blanks skipped,
// truncated to 8 bits. Missing or empty pieces read as 0.
Ipv4Octets ParseDottedIp(std::string_view text);

// "%d.%d.%d.%d" (commands, socket addresses).
std::string formatDotted(const Ipv4Octets& ip);
// "%3d.%3d.%3d.%3d" (the device table and the IP pick list).
std::string formatDottedAligned(int a, int b, int c, int d);
inline std::string formatDottedAligned(const Ipv4Octets& ip) {
    return formatDottedAligned(ip[0], ip[1], ip[2], ip[3]);
}

// A MAC given on a command line: twelve hexadecimal digits, or six pairs separated by
// ":" or "-". Either case. Nothing else.
std::optional<MacOctets> parseMacArgument(std::string_view text);

// A strict dotted IPv4 address for command lines: four decimal octets 0..255.
std::optional<Ipv4Octets> parseIpArgument(std::string_view text);

}  // namespace tavo
