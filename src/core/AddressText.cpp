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

// The address texts are made for every record of a table and every row of an import, so
// they are written digit by digit rather than through a formatted print.
std::string FormatMac(const MacOctets& mac) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(12, '0');
    for (size_t i = 0; i < mac.size(); ++i) {
        text[2 * i] = kDigits[mac[i] >> 4];
        text[2 * i + 1] = kDigits[mac[i] & 0xF];
    }
    return text;
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
    std::string text;
    text.reserve(15);
    for (size_t k = 0; k < ip.size(); ++k) {
        if (k > 0) text += '.';
        const int value = ip[k];
        if (value >= 100) text += char('0' + value / 100);
        if (value >= 10) text += char('0' + value / 10 % 10);
        text += char('0' + value % 10);
    }
    return text;
}

std::string formatDottedAligned(int a, int b, int c, int d) {
    const int octets[4] = {a, b, c, d};
    std::string text(15, ' ');
    for (size_t k = 0; k < 4; ++k) {
        int value = octets[k];
        // What fits three characters is written here; anything wider takes the general path.
        if (value < -99 || value > 999) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%3d.%3d.%3d.%3d", a, b, c, d);
            return buffer;
        }
        char* end = text.data() + 4 * k + 3;  // one past the octet's last character
        const bool negative = value < 0;
        if (negative) value = -value;
        do {
            *--end = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        if (negative) *--end = '-';
        if (k < 3) text[4 * k + 3] = '.';
    }
    return text;
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
