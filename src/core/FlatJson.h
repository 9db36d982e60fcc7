#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The one-level JSON objects of a JSON-lines file: written with every string escaped, and
// read strictly, because a line that is not exactly such an object is not a line this
// program wrote and must not be taken as one.
namespace tavo {

enum class JsonValueKind { String, Number, True, False, Null };

struct FlatJsonValue {
    JsonValueKind kind = JsonValueKind::Null;
    std::string text;  // String: the decoded UTF-8 text; Number: the number as written
};

using FlatJsonObject = std::vector<std::pair<std::string, FlatJsonValue>>;

// One object of strings, numbers, true, false and null, with white space around its
// parts and nothing after it. Nothing for anything else: a nested object or array, a
// repeated key, a bad escape or lone surrogate, invalid UTF-8, a control character in a
// string, a number JSON does not allow.
std::optional<FlatJsonObject> parseFlatJsonObject(std::string_view text);

// The value of `key`, or null when the object has none.
const FlatJsonValue* findJsonField(const FlatJsonObject& object, std::string_view key);

// `text` as a JSON string with its quotes: " and \ escaped, control characters as \u00XX,
// other characters as they are; a byte that is not valid UTF-8 becomes U+FFFD.
std::string jsonQuoted(std::string_view text);

}  // namespace tavo
