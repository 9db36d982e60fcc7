#include <gtest/gtest.h>

#include "RegisterSettings.h"

namespace tavo {
namespace {

using Kind = RegisterFileProblemKind;

struct GoodCase {
    const char* name;
    std::string text;
    std::vector<RegisterSetting> settings;
};

TEST(RegisterSettings, FilesThatParse) {
    const GoodCase cases[] = {
        {"empty", "", {}},
        {"comments and blank lines only", "# the plant's settings\n\n   \n\t# more\n", {}},
        {"one per line", "21 00\n22 FF\n", {{0x21, 0x00}, {0x22, 0xFF}}},
        {"in file order", "FE 01\n00 02\n7f 03\n", {{0xFE, 1}, {0x00, 2}, {0x7F, 3}}},
        {"either case", "0a Ff\nB c\n", {{0x0A, 0xFF}, {0x0B, 0x0C}}},
        {"one digit", "1 2\nf 0\n", {{0x01, 0x02}, {0x0F, 0x00}}},
        {"tabs and runs of blanks", "\t21\t \t00  \t\n   22 01\n", {{0x21, 0}, {0x22, 1}}},
        {"a comment after the value", "21 00 # speed\n22 01#glued\n", {{0x21, 0}, {0x22, 1}}},
        {"CR LF", "21 00\r\n22 01\r\n", {{0x21, 0}, {0x22, 1}}},
        {"no line end at the end", "21 00\n22 01", {{0x21, 0}, {0x22, 1}}},
        {"a CR at the very end", "21 00\r", {{0x21, 0}}},
        {"a byte order mark", "\xEF\xBB\xBF" "21 00\n", {{0x21, 0}}},
        {"a byte order mark before a comment", "\xEF\xBB\xBF# x\n21 00\n", {{0x21, 0}}},
    };
    for (const GoodCase& c : cases) {
        const RegisterFileRead read = parseRegisterFile(c.text);
        EXPECT_FALSE(read.problem) << c.name << ": line " << read.problem->line << " " << read.problem->word;
        EXPECT_EQ(read.settings, c.settings) << c.name;
    }
}

TEST(RegisterSettings, EveryRegisterOnce) {
    std::string text;
    std::vector<RegisterSetting> expected;
    for (int reg = 0; reg < 256; ++reg) {
        char line[16];
        std::snprintf(line, sizeof line, "%02X %x\n", reg, 255 - reg);
        text += line;
        expected.push_back({uint8_t(reg), uint8_t(255 - reg)});
    }
    const RegisterFileRead read = parseRegisterFile(text);
    EXPECT_FALSE(read.problem);
    EXPECT_EQ(read.settings, expected);
}

struct BadCase {
    const char* name;
    std::string text;
    Kind kind;
    int line;
    std::string word;
    int otherLine = 0;
};

// The first problem, with its line and the word as written; no settings then, so that a
// half-read file is never written to a device.
TEST(RegisterSettings, FilesWithAProblem) {
    const BadCase cases[] = {
        {"a prefix", "21 00\n0x21 00\n", Kind::BadRegister, 2, "0x21"},
        {"three digits", "123 4\n", Kind::BadRegister, 1, "123"},
        {"not hexadecimal", "# c\r\nzz 1\r\n", Kind::BadRegister, 2, "zz"},
        {"a sign", "-1 0\n", Kind::BadRegister, 1, "-1"},
        {"a register with its value glued", "21=00\n", Kind::BadRegister, 1, "21=00"},
        {"a missing value", "21 00\n22\n", Kind::BadValue, 2, ""},
        {"a value cut by a comment", "21#00\n", Kind::BadValue, 1, ""},
        {"a bad value", "21 1G\n", Kind::BadValue, 1, "1G"},
        {"a value of three digits", "21 100\n", Kind::BadValue, 1, "100"},
        {"a lone CR inside a line", "21 00\r22 01\n", Kind::BadValue, 1, "00\r22"},
        {"extra text", "21 00 ff\n", Kind::ExtraText, 1, "ff"},
        {"extra text before a comment", "21 00 x # y\n", Kind::ExtraText, 1, "x"},
        {"a duplicate", "21 00\n# c\n21 01\n", Kind::Duplicate, 3, "21", 1},
        {"a duplicate written otherwise", "a 1\n\n0A 2\n", Kind::Duplicate, 3, "0A", 1},
        {"the first problem wins", "21 00\nzz 00\n21 01\n", Kind::BadRegister, 2, "zz"},
        {"a byte order mark not at the start", "21 00\n\xEF\xBB\xBF" "22 00\n", Kind::BadRegister, 2,
         "\xEF\xBB\xBF" "22"},
        {"a NUL byte", std::string("21 0\0", 5) + "\n", Kind::BadValue, 1, std::string("0\0", 2)},
    };
    for (const BadCase& c : cases) {
        const RegisterFileRead read = parseRegisterFile(c.text);
        ASSERT_TRUE(read.problem) << c.name;
        EXPECT_EQ(read.problem->kind, c.kind) << c.name;
        EXPECT_EQ(read.problem->line, c.line) << c.name;
        EXPECT_EQ(read.problem->word, c.word) << c.name;
        EXPECT_EQ(read.problem->otherLine, c.otherLine) << c.name;
        EXPECT_TRUE(read.settings.empty()) << c.name;
    }
}

// A message quotes at most 32 bytes of a word, never half a character.
TEST(RegisterSettings, LongWordsAreQuotedInPart) {
    const std::string ascii(100, 'x');
    RegisterFileRead read = parseRegisterFile(ascii + " 00\n");
    ASSERT_TRUE(read.problem);
    EXPECT_EQ(read.problem->word, ascii.substr(0, 32));
    std::string accented;
    for (int i = 0; i < 12; ++i) accented += "\xC3\xA8";  // 24 bytes
    accented = "123456789" + accented;                    // a two-byte letter across byte 32
    read = parseRegisterFile("21 " + accented + "\n");
    ASSERT_TRUE(read.problem);
    EXPECT_EQ(read.problem->word, accented.substr(0, 31));
    const std::string binary(40, '\xFF');
    read = parseRegisterFile(binary + "\n");
    ASSERT_TRUE(read.problem);
    EXPECT_EQ(read.problem->word, binary.substr(0, 32));
}

TEST(RegisterSettings, FileOverTheBoundIsTooLong) {
    std::string text = "21 00\n";
    text += std::string(kMaxRegisterFileBytes - text.size() - 1, '#') + "\n";
    ASSERT_EQ(text.size(), kMaxRegisterFileBytes);
    EXPECT_FALSE(parseRegisterFile(text).problem);
    text += "\n";
    const RegisterFileRead read = parseRegisterFile(text);
    ASSERT_TRUE(read.problem);
    EXPECT_EQ(read.problem->kind, Kind::TooLong);
    EXPECT_EQ(read.problem->line, 0);
    EXPECT_TRUE(read.settings.empty());
}

}  // namespace
}  // namespace tavo
