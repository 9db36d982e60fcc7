#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The registers file of the commissioning line: one register and its value per line,
// "REG VALUE", each one or two hexadecimal digits in either case, separated by blanks or
// tabs; "#" starts a comment that runs to the end of the line; blank lines are ignored.
// LF or CR LF, an optional UTF-8 byte order mark.
namespace tavo {

struct RegisterSetting {
    uint8_t reg = 0;
    uint8_t value = 0;
    bool operator==(const RegisterSetting&) const = default;
};

enum class RegisterFileProblemKind {
    BadRegister,  // the first word is not 1 or 2 hexadecimal digits
    BadValue,     // the second word is missing or not 1 or 2 hexadecimal digits
    ExtraText,    // something other than a comment follows the value
    Duplicate,    // the register was given on an earlier line (otherLine)
    TooLong,      // the file is longer than kMaxRegisterFileBytes
};

struct RegisterFileProblem {
    RegisterFileProblemKind kind = RegisterFileProblemKind::BadRegister;
    int line = 0;       // 1-based
    std::string word;   // the offending word, as written (at most 32 bytes of it)
    int otherLine = 0;  // Duplicate
};

inline constexpr size_t kMaxRegisterFileBytes = 64 * 1024;

struct RegisterFileRead {
    std::vector<RegisterSetting> settings;  // in file order
    std::optional<RegisterFileProblem> problem;  // the first problem; settings are empty then
};

RegisterFileRead parseRegisterFile(std::string_view text);

}  // namespace tavo
