// The simulated device's command handling, byte for byte, without sockets.
#include "SimBootp.h"
#include "SimDevice.h"
#include "SimOptions.h"

#include <gtest/gtest.h>

namespace {

using tavo::sim::Ipv4Address;
using tavo::sim::MacAddress;
using tavo::sim::SimDevice;

const MacAddress kMac = {0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C};
const Ipv4Address kIp = {192, 168, 1, 20};

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values) bytes.append(char(v));
    return bytes;
}

QByteArray SearchFor(const MacAddress& mac) {
    QByteArray request(60, '\0');
    request[0] = 0x35;
    for (int i = 0; i < 6; ++i) request[1 + i] = char(mac[i]);
    return request;
}

QByteArray Pattern(int size, int seed) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i) data[i] = char((i * 7 + seed) & 0xFF);
    return data;
}

bool FlashUntouched(const SimDevice& device) {
    for (quint8 b : device.flash())
        if (b != SimDevice::kErasedByte) return false;
    return true;
}

bool RegistersZero(const SimDevice& device) {
    for (quint8 r : device.registers())
        if (r != 0) return false;
    return true;
}

TEST(SimDevice, SearchIsAnsweredOnlyForItsOwnMac) {
    SimDevice device(kMac, kIp);
    // 0x35, the MAC, the address: the form the search dialog accepts.
    EXPECT_EQ(device.handle(SearchFor(kMac)).reply,
              Bytes({0x35, 0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C, 192, 168, 1, 20}));

    MacAddress other = kMac;
    other[5] ^= 1;
    EXPECT_TRUE(device.handle(SearchFor(other)).reply.isEmpty());
    other = kMac;
    other[0] ^= 0x80;
    EXPECT_TRUE(device.handle(SearchFor(other)).reply.isEmpty());
    // Only the code and the MAC matter: a 7-byte request is enough.
    EXPECT_EQ(device.handle(SearchFor(kMac).left(7)).reply.size(), SimDevice::kSearchReplySize);

    SimDevice unaddressed(kMac, std::nullopt);
    const auto outcome = unaddressed.handle(SearchFor(kMac));
    EXPECT_FALSE(outcome.handled);
    EXPECT_TRUE(outcome.reply.isEmpty());
}

TEST(SimDevice, SectorWriteThenReadRoundTrips) {
    struct Case {
        int sector;
        QByteArray wire;  // the two sector bytes, high first
    };
    const Case cases[] = {{0, Bytes({0x00, 0x00})}, {1, Bytes({0x00, 0x01})}, {256, Bytes({0x01, 0x00})},
                          {2047, Bytes({0x07, 0xFF})}};
    SimDevice device(kMac, kIp);
    for (const Case& c : cases) {
        const QByteArray data = Pattern(256, c.sector);
        const auto written = device.handle(Bytes({0x40}) + c.wire + data);
        EXPECT_TRUE(written.handled);
        EXPECT_TRUE(written.reply.isEmpty()) << c.sector;
        EXPECT_EQ(device.sector(c.sector), data) << c.sector;
        EXPECT_EQ(device.handle(Bytes({0x50}) + c.wire).reply, Bytes({0x50}) + data) << c.sector;
    }
    // Neighbours of the written sectors are still erased.
    EXPECT_EQ(device.sector(2), QByteArray(256, char(0xFF)));
    EXPECT_EQ(device.sector(255), QByteArray(256, char(0xFF)));
    // A clear is a write of zeros.
    device.handle(Bytes({0x40, 0x01, 0x00}) + QByteArray(256, '\0'));
    EXPECT_EQ(device.handle(Bytes({0x50, 0x01, 0x00})).reply, Bytes({0x50}) + QByteArray(256, '\0'));
}

TEST(SimDevice, ShortUploadBlockStoresWhatItCarries) {
    SimDevice device(kMac, kIp);
    device.handle(Bytes({0x40, 0x00, 0x03}) + Pattern(10, 1));
    EXPECT_EQ(device.sector(3), Pattern(10, 1) + QByteArray(246, char(0xFF)));
    // Bytes beyond one sector do not spill into the next.
    device.handle(Bytes({0x40, 0x00, 0x04}) + Pattern(300, 2));
    EXPECT_EQ(device.sector(4), Pattern(256, 2));
    EXPECT_EQ(device.sector(5), QByteArray(256, char(0xFF)));
}

TEST(SimDevice, RegistersWriteReadAndTable) {
    SimDevice device(kMac, kIp);
    EXPECT_TRUE(device.handle(Bytes({0x20, 0x10, 0xA5})).reply.isEmpty());
    device.handle(Bytes({0x20, 0xFF, 0x5A}));
    device.handle(Bytes({0x20, 0x03, 0x77}));  // below the table, still a register
    EXPECT_EQ(device.handle(Bytes({0x30, 0x10})).reply, Bytes({0x30, 0xA5}));
    EXPECT_EQ(device.handle(Bytes({0x30, 0xFF})).reply, Bytes({0x30, 0x5A}));
    EXPECT_EQ(device.handle(Bytes({0x30, 0x03})).reply, Bytes({0x30, 0x77}));
    EXPECT_EQ(device.handle(Bytes({0x30, 0x11})).reply, Bytes({0x30, 0x00}));

    QByteArray table = Bytes({0x10}) + QByteArray(240, '\0');
    table[1] = char(0xA5);
    table[240] = char(0x5A);
    EXPECT_EQ(device.handle(Bytes({0x10})).reply, table);
}

TEST(SimDevice, ShortMalformedAndUnknownDatagramsChangeNothing) {
    const QByteArray cases[] = {
        {},
        Bytes({0x35}),
        Bytes({0x35, 0x02, 0x4B, 0x7E, 0x0A, 0x1B}),  // MAC cut short
        Bytes({0x50}),
        Bytes({0x50, 0x00}),
        Bytes({0x50, 0x08, 0x00}),  // sector 2048: outside the flash
        Bytes({0x50, 0xFF, 0xFF}),
        Bytes({0x40}),
        Bytes({0x40, 0x00}),
        Bytes({0x40, 0x08, 0x00, 0x11, 0x22}),
        Bytes({0x30}),
        Bytes({0x20}),
        Bytes({0x20, 0x10}),
        Bytes({0x00}),
        Bytes({0x99, 0x01, 0x02}),
        Bytes({0xFF}) + QByteArray(2000, char(0xFF)),
    };
    for (const QByteArray& datagram : cases) {
        SimDevice device(kMac, kIp);
        const auto outcome = device.handle(datagram);
        EXPECT_TRUE(outcome.reply.isEmpty()) << datagram.toHex().constData();
        EXPECT_FALSE(outcome.cleared);
        EXPECT_TRUE(FlashUntouched(device)) << datagram.toHex().constData();
        EXPECT_TRUE(RegistersZero(device)) << datagram.toHex().constData();
        EXPECT_EQ(device.address(), kIp);
    }
}

TEST(SimDevice, ClearForgetsTheAddressAndTheDeviceFallsSilent) {
    SimDevice device(kMac, kIp);
    const auto outcome = device.handle(Bytes({0x36}));
    EXPECT_TRUE(outcome.cleared);
    EXPECT_TRUE(outcome.reply.isEmpty());
    EXPECT_FALSE(device.address().has_value());
    EXPECT_FALSE(device.handle(Bytes({0x30, 0x10})).handled);
    EXPECT_FALSE(device.handle(Bytes({0x40, 0x00, 0x00, 0x01})).handled);
    EXPECT_TRUE(FlashUntouched(device));

    // A BootP address brings it back.
    device.configure({10, 0, 0, 7}, {10, 0, 0, 1}, {255, 255, 255, 0});
    EXPECT_EQ(device.handle(SearchFor(kMac)).reply.mid(7), Bytes({10, 0, 0, 7}));
}

}  // namespace
