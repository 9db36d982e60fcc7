#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "TextScanner.h"

namespace tavo {
namespace {

TEST(TextScanner, FollowsTheFormattedInputRules) {
    struct Case {
        const char* pattern;
        const char* text;
        bool matches;
        int first;
        int second;
        const char* token;
    } cases[] = {
        {"%3d.%3d", "  1.  2", true, 1, 2, ""},
        {"%3d.%3d", "1234.5", false, 123, 0, ""},      // three characters, then "4" is not "."
        {"%3d.%3d", "-12.+34", true, -12, 34, ""},
        {"%3d.%3d", "+123.4", false, 0, 0, ""},        // the sign is one of the three: "+12", then "3"
        {"%3d %3d", "-12 +3", true, -12, 3, ""},
        {"%d:%d", "99999999999:-99999999999", true, INT_MAX, INT_MIN, ""},
        {"a : %d", "a:7", true, 7, 0, ""},              // a blank matches no white space too
        {"a : %d", "a\r\n\t :  7", true, 7, 0, ""},
        {"[%d]", " [1]", false, 0, 0, ""},              // ordinary characters skip nothing
        {"%d %s", "5 \r\nABC def", true, 5, 0, "ABC"},
        {"%d %s", "5 \r\n", false, 5, 0, ""},
        {"%d", "-x", false, 0, 0, ""},
    };
    for (const auto& c : cases) {
        int first = 0;
        int second = 0;
        std::string token;
        TextScanner scanner(c.text);
        const std::array<int*, 2> numbers{&first, &second};
        const std::array<std::string*, 1> tokens{&token};
        EXPECT_EQ(scanner.scan(c.pattern, numbers, tokens), c.matches) << c.pattern << " | " << c.text;
        if (c.matches) {
            EXPECT_EQ(first, c.first) << c.pattern << " | " << c.text;
            EXPECT_EQ(second, c.second) << c.pattern << " | " << c.text;
            EXPECT_EQ(token, c.token) << c.pattern << " | " << c.text;
        }
    }
}

TEST(TextScanner, TokenOfAnyLengthIsHeldWhole) {
    const std::string text = "MAC : " + std::string(70000, 'F') + " \n";
    std::string token;
    TextScanner scanner(text);
    const std::array<std::string*, 1> tokens{&token};
    ASSERT_TRUE(scanner.scan("MAC : %s \n", {}, tokens));
    EXPECT_EQ(token.size(), 70000u);
    EXPECT_TRUE(scanner.atEndIgnoringSpace());
}

}  // namespace
}  // namespace tavo
