#include "RegisterSettings.h"

#include <algorithm>
#include <array>

#include "Utf8Text.h"

namespace tavo {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kMaxWordBytes = 32;
constexpr char kComment = '#';

bool isBlank(char c) { return c == ' ' || c == '\t'; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One or two hexadecimal digits in either case, nothing else ("0x21" is not one).
std::optional<uint8_t> hexByte(std::string_view word) {
    if (word.empty() || word.size() > 2) return std::nullopt;
    int value = 0;
    for (const char c : word) {
        const int digit = hexDigit(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + digit;
    }
    return static_cast<uint8_t>(value);
}

// The word as the operator wrote it, cut to its first bytes without splitting a
// character, so that a message can quote it.
std::string quotedWord(std::string_view word) {
    if (word.size() <= kMaxWordBytes) return std::string(word);
    size_t end = 0;
    while (end < kMaxWordBytes) {
        const size_t length = utf8SequenceLength(word, end);
        if (length == 0 || end + length > kMaxWordBytes) break;
        end += length;
    }
    // A word of bytes that are not UTF-8 is cut at the bound as it is.
    return std::string(word.substr(0, end == 0 ? kMaxWordBytes : end));
}

// The words of a line up to its comment.
std::array<std::string_view, 3> firstWords(std::string_view line) {
    line = line.substr(0, line.find(kComment));
    std::array<std::string_view, 3> words{};
    size_t at = 0;
    for (std::string_view& word : words) {
        while (at < line.size() && isBlank(line[at])) ++at;
        const size_t start = at;
        while (at < line.size() && !isBlank(line[at])) ++at;
        word = line.substr(start, at - start);
    }
    return words;
}

RegisterFileRead failed(RegisterFileProblemKind kind, int line, std::string_view word, int otherLine = 0) {
    RegisterFileRead read;
    read.problem = RegisterFileProblem{kind, line, quotedWord(word), otherLine};
    return read;
}

}  // namespace

RegisterFileRead parseRegisterFile(std::string_view text) {
    if (text.size() > kMaxRegisterFileBytes) return failed(RegisterFileProblemKind::TooLong, 0, {});
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    RegisterFileRead read;
    std::array<int, 256> givenOn{};  // the line each register was given on, 0 for none
    int lineNumber = 0;
    for (size_t at = 0; at < text.size();) {
        ++lineNumber;
        const size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto [regWord, valueWord, extraWord] = firstWords(line);
        if (regWord.empty()) continue;
        const std::optional<uint8_t> reg = hexByte(regWord);
        if (!reg) return failed(RegisterFileProblemKind::BadRegister, lineNumber, regWord);
        const std::optional<uint8_t> value = hexByte(valueWord);
        if (!value) return failed(RegisterFileProblemKind::BadValue, lineNumber, valueWord);
        if (!extraWord.empty()) return failed(RegisterFileProblemKind::ExtraText, lineNumber, extraWord);
        if (givenOn[*reg] != 0) return failed(RegisterFileProblemKind::Duplicate, lineNumber, regWord, givenOn[*reg]);
        givenOn[*reg] = lineNumber;
        read.settings.push_back({*reg, *value});
    }
    return read;
}

}  // namespace tavo
