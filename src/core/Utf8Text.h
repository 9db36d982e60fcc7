#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 checks for texts that come from outside (file names, report lines): a report
// written as JSON must be valid UTF-8 for every reader, whatever bytes a file name held.
namespace tavo {

// The length of the well-formed UTF-8 sequence that starts at `at` (1 to 4), or 0 when
// the bytes there are not one (a stray continuation byte, an overlong form, a surrogate,
// a code point above U+10FFFF, a sequence cut short).
size_t utf8SequenceLength(std::string_view text, size_t at);

bool isValidUtf8(std::string_view text);

// `text` with every byte that is not part of a well-formed sequence replaced by U+FFFD.
std::string replaceInvalidUtf8(std::string_view text);

// Appends the code point (at most U+10FFFF, no surrogate) in UTF-8.
void appendUtf8(std::string& out, uint32_t codePoint);

}  // namespace tavo
