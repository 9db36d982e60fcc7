#include "AddressText.h"

#include <cctype>
#include <cstdio>

namespace tavo {
namespace {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decimal number with leading blanks skipped, as the C library's atoi reads it; the
// value is clamped so that no input can overflow.
long readDecimalPiece(std::string_view piece) {
    size_t i = 0;
    while (i < piece.size() && std::isspace(static_cast<unsigned char>(piece[i]))) ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) negative = piece[i++] == '-';
    long value = 0;
    for (; i < piece.size() && std::isdigit(static_cast<unsigned char>(piece[i])); ++i) {
        if (value < 100000000) value = value * 10 + (piece[i] - '0');
    }
    return negative ? -value : value;
}

}  // namespace

int ParseHexByte(std::string_view text) {
    if (text.empty()) return -1;
    if (text.size() >= 2 && text[0] == ' ' && text[1] != ' ') text = text.substr(1);
    const int high = hexDigitValue(text[0]);
    if (high < 0) return -1;
    if (text.size() == 1) return high;
    const int low = hexDigitValue(text[1]);
    if (low < 0) return -1;
    return high * 16 + low;
}

int parseHexByteAnyCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ParseHexByte(upper);
}

std::string FormatMac(const MacOctets& mac) {
    char buffer[13];
    std::snprintf(buffer, sizeof buffer, "%02X%02X%02X%02X%02X%02X", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    return buffer;
}

Ipv4Octets ParseDottedIp(std::string_view text) {
    Ipv4Octets out{};
    for (size_t part = 0; part < 4; ++part) {
        const size_t dot = part < 3 ? text.find('.') : std::string_view::npos;
        const std::string_view piece = text.substr(0, dot);
        out[part] = static_cast<uint8_t>(readDecimalPiece(piece) & 0xFF);
        if (dot == std::string_view::npos) {
            text = {};
        } else {
            text = text.substr(dot + 1);
        }
    }
    return out;
}

std::string formatDotted(const Ipv4Octets& ip) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);
    return buffer;
}

std::string formatDottedAligned(int a, int b, int c, int d) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%3d.%3d.%3d.%3d", a, b, c, d);
    return buffer;
}

std::optional<MacOctets> parseMacArgument(std::string_view text) {
    std::string digits;
    if (text.size() == 12) {
        digits = text;
    } else if (text.size() == 17) {
        const char separator = text[2];
        if (separator != ':' && separator != '-') return std::nullopt;
        for (size_t i = 0; i < text.size(); ++i) {
            if (i % 3 == 2) {
                if (text[i] != separator) return std::nullopt;
            } else {
                digits += text[i];
            }
        }
    } else {
        return std::nullopt;
    }
    MacOctets mac{};
    for (size_t i = 0; i < 6; ++i) {
        const std::string_view pair = std::string_view(digits).substr(2 * i, 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
            !std::isxdigit(static_cast<unsigned char>(pair[1]))) {
            return std::nullopt;
        }
        mac[i] = static_cast<uint8_t>(parseHexByteAnyCase(pair));
    }
    return mac;
}

std::optional<Ipv4Octets> parseIpArgument(std::string_view text) {
    Ipv4Octets ip{};
    size_t part = 0;
    while (part < 4) {
        size_t i = 0;
        int value = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i < 3) {
            value = value * 10 + (text[i] - '0');
            ++i;
        }
        if (i == 0 || value > 255) return std::nullopt;
        ip[part++] = static_cast<uint8_t>(value);
        text = text.substr(i);
        if (part < 4) {
            if (text.empty() || text[0] != '.') return std::nullopt;
            text = text.substr(1);
        }
    }
    if (!text.empty()) return std::nullopt;
    return ip;
}

}  // namespace tavo
