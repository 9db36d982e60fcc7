#pragma once

#include <span>
#include <string>
#include <string_view>

// A bounded reader for the text tables that follows the formatted-input rules of the C
// library for the few directives the tables use, over text already in memory:
//   blank, tab or newline  matches any run of white space, including none;
//   %d, %3d                skips white space, then reads an optional sign and decimal
//                          digits, at most the width in characters (the sign counts);
//   %s                     skips white space, then reads one run of non-blank characters;
//   any other character    must be the next character of the text.
// Unlike the C library it never writes into a fixed buffer (a %s token of any length is
// held whole) and a number too large for an int saturates instead of being undefined.
namespace tavo {

class TextScanner {
public:
    explicit TextScanner(std::string_view text) : m_text(text) {}

    // Applies `pattern` at the current place. Each %d stores into the next entry of
    // `numbers`, each %s into the next entry of `tokens`. Returns true when the whole
    // pattern matched; on false the place is left wherever the mismatch was found and
    // the values stored so far are unreliable.
    bool scan(std::string_view pattern, std::span<int* const> numbers,
              std::span<std::string* const> tokens);

    // True when only white space is left.
    bool atEndIgnoringSpace() const;

private:
    void skipSpace();
    bool readNumber(int& value, size_t width);
    bool readToken(std::string& value);

    std::string_view m_text;
    size_t m_at = 0;
};

}  // namespace tavo
