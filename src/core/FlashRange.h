#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The sector ranges of the maintenance operations. Sectors 0..2047 can be read, but only
// 0..2043 cleared (the last four sectors are never erased by the clear). The checks run
// in a fixed order and the first failure decides.
namespace tavo {

inline constexpr uint32_t LAST_READABLE_SECTOR = 2047;
inline constexpr uint32_t LAST_CLEARABLE_SECTOR = 2043;

enum class RangeCheck {
    Ok,
    FromOutOfRange,  // "from" above the last sector of the operation
    ToOutOfRange,    // "to" above the last sector of the operation
    FromAfterTo,     // "to" below "from"
};

RangeCheck checkReadRange(uint32_t from, uint32_t to);
RangeCheck checkClearRange(uint32_t from, uint32_t to);

// The text of a field that holds an unsigned 32-bit decimal number: digits only, blanks
// around them allowed. Anything else (empty, a sign, letters, more than 4294967295) is none.
std::optional<uint32_t> parseUnsignedField(std::string_view text);

}  // namespace tavo
