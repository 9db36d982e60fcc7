// The simulated device's BootP messages and the simulator's command line.
#include "SimBootp.h"
#include "SimOptions.h"

#include <gtest/gtest.h>

namespace {

using namespace tavo::sim;

const MacAddress kMac = {0x02, 0x4B, 0x7E, 0x00, 0x00, 0x09};
constexpr quint32 kXid = 0x12345678;

TEST(SimBootp, RequestLayout) {
    const QByteArray request = buildBootpRequest(kMac, kXid);
    QByteArray expected(300, '\0');
    const QByteArray head = QByteArray::fromHex("01010600" "12345678");
    expected.replace(0, head.size(), head);
    const QByteArray chaddr = QByteArray::fromHex("024b7e000009");
    expected.replace(28, chaddr.size(), chaddr);
    const QByteArray vendor = QByteArray::fromHex("63825363" "0104" "00000000" "ff");
    expected.replace(236, vendor.size(), vendor);
    EXPECT_EQ(request.toHex(), expected.toHex());
}

// A reply as the utility's server builds it: the request with op, addresses and mask set.
QByteArray Reply(quint32 xid = kXid, MacAddress mac = kMac, quint8 op = 2) {
    QByteArray reply = buildBootpRequest(mac, xid);
    reply[0] = char(op);
    reply.replace(16, 4, QByteArray::fromHex("c0a80114"));
    reply.replace(20, 4, QByteArray::fromHex("c0a80101"));
    reply.replace(24, 4, QByteArray::fromHex("c0a801fe"));
    reply.replace(242, 4, QByteArray::fromHex("ffffff00"));
    return reply;
}

TEST(SimBootp, ReplyIsTakenOnlyWhenMeantForTheDevice) {
    const auto offer = parseBootpReply(Reply(), kMac, kXid);
    ASSERT_TRUE(offer.has_value());
    EXPECT_EQ(offer->ip, (Ipv4Address{192, 168, 1, 20}));
    EXPECT_EQ(offer->gateway, (Ipv4Address{192, 168, 1, 254}));
    EXPECT_EQ(offer->mask, (Ipv4Address{255, 255, 255, 0}));
    EXPECT_TRUE(parseBootpReply(Reply().left(246), kMac, kXid).has_value());

    MacAddress other = kMac;
    other[5] = 0x0A;
    const QByteArray refused[] = {Reply(kXid, kMac, 1), Reply(kXid + 1), Reply(kXid, other), Reply().left(245),
                                  QByteArray()};
    for (const QByteArray& reply : refused)
        EXPECT_FALSE(parseBootpReply(reply, kMac, kXid).has_value()) << reply.left(34).toHex().constData();
}

TEST(SimOptions, DevicesAreFormedInOrder) {
    const auto parsed = parseSimOptions({"--port", "0", "--ip", "127.0.0.2", "--mac", "02:4b:7e:00:00:01",
                                         "--mac", "024B7E000002", "--ip", "10.1.2.3", "--mac", "02-4B-7E-00-00-03",
                                         "--max-seconds", "2.5", "--bootp-interval-ms", "200", "--interface", "lo"});
    ASSERT_TRUE(parsed.options.has_value()) << parsed.error.toStdString();
    const SimOptions& o = *parsed.options;
    ASSERT_EQ(o.devices.size(), 3u);
    EXPECT_EQ(o.devices[0].ip, (Ipv4Address{127, 0, 0, 2}));
    EXPECT_EQ(macText(o.devices[0].mac), "024B7E000001");
    EXPECT_FALSE(o.devices[1].ip.has_value());
    EXPECT_EQ(macText(o.devices[1].mac), "024B7E000002");
    EXPECT_EQ(o.devices[2].ip, (Ipv4Address{10, 1, 2, 3}));
    EXPECT_EQ(o.config.devicePort, 0);
    EXPECT_EQ(o.maxSeconds, 2.5);
    EXPECT_EQ(o.config.bootpIntervalMs, 200);
    // Untouched options keep the device's own values.
    EXPECT_EQ(o.config.bootpServerPort, 67);
    EXPECT_EQ(o.config.bootpClientPort, 68);
    EXPECT_EQ(o.config.bootpMaxRequests, 100);
    EXPECT_EQ(o.config.broadcast, QHostAddress(QHostAddress::Broadcast));
    EXPECT_FALSE(o.config.bindAny);
}

TEST(SimOptions, BadCommandLinesAreRefused) {
    const QStringList cases[] = {
        {},
        {"--port", "0"},
        {"--mac", "024B7E00000"},
        {"--mac", "024B7E0000GG"},
        {"--mac", "02:4B:7E-00:00:01"},
        {"--ip", "127.0.0.256", "--mac", "024B7E000001"},
        {"--ip", "127.0.0", "--mac", "024B7E000001"},
        {"--ip", "127.0.0.1"},
        {"--ip", "127.0.0.1", "--ip", "127.0.0.2", "--mac", "024B7E000001"},
        {"--port", "65536", "--mac", "024B7E000001"},
        {"--port", "-1", "--mac", "024B7E000001"},
        {"--bootp-server-port", "0", "--mac", "024B7E000001"},
        {"--bootp-interval-ms", "0", "--mac", "024B7E000001"},
        {"--max-seconds", "0", "--mac", "024B7E000001"},
        {"--max-seconds", "nan", "--mac", "024B7E000001"},
        {"--broadcast", "everyone", "--mac", "024B7E000001"},
        {"--mac", "024B7E000001", "--port"},
        {"--mac", "024B7E000001", "--frobnicate"},
    };
    for (const QStringList& args : cases) {
        // With an interface chosen, so that each line is refused for its own fault.
        const auto parsed = parseSimOptions(QStringList{"--interface", "lo"} + args);
        EXPECT_FALSE(parsed.options.has_value()) << args.join(' ').toStdString();
        EXPECT_FALSE(parsed.error.isEmpty());
    }
    // BootP requests to the limited broadcast are only sent out of a chosen interface.
    EXPECT_FALSE(parseSimOptions({"--mac", "024B7E000001"}).options.has_value());
    EXPECT_TRUE(parseSimOptions({"--bootp-max-requests", "0", "--mac", "024B7E000001"}).options.has_value());
    EXPECT_TRUE(parseSimOptions({"--broadcast", "127.255.255.255", "--mac", "024B7E000001"}).options.has_value());
}

}  // namespace
