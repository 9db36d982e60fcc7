// The simulator's lossy network: options, and every N-th reply left out.
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include "Loopback.h"
#include "SimNetwork.h"
#include "SimOptions.h"

namespace {

using namespace tavo::sim;
using namespace tavo::test;

TEST(SimLoss, DropAndDelayOptionsAreReadOrRefused) {
    const QStringList device{"--bootp-max-requests", "0", "--ip", "127.0.0.2", "--mac", "024B7E000001"};
    struct Case {
        QStringList args;
        bool ok;
        int dropEvery, delayMin, delayMax;
    } cases[] = {
        {{}, true, 0, 0, 0},
        {{"--drop-every", "5"}, true, 5, 0, 0},
        {{"--delay-ms", "10-150"}, true, 0, 10, 150},
        {{"--delay-ms", "40"}, true, 0, 40, 40},
        {{"--drop-every", "5", "--delay-ms", "0-0"}, true, 5, 0, 0},
        {{"--delay-ms", "150-10"}, false, 0, 0, 0},
        {{"--delay-ms", "-5"}, false, 0, 0, 0},
        {{"--delay-ms", "1-2-3"}, false, 0, 0, 0},
        {{"--delay-ms", "x"}, false, 0, 0, 0},
        {{"--delay-ms", "0-60001"}, false, 0, 0, 0},
        {{"--drop-every", "-1"}, false, 0, 0, 0},
        {{"--drop-every"}, false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto parsed = parseSimOptions(c.args + device);
        ASSERT_EQ(parsed.options.has_value(), c.ok) << c.args.join(' ').toStdString();
        if (!c.ok) continue;
        EXPECT_EQ(parsed.options->config.dropEvery, c.dropEvery);
        EXPECT_EQ(parsed.options->config.delayMinMs, c.delayMin);
        EXPECT_EQ(parsed.options->config.delayMaxMs, c.delayMax);
    }
}

TEST(SimLoss, EveryThirdReplyIsLeftOutAndTheOthersArrive) {
    SimConfig config;
    config.bootpMaxRequests = 0;
    config.dropEvery = 3;
    config.delayMaxMs = 5;
    SimNetwork network(config);
    network.addDevice(Ipv4Address{127, 0, 0, 2}, MacAddress{0x02, 0x4B, 0x7E, 0, 0, 2});
    ASSERT_TRUE(network.start());
    network.device(0).registers()[0x20] = 0x42;
    QSignalSpy dropped(&network, &SimNetwork::replyDropped);
    PeerSocket client;
    ASSERT_TRUE(client.bind(kLoopback, 0));
    for (int i = 0; i < 9; ++i) client.writeDatagram(QByteArray::fromHex("3020"), QHostAddress("127.0.0.2"), network.port());
    int replies = 0;
    QElapsedTimer bound;
    bound.start();
    while ((replies < 6 || dropped.count() < 3) && bound.elapsed() < kWaitMs) {
        QTest::qWait(5);
        while (client.hasPendingDatagrams()) {
            EXPECT_EQ(client.receiveDatagram().data().toHex(), "3042");
            ++replies;
        }
    }
    EXPECT_EQ(replies, 6);
    EXPECT_EQ(dropped.count(), 3);
}

}  // namespace
