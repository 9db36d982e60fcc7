#include "FlashRange.h"

namespace tavo {
namespace {

RangeCheck checkRange(uint32_t from, uint32_t to, uint32_t last) {
    if (from > last) return RangeCheck::FromOutOfRange;
    if (to > last) return RangeCheck::ToOutOfRange;
    if (to < from) return RangeCheck::FromAfterTo;
    return RangeCheck::Ok;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

RangeCheck checkReadRange(uint32_t from, uint32_t to) { return checkRange(from, to, LAST_READABLE_SECTOR); }
RangeCheck checkClearRange(uint32_t from, uint32_t to) { return checkRange(from, to, LAST_CLEARABLE_SECTOR); }

std::optional<uint32_t> parseUnsignedField(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > UINT32_MAX) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace tavo
