#include "Utf8Text.h"

namespace tavo {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

bool inRange(unsigned char c, unsigned char low, unsigned char high) { return c >= low && c <= high; }

}  // namespace

// The table of well-formed sequences: the second byte's range depends on the first, which
// is what excludes overlong forms, surrogates and code points past U+10FFFF.
size_t utf8SequenceLength(std::string_view text, size_t at) {
    if (at >= text.size()) return 0;
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char first = byte(0);
    if (first < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (inRange(first, 0xC2, 0xDF)) {
        length = 2;
    } else if (inRange(first, 0xE0, 0xEF)) {
        length = 3;
        if (first == 0xE0) low = 0xA0;
        if (first == 0xED) high = 0x9F;
    } else if (inRange(first, 0xF0, 0xF4)) {
        length = 4;
        if (first == 0xF0) low = 0x90;
        if (first == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - at < length || !inRange(byte(1), low, high)) return 0;
    for (size_t k = 2; k < length; ++k) {
        if (!inRange(byte(k), 0x80, 0xBF)) return 0;
    }
    return length;
}

bool isValidUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8SequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string replaceInvalidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8SequenceLength(text, at);
        if (length == 0) {
            out += kReplacementCharacter;
            ++at;
        } else {
            out.append(text.substr(at, length));
            at += length;
        }
    }
    return out;
}

void appendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace tavo
