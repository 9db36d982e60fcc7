#include <gtest/gtest.h>

#include <cstdio>

#include "AddressText.h"

namespace tavo {
namespace {

TEST(ParseHexByte, FollowsTheFieldRules) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"0A", 10}, {"5", 5}, {" 7", 7}, {"G1", -1}, {"a0", -1}, {"", -1},
                 {"FF", 255}, {"00", 0}, {"1G", -1}, {"ABC", 171}, {"  ", -1}, {"-", -1}};
    for (const auto& c : cases) EXPECT_EQ(ParseHexByte(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(parseHexByteAnyCase("ab"), 0xAB);
    EXPECT_EQ(wireOctet(-1), 0xFF);
}

TEST(FormatMac, TwelveUpperCaseDigits) {
    EXPECT_EQ(FormatMac({0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C}), "024B7E0A1B2C");
}

// The forms are written digit by digit for speed: each agrees with the formatted print
// it stands for over every octet, and the aligned one over what a file can hold too.
TEST(DottedForms, AgreeWithTheFormattedPrint) {
    char expected[64];
    for (int v = -1000; v <= 1100; ++v) {
        std::snprintf(expected, sizeof expected, "%3d.%3d.%3d.%3d", v, 255 - v, v / 7, 7);
        ASSERT_EQ(formatDottedAligned(v, 255 - v, v / 7, 7), expected) << v;
    }
    for (int v = 0; v <= 255; ++v) {
        const uint8_t o = uint8_t(v);
        std::snprintf(expected, sizeof expected, "%d.%d.%d.%d", o, uint8_t(255 - v), uint8_t(v / 10), 0);
        ASSERT_EQ(formatDotted({o, uint8_t(255 - v), uint8_t(v / 10), 0}), expected) << v;
        std::snprintf(expected, sizeof expected, "%02X%02X%02X%02X%02X%02X", o, 0, 255, uint8_t(v ^ 0x5A), 16, 1);
        ASSERT_EQ(FormatMac({o, 0, 255, uint8_t(v ^ 0x5A), 16, 1}), expected) << v;
    }
}

TEST(DottedForms, AlignedAndPlainRoundTrip) {
    EXPECT_EQ(formatDottedAligned(Ipv4Octets{192, 168, 1, 10}), "192.168.  1. 10");
    EXPECT_EQ(formatDotted({10, 0, 0, 1}), "10.0.0.1");
    EXPECT_EQ(ParseDottedIp("192.168.  1. 20"), (Ipv4Octets{192, 168, 1, 20}));
    EXPECT_EQ(ParseDottedIp("  1.  2.  3.  4"), (Ipv4Octets{1, 2, 3, 4}));
    EXPECT_EQ(ParseDottedIp("300.0.0.1"), (Ipv4Octets{44, 0, 0, 1}));  // truncated to 8 bits
    EXPECT_EQ(ParseDottedIp(""), (Ipv4Octets{0, 0, 0, 0}));
}

TEST(CommandLineArguments, MacAndIpForms) {
    const MacOctets mac{0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C};
    EXPECT_EQ(parseMacArgument("024b7e0a1b2c"), mac);
    EXPECT_EQ(parseMacArgument("02:4B:7E:0A:1B:2C"), mac);
    EXPECT_EQ(parseMacArgument("02-4b-7e-0a-1b-2c"), mac);
    EXPECT_FALSE(parseMacArgument("02:4B-7E:0A:1B:2C"));
    EXPECT_FALSE(parseMacArgument("024B7E0A1B2"));
    EXPECT_FALSE(parseMacArgument("024B7E0A1B2G"));
    EXPECT_EQ(parseIpArgument("127.0.0.2"), (Ipv4Octets{127, 0, 0, 2}));
    EXPECT_FALSE(parseIpArgument("256.0.0.1"));
    EXPECT_FALSE(parseIpArgument("1.2.3"));
    EXPECT_FALSE(parseIpArgument("1.2.3.4 "));
}

}  // namespace
}  // namespace tavo
