#include "ProcNetUdp.h"

#include <charconv>

namespace tavo {
namespace {

constexpr size_t kIpv4HexDigits = 8;
constexpr size_t kIpv6HexDigits = 32;

// The next blank-separated word of `rest`, which loses it.
std::string_view nextWord(std::string_view& rest) {
    const size_t start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const size_t end = std::min(rest.find_first_of(" \t"), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

template <typename Number>
bool readNumber(std::string_view text, int base, Number& out) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return error == std::errc() && end == text.data() + text.size();
}

// One row: "sl: local rem st tx:rx tr:when retrnsmt uid timeout inode ...".
std::optional<UdpSocketRow> parseRow(std::string_view line, std::endian order) {
    std::string_view rest = line;
    const std::string_view slot = nextWord(rest);
    if (slot.size() < 2 || slot.back() != ':') return std::nullopt;
    const std::string_view local = nextWord(rest);
    const size_t colon = local.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view address = local.substr(0, colon);
    UdpSocketRow row;
    if (!readNumber(local.substr(colon + 1), 16, row.localPort)) return std::nullopt;
    if (address.size() == kIpv4HexDigits) {
        uint32_t word = 0;
        if (!readNumber(address, 16, word)) return std::nullopt;
        Ipv4Octets octets{uint8_t(word >> 24), uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)};
        if (order == std::endian::little) octets = {octets[3], octets[2], octets[1], octets[0]};
        row.localIpv4 = octets;
    } else if (address.size() != kIpv6HexDigits) {
        return std::nullopt;
    }
    // remote address, state, tx:rx queues, timer, retransmits
    for (int skipped = 0; skipped < 5; ++skipped) nextWord(rest);
    if (!readNumber(nextWord(rest), 10, row.uid)) return std::nullopt;
    nextWord(rest);  // timeout
    if (!readNumber(nextWord(rest), 10, row.inode)) return std::nullopt;
    return row;
}

}  // namespace

std::vector<UdpSocketRow> parseProcNetUdp(std::string_view text, std::endian order) {
    std::vector<UdpSocketRow> rows;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        if (auto row = parseRow(text.substr(0, end), order)) rows.push_back(*row);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return rows;
}

std::optional<uint64_t> parseSocketLink(std::string_view target) {
    constexpr std::string_view kHead = "socket:[";
    if (target.size() <= kHead.size() + 1 || target.substr(0, kHead.size()) != kHead || target.back() != ']')
        return std::nullopt;
    uint64_t inode = 0;
    if (!readNumber(target.substr(kHead.size(), target.size() - kHead.size() - 1), 10, inode)) return std::nullopt;
    return inode;
}

}  // namespace tavo
