#include "TextScanner.h"

#include <climits>

namespace tavo {
namespace {

// The C locale's white space, which is what the tables' patterns skip.
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void TextScanner::skipSpace() {
    while (m_at < m_text.size() && isSpace(m_text[m_at])) ++m_at;
}

bool TextScanner::atEndIgnoringSpace() const {
    for (size_t i = m_at; i < m_text.size(); ++i) {
        if (!isSpace(m_text[i])) return false;
    }
    return true;
}

bool TextScanner::readNumber(int& value, size_t width) {
    skipSpace();
    const size_t limit = width == 0 ? SIZE_MAX : width;
    size_t used = 0;
    bool negative = false;
    if (m_at < m_text.size() && used < limit && (m_text[m_at] == '+' || m_text[m_at] == '-')) {
        negative = m_text[m_at] == '-';
        ++m_at;
        ++used;
    }
    long long magnitude = 0;
    size_t digits = 0;
    while (m_at < m_text.size() && used < limit && isDigit(m_text[m_at])) {
        if (magnitude <= INT_MAX) magnitude = magnitude * 10 + (m_text[m_at] - '0');
        ++m_at;
        ++used;
        ++digits;
    }
    if (digits == 0) return false;
    if (negative) {
        value = magnitude > static_cast<long long>(INT_MAX) + 1 ? INT_MIN
                                                                : static_cast<int>(-magnitude);
    } else {
        value = magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
    }
    return true;
}

bool TextScanner::readToken(std::string& value) {
    skipSpace();
    const size_t start = m_at;
    while (m_at < m_text.size() && !isSpace(m_text[m_at])) ++m_at;
    if (m_at == start) return false;
    value.assign(m_text.substr(start, m_at - start));
    return true;
}

bool TextScanner::scan(std::string_view pattern, std::span<int* const> numbers,
                       std::span<std::string* const> tokens) {
    size_t nextNumber = 0;
    size_t nextToken = 0;
    for (size_t p = 0; p < pattern.size(); ++p) {
        const char c = pattern[p];
        if (isSpace(c)) {
            skipSpace();
            continue;
        }
        if (c != '%') {
            if (m_at >= m_text.size() || m_text[m_at] != c) return false;
            ++m_at;
            continue;
        }
        size_t width = 0;
        while (p + 1 < pattern.size() && isDigit(pattern[p + 1])) width = width * 10 + (pattern[++p] - '0');
        const char conversion = p + 1 < pattern.size() ? pattern[++p] : '\0';
        if (conversion == 'd' && nextNumber < numbers.size()) {
            if (!readNumber(*numbers[nextNumber++], width)) return false;
        } else if (conversion == 's' && nextToken < tokens.size()) {
            if (!readToken(*tokens[nextToken++])) return false;
        } else {
            return false;  // a pattern this reader does not know, or too few places to store
        }
    }
    return true;
}

}  // namespace tavo
