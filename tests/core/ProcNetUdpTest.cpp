#include "ProcNetUdp.h"

#include <gtest/gtest.h>

namespace tavo {
namespace {

// Taken from a little-endian Linux machine with sockets on 0.0.0.0:6767, 127.0.0.1:6868,
// 127.0.0.1 connected to 127.0.0.5:9, and [::]:6769 (the udp6 table after its heading).
const char* const kProcNetUdp =
    "   sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops            \n"
    " 7847: 00000000:1A6F 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 33891 2 0000000063aa1dc2 0         \n"
    " 7948: 0100007F:1AD4 00000000:0000 07 00000000:00000000 00:00000000 00000000   105        0 33892 2 000000006dd69be2 0         \n"
    "10530: 0100007F:A4EA 0500007F:0009 01 00000000:00000000 00:00000000 00000000     0        0 33893 2 00000000f88a86bb 0         \n";
const char* const kProcNetUdp6 =
    "  sl  local_address                         remote_address                        st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
    " 7849: 00000000000000000000000000000000:1A71 00000000000000000000000000000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 33894 2 0000000086c9e884 0\n";

TEST(ProcNetUdp, ReadsEveryRowOfTheKernelsText) {
    const std::vector<UdpSocketRow> rows = parseProcNetUdp(kProcNetUdp, std::endian::little);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].localIpv4, (Ipv4Octets{0, 0, 0, 0}));
    EXPECT_EQ(rows[0].localPort, 6767);
    EXPECT_EQ(rows[0].inode, 33891u);
    EXPECT_EQ(rows[1].localIpv4, (Ipv4Octets{127, 0, 0, 1}));
    EXPECT_EQ(rows[1].localPort, 6868);
    EXPECT_EQ(rows[1].uid, 105u);
    EXPECT_EQ(rows[1].inode, 33892u);
    EXPECT_EQ(rows[2].localPort, 0xA4EA);  // the local side, not the remote port 9
    EXPECT_EQ(rows[2].inode, 33893u);
}

TEST(ProcNetUdp, AddressesReadInTheMachinesByteOrder) {
    EXPECT_EQ(parseProcNetUdp(kProcNetUdp, std::endian::big)[1].localIpv4, (Ipv4Octets{1, 0, 0, 127}));
}

TEST(ProcNetUdp, Ipv6RowsHaveThePortAndInodeButNoIpv4Address) {
    const std::vector<UdpSocketRow> rows = parseProcNetUdp(kProcNetUdp6, std::endian::little);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_FALSE(rows[0].localIpv4);
    EXPECT_EQ(rows[0].localPort, 6769);
    EXPECT_EQ(rows[0].inode, 33894u);
}

TEST(ProcNetUdp, MalformedRowsAreSkipped) {
    const char* const text =
        "garbage\n"
        " 1: 0100007F:XYZ0 00000000:0000 07 00000000:00000000 00:00000000 00000000 0 0 1 2 0 0\n"  // port not hex
        " 2: 0100007F:0043 00000000:0000 07 00000000:00000000 00:00000000 00000000 0 0\n"          // cut short
        " 3: 01007F:0043 00000000:0000 07 00000000:00000000 00:00000000 00000000 0 0 5 2 0 0\n"    // 6 digits
        " 4: 0100007F:0043 00000000:0000 07 00000000:00000000 00:00000000 00000000 0 0 77 2 0 0";  // no line end
    const std::vector<UdpSocketRow> rows = parseProcNetUdp(text, std::endian::little);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].localPort, 67);
    EXPECT_EQ(rows[0].inode, 77u);
    EXPECT_TRUE(parseProcNetUdp("").empty());
}

TEST(ProcNetUdp, SocketLinksGiveTheirInode) {
    struct Case {
        const char* target;
        std::optional<uint64_t> inode;
    };
    const Case cases[] = {{"socket:[33891]", 33891},     {"socket:[]", std::nullopt},   {"socket:[12a]", std::nullopt},
                          {"pipe:[33891]", std::nullopt}, {"/dev/null", std::nullopt}, {"socket:[18446744073709551615]", UINT64_MAX},
                          {"socket:[1", std::nullopt}};
    for (const Case& c : cases) EXPECT_EQ(parseSocketLink(c.target), c.inode) << c.target;
}

}  // namespace
}  // namespace tavo
