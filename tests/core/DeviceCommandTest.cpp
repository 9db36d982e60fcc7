#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "DeviceCommand.h"

namespace tavo {
namespace {

// "50 01 00" -> bytes; blanks separate the pairs.
std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 3) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, size_t zeros) {
    a.insert(a.end(), zeros, 0);
    return a;
}

TEST(DeviceCommand, ShortCommandsHaveTheirGoldenBytes) {
    struct Case {
        const char* name;
        std::vector<uint8_t> encoded;
        const char* golden;
    } cases[] = {
        {"ip clear", encodeIpClear(), "36"},
        {"read sector 0", encodeSectorRead(0), "50 00 00"},
        {"read sector 5", encodeSectorRead(5), "50 00 05"},
        {"read sector 256", encodeSectorRead(256), "50 01 00"},
        {"read sector 2047", encodeSectorRead(2047), "50 07 FF"},
        {"read sector cut to 16 bits", encodeSectorRead(65536 + 5), "50 00 05"},
        {"read sector -1", encodeSectorRead(-1), "50 FF FF"},
        {"register read", encodeRegisterRead(0x0F), "30 0F"},
        {"register table read", encodeRegisterTableRead(), "10"},
        {"register write", encodeRegisterWrite(0x1B, 0xC4), "20 1B C4"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.encoded, Bytes(c.golden)) << c.name;
}

TEST(DeviceCommand, IpSearchIsAlways60Bytes) {
    const auto request = encodeIpSearch({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E});
    EXPECT_EQ(request, Concat(Bytes("35 00 1A 2B 3C 4D 5E"), 53));
    EXPECT_EQ(encodeIpSearch({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
              Concat(Bytes("35 FF FF FF FF FF FF"), 53));
}

TEST(DeviceCommand, SectorWriteAndClearCarry256DataBytes) {
    SectorData data;
    std::iota(data.begin(), data.end(), 0);  // 00 01 .. FF
    std::vector<uint8_t> expected = Bytes("40 07 FF");
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(encodeSectorWrite(2047, data), expected);

    EXPECT_EQ(encodeSectorClear(256), Concat(Bytes("40 01 00"), 256));
    EXPECT_EQ(encodeSectorClear(2043).size(), SECTOR_WRITE_LENGTH);
}

TEST(DeviceCommand, UploadBlocksAreThreeBytesPlusTheirData) {
    std::vector<uint8_t> full(256, 0xAB);
    const auto first = encodeUploadBlock(0, full);
    EXPECT_EQ(first, [&] { auto v = Bytes("40 00 00"); v.insert(v.end(), full.begin(), full.end()); return v; }());

    const std::vector<uint8_t> one{0x7E};
    EXPECT_EQ(encodeUploadBlock(1, one), Bytes("40 00 01 7E"));
    EXPECT_EQ(encodeUploadBlock(2031, {}), Bytes("40 07 EF"));

    // More than one block of data is refused rather than cut.
    const std::vector<uint8_t> tooLong(257, 0);
    EXPECT_TRUE(encodeUploadBlock(3, tooLong).empty());
}

TEST(DeviceCommand, SearchRepliesFollowTheReceiveBufferRules) {
    const MacOctets mac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    const auto answer = Bytes("35 00 1A 2B 3C 4D 5E C0 A8 01 14");
    struct Case {
        const char* name;
        std::vector<uint8_t> datagram;
        bool ok;
        Ipv4Octets ip;
        bool matches;
    } cases[] = {
        {"answer without padding", answer, true, {192, 168, 1, 20}, true},
        {"exactly 66 bytes", Concat(answer, 66 - answer.size()), true, {192, 168, 1, 20}, true},
        {"67 bytes fail", Concat(answer, 67 - answer.size()), false, {0, 0, 0, 0}, false},
        {"byte 0 not examined", Bytes("00 00 1A 2B 3C 4D 5E 0A 00 00 07"), true, {10, 0, 0, 7}, true},
        {"other device", Bytes("35 00 1A 2B 3C 4D 5F 0A 00 00 07"), true, {10, 0, 0, 7}, false},
        {"cut short: missing address reads zero", Bytes("35 00 1A 2B 3C 4D 5E C0 A8"), true, {192, 168, 0, 0}, true},
        {"empty datagram", {}, true, {0, 0, 0, 0}, false},
    };
    for (const auto& c : cases) {
        const SearchReply reply = decodeSearchReply(c.datagram);
        EXPECT_EQ(reply.ok, c.ok) << c.name;
        EXPECT_EQ(reply.ip, c.ip) << c.name;
        EXPECT_EQ(searchReplyMatches(reply, mac), c.matches) << c.name;
    }
}

TEST(DeviceCommand, SectorRepliesFollowTheReceiveBufferRules) {
    std::vector<uint8_t> exact(SECTOR_REPLY_BUFFER);
    std::iota(exact.begin(), exact.end(), 0);  // byte k = k mod 256
    struct Case {
        const char* name;
        std::vector<uint8_t> datagram;
        bool ok;
        size_t dataBytesKept;  // the rest reads as zero
    } cases[] = {
        {"exact 257 bytes", exact, true, 256},
        {"short", std::vector<uint8_t>(exact.begin(), exact.begin() + 11), true, 10},
        {"258 bytes fail", Concat(exact, 1), false, 0},
        {"empty datagram", {}, true, 0},
    };
    for (const auto& c : cases) {
        const SectorReply reply = decodeSectorReply(c.datagram);
        EXPECT_EQ(reply.ok, c.ok) << c.name;
        for (size_t i = 0; i < SECTOR_SIZE; ++i) {
            const uint8_t expected = i < c.dataBytesKept ? static_cast<uint8_t>(i + 1) : 0;
            ASSERT_EQ(reply.data[i], expected) << c.name << " byte " << i;
        }
    }
}

TEST(DeviceCommand, RegisterRepliesAreRecognisedByTheirFirstByte) {
    std::vector<uint8_t> table = Bytes("10");
    for (int r = REGISTER_TABLE_FIRST; r <= 0xFF; ++r) table.push_back(static_cast<uint8_t>(r ^ 0x5A));
    struct Case {
        const char* name;
        std::vector<uint8_t> datagram;
        bool ok;
        RegisterReplyKind kind;
        uint8_t value;
    } cases[] = {
        {"value", Bytes("30 0A"), true, RegisterReplyKind::Value, 0x0A},
        {"value padded to 241", Concat(Bytes("30 C4"), 239), true, RegisterReplyKind::Value, 0xC4},
        {"value without its byte", Bytes("30"), true, RegisterReplyKind::Value, 0},
        {"table", table, true, RegisterReplyKind::Table, 0},
        {"242 bytes fail", Concat(Bytes("30 0A"), 240), false, RegisterReplyKind::Unknown, 0},
        {"write echo is unknown", Bytes("20 1B C4"), true, RegisterReplyKind::Unknown, 0},
        {"empty datagram", {}, true, RegisterReplyKind::Unknown, 0},
    };
    for (const auto& c : cases) {
        const RegisterReply reply = decodeRegisterReply(c.datagram);
        EXPECT_EQ(reply.ok, c.ok) << c.name;
        EXPECT_EQ(reply.kind, c.kind) << c.name;
        EXPECT_EQ(reply.value, c.value) << c.name;
    }

    const RegisterReply full = decodeRegisterReply(table);
    EXPECT_EQ(full.table.front(), 0x10 ^ 0x5A);
    EXPECT_EQ(full.table.back(), 0xFF ^ 0x5A);
    const RegisterReply cut = decodeRegisterReply(std::vector<uint8_t>(table.begin(), table.begin() + 3));
    EXPECT_EQ(cut.table[1], 0x11 ^ 0x5A);
    EXPECT_EQ(cut.table[2], 0);  // missing registers read as zero
}

}  // namespace
}  // namespace tavo
