#include "SimAddress.h"

#include <QStringList>

namespace tavo::sim {

namespace {
constexpr int kMacDigits = 12;

int hexValue(QChar c) {
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
    return -1;
}

// Separators must sit between every pair and be all the same, or absent altogether.
std::optional<QString> stripSeparators(const QString& text) {
    if (text.size() == kMacDigits) return text;
    if (text.size() != kMacDigits + 5) return std::nullopt;
    const QChar sep = text.at(2);
    if (sep != u':' && sep != u'-') return std::nullopt;
    QString digits;
    for (int i = 0; i < text.size(); ++i) {
        if (i % 3 == 2) {
            if (text.at(i) != sep) return std::nullopt;
        } else {
            digits.append(text.at(i));
        }
    }
    return digits;
}
}  // namespace

std::optional<MacAddress> parseMac(const QString& text) {
    const auto digits = stripSeparators(text.trimmed());
    if (!digits) return std::nullopt;
    MacAddress mac{};
    for (int i = 0; i < 6; ++i) {
        const int hi = hexValue(digits->at(2 * i));
        const int lo = hexValue(digits->at(2 * i + 1));
        if (hi < 0 || lo < 0) return std::nullopt;
        mac[i] = static_cast<quint8>(hi * 16 + lo);
    }
    return mac;
}

QString macText(const MacAddress& mac) {
    QString text;
    for (quint8 octet : mac) text += QStringLiteral("%1").arg(octet, 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

quint64 macToNumber(const MacAddress& mac) {
    quint64 value = 0;
    for (quint8 octet : mac) value = (value << 8) | octet;
    return value;
}

MacAddress macFromNumber(quint64 value) {
    MacAddress mac{};
    for (int i = 5; i >= 0; --i, value >>= 8) mac[i] = quint8(value);
    return mac;
}

std::optional<Ipv4Address> parseIpv4(const QString& text) {
    const QStringList parts = text.trimmed().split(u'.');
    if (parts.size() != 4) return std::nullopt;
    Ipv4Address ip{};
    for (int i = 0; i < 4; ++i) {
        const QString& part = parts.at(i);
        if (part.isEmpty() || part.size() > 3) return std::nullopt;
        for (QChar c : part)
            if (c < u'0' || c > u'9') return std::nullopt;
        const int value = part.toInt();
        if (value > 255) return std::nullopt;
        ip[i] = static_cast<quint8>(value);
    }
    return ip;
}

QString ipv4Text(const Ipv4Address& ip) {
    return QStringLiteral("%1.%2.%3.%4").arg(ip[0]).arg(ip[1]).arg(ip[2]).arg(ip[3]);
}

quint32 ipv4ToNumber(const Ipv4Address& ip) {
    return (quint32(ip[0]) << 24) | (quint32(ip[1]) << 16) | (quint32(ip[2]) << 8) | quint32(ip[3]);
}

Ipv4Address ipv4FromNumber(quint32 value) {
    return {quint8(value >> 24), quint8(value >> 16), quint8(value >> 8), quint8(value)};
}

}  // namespace tavo::sim
