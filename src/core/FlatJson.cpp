#include "FlatJson.h"

#include <cstdint>
#include <set>

#include "Utf8Text.h"

namespace tavo {
namespace {

bool isJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class FlatJsonParser {
public:
    explicit FlatJsonParser(std::string_view text) : m_text(text) {}

    std::optional<FlatJsonObject> object() {
        FlatJsonObject out;
        std::set<std::string> keys;  // a line of many keys stays linear in time
        skipSpace();
        if (!take('{')) return std::nullopt;
        skipSpace();
        if (!take('}')) {
            do {
                skipSpace();
                std::string key;
                if (!string(key)) return std::nullopt;
                if (!keys.insert(key).second) return std::nullopt;
                skipSpace();
                if (!take(':')) return std::nullopt;
                skipSpace();
                FlatJsonValue value;
                if (!scalar(value)) return std::nullopt;
                out.emplace_back(std::move(key), std::move(value));
                skipSpace();
            } while (take(','));
            if (!take('}')) return std::nullopt;
        }
        skipSpace();
        if (m_at != m_text.size()) return std::nullopt;
        return out;
    }

private:
    bool atEnd() const { return m_at >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_at]; }
    bool take(char c) {
        if (atEnd() || m_text[m_at] != c) return false;
        ++m_at;
        return true;
    }
    bool takeWord(std::string_view word) {
        if (m_text.substr(m_at, word.size()) != word) return false;
        m_at += word.size();
        return true;
    }
    void skipSpace() {
        while (!atEnd() && isJsonSpace(m_text[m_at])) ++m_at;
    }

    // A nested object or array is not a scalar, so it fails here.
    bool scalar(FlatJsonValue& value) {
        switch (peek()) {
        case '"': value.kind = JsonValueKind::String; return string(value.text);
        case 't': value.kind = JsonValueKind::True; return takeWord("true");
        case 'f': value.kind = JsonValueKind::False; return takeWord("false");
        case 'n': value.kind = JsonValueKind::Null; return takeWord("null");
        default: value.kind = JsonValueKind::Number; return number(value.text);
        }
    }

    bool digits() {
        const size_t start = m_at;
        while (!atEnd() && isDigit(m_text[m_at])) ++m_at;
        return m_at > start;
    }

    bool number(std::string& text) {
        const size_t start = m_at;
        take('-');
        if (take('0')) {
            if (isDigit(peek())) return false;  // no leading zeros
        } else if (!digits()) {
            return false;
        }
        if (take('.') && !digits()) return false;
        if (peek() == 'e' || peek() == 'E') {
            ++m_at;
            if (!take('+')) take('-');
            if (!digits()) return false;
        }
        text.assign(m_text.substr(start, m_at - start));
        return true;
    }

    bool hex4(uint32_t& value) {
        if (m_text.size() - m_at < 4) return false;
        value = 0;
        for (int k = 0; k < 4; ++k) {
            const int digit = hexValue(m_text[m_at++]);
            if (digit < 0) return false;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        return true;
    }

    // \uXXXX, with a high surrogate only as the first half of a pair.
    bool unicodeEscape(std::string& out) {
        uint32_t code = 0;
        if (!hex4(code)) return false;
        if (code >= 0xDC00 && code <= 0xDFFF) return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
            uint32_t low = 0;
            if (!takeWord("\\u") || !hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, code);
        return true;
    }

    bool string(std::string& out) {
        out.clear();
        if (!take('"')) return false;
        while (!atEnd()) {
            const char c = m_text[m_at];
            if (c == '"') {
                ++m_at;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                const size_t length = utf8SequenceLength(m_text, m_at);
                if (length == 0) return false;
                out.append(m_text.substr(m_at, length));
                m_at += length;
                continue;
            }
            ++m_at;
            if (atEnd()) return false;
            const char escaped = m_text[m_at++];
            switch (escaped) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u':
                if (!unicodeEscape(out)) return false;
                break;
            default: return false;
            }
        }
        return false;
    }

    std::string_view m_text;
    size_t m_at = 0;
};

}  // namespace

std::optional<FlatJsonObject> parseFlatJsonObject(std::string_view text) { return FlatJsonParser(text).object(); }

const FlatJsonValue* findJsonField(const FlatJsonObject& object, std::string_view key) {
    for (const auto& [name, value] : object) {
        if (name == key) return &value;
    }
    return nullptr;
}

std::string jsonQuoted(std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const std::string valid = replaceInvalidUtf8(text);
    std::string out;
    out.reserve(valid.size() + 2);
    out += '"';
    for (const char c : valid) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

}  // namespace tavo
