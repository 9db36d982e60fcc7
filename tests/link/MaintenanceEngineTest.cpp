// The maintenance engines: each checks its input in one order and the first refusal
// decides, records its target in the IP history itself (and only once its input
// passed), and sends on sockets of its own.
#include <QFile>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "DeviceCommand.h"
#include "FlashClearEngine.h"
#include "FlashReadEngine.h"
#include "Loopback.h"
#include "RegisterEngine.h"

namespace tavo {
namespace {

using namespace tavo::test;

constexpr Ipv4Octets kTarget{127, 0, 0, 1};
constexpr Ipv4Octets kNoTarget{0, 0, 0, 0};

// A stand-in device on loopback: answers a sector read with the sector's number in
// every byte and a register read with 0x5A; keeps what it received.
struct Device {
    Device() {
        EXPECT_TRUE(socket.bind(kLoopback, 0));
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
            while (socket.hasPendingDatagrams()) {
                const QNetworkDatagram d = socket.receiveDatagram();
                received.push_back(d);
                QByteArray reply;
                if (quint8(d.data().at(0)) == CMD_SECTOR_READ)
                    reply = QByteArray(1, char(CMD_SECTOR_READ)) + QByteArray(256, d.data().at(2));
                if (quint8(d.data().at(0)) == CMD_REGISTER_READ) reply = QByteArray::fromHex("305a");
                if (!reply.isEmpty()) socket.writeDatagram(reply, d.senderAddress(), d.senderPort());
            }
        });
    }
    LinkConfig config() const {
        LinkConfig link;
        link.devicePort = socket.localPort();
        link.broadcast = kLoopbackBroadcast;
        return link;
    }
    PeerSocket socket;
    std::vector<QNetworkDatagram> received;
};

struct History {
    QTemporaryDir dir;
    TargetHistory history() const { return {dir.path().toStdString(), {}}; }
    QByteArray file() const {
        QFile f(dir.filePath("iph.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

struct InputCase {
    bool clear;
    Ipv4Octets target;
    uint32_t from;
    uint32_t to;
    FlashStatus expected;
};

TEST(FlashEngines, InputIsCheckedRangeFirstThenTargetAndOnlyPassedInputIsRecorded) {
    const InputCase cases[] = {
        {false, kTarget, 0, 2047, FlashStatus::Completed},
        {false, kTarget, 2048, 2048, FlashStatus::FromOutOfRange},
        {false, kNoTarget, 2048, 3000, FlashStatus::FromOutOfRange},  // the range decides first
        {false, kTarget, 5, 2048, FlashStatus::ToOutOfRange},
        {false, kTarget, 6, 5, FlashStatus::FromAfterTo},
        {false, kNoTarget, 0, 0, FlashStatus::NoTarget},
        {true, kTarget, 0, 2043, FlashStatus::Completed},
        {true, kTarget, 2044, 2044, FlashStatus::FromOutOfRange},   // readable, not clearable
        {true, kTarget, 0, 2044, FlashStatus::ToOutOfRange},
        {true, kNoTarget, 9, 3, FlashStatus::FromAfterTo},
        {true, kNoTarget, 0, 0, FlashStatus::NoTarget},
    };
    for (const InputCase& c : cases) {
        History h;
        const FlashStatus status =
            c.clear ? FlashClearEngine::admit({.target = c.target, .from = c.from, .to = c.to, .history = h.history(), .confirm = {}})
                    : FlashReadEngine::admit({.target = c.target, .from = c.from, .to = c.to, .history = h.history()});
        EXPECT_EQ(status, c.expected) << c.clear << " " << c.from << ".." << c.to;
        EXPECT_EQ(h.file(), c.expected == FlashStatus::Completed ? QByteArray("[1]\t 127.0.0.1\r\n") : QByteArray())
            << c.clear << " " << c.from << ".." << c.to;
    }
}

TEST(FlashEngines, AReadRecordsItsTargetAndBringsBackTheRange) {
    Device device;
    History h;
    FlashReadEngine engine(device.config(), Pace::immediate());
    QSignalSpy recorded(&engine, &FlashReadEngine::targetRecorded);
    QSignalSpy finished(&engine, &FlashReadEngine::finished);
    engine.start({.target = kTarget, .from = 3, .to = 4, .history = h.history()});
    ASSERT_TRUE(finished.count() == 1 || finished.wait(kWaitMs));
    const auto result = finished[0][0].value<FlashReadResult>();
    EXPECT_EQ(result.status, FlashStatus::Completed);
    ASSERT_TRUE(result.dump.complete());
    EXPECT_EQ((*result.dump.sector(4))[255], 4);
    EXPECT_EQ(recorded.count(), 1);
    EXPECT_EQ(h.file(), "[1]\t 127.0.0.1\r\n");
}

TEST(FlashEngines, ARefusedReadFinishesAtOnceAndSendsNothing) {
    Device device;
    History h;
    FlashReadEngine engine(device.config(), Pace::immediate());
    QSignalSpy finished(&engine, &FlashReadEngine::finished);
    engine.start({.target = kNoTarget, .from = 0, .to = 0, .history = h.history()});
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished[0][0].value<FlashReadResult>().status, FlashStatus::NoTarget);
    EXPECT_FALSE(engine.isRunning());
    EXPECT_TRUE(device.received.empty());
}

TEST(FlashEngines, AClearIsConfirmedAfterItsTargetIsRecordedAndADeclineSendsNothing) {
    Device device;
    History h;
    FlashClearEngine engine(device.config());
    QSignalSpy finished(&engine, &FlashClearEngine::finished);
    QByteArray historyWhenAsked;
    engine.start({.target = kTarget, .from = 7, .to = 8, .history = h.history(), .confirm = [&] {
                      historyWhenAsked = h.file();
                      return false;
                  }});
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished[0][0].value<FlashClearResult>().status, FlashStatus::NotConfirmed);
    EXPECT_EQ(historyWhenAsked, "[1]\t 127.0.0.1\r\n");
    QTest::qWait(50);  // nothing may arrive late either
    EXPECT_TRUE(device.received.empty());
}

TEST(FlashEngines, AConfirmedClearWritesZerosToEachSectorOfTheRange) {
    Device device;
    History h;
    FlashClearEngine engine(device.config());
    QSignalSpy finished(&engine, &FlashClearEngine::finished);
    engine.start({.target = kTarget, .from = 2042, .to = 2043, .history = h.history(), .confirm = [] { return true; }});
    ASSERT_TRUE(finished.count() == 1 || finished.wait(kWaitMs));
    const auto result = finished[0][0].value<FlashClearResult>();
    EXPECT_EQ(result.status, FlashStatus::Completed);
    EXPECT_EQ(result.sent, 2);
    EXPECT_EQ(result.accepted, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.received.size() == 2; }, kWaitMs));
    EXPECT_EQ(device.received[1].data(), QByteArray::fromHex("4007fb") + QByteArray(256, '\0'));
}

TEST(RegisterEngine, RegistersBelowTheTableLieOutsideTheRegisterSpace) {
    const std::pair<uint8_t, bool> cases[] = {{0x00, true}, {0x0F, true}, {0x10, false}, {0x1B, false}, {0xFF, false}};
    for (const auto& [reg, below] : cases) EXPECT_EQ(RegisterEngine::isBelowRegisterSpace(reg), below) << int(reg);
}

TEST(RegisterEngine, SetTargetRefusesTheNullAddressAndRecordsAnyOther) {
    Device device;
    History h;
    RegisterEngine engine(device.config(), Pace::immediate());
    EXPECT_EQ(engine.setTarget(kNoTarget, h.history()), RegisterStatus::NoTarget);
    EXPECT_EQ(h.file(), "");
    EXPECT_EQ(engine.read(0x20), RegisterStatus::NoSocket);
    EXPECT_EQ(engine.setTarget(kTarget, h.history()), RegisterStatus::Ok);
    EXPECT_EQ(h.file(), "[1]\t 127.0.0.1\r\n");
}

TEST(RegisterEngine, AReadBelowTheRegisterSpaceGoesOutAllTheSameAndItsValueComesBack) {
    Device device;
    History h;
    RegisterEngine engine(device.config(), Pace::immediate());
    ASSERT_EQ(engine.setTarget(kTarget, h.history()), RegisterStatus::Ok);
    QSignalSpy value(&engine, &RegisterEngine::valueReceived);
    EXPECT_EQ(engine.read(0x0F), RegisterStatus::Ok);
    ASSERT_TRUE(value.wait(kWaitMs));
    EXPECT_EQ(value[0][0].value<uint8_t>(), 0x5A);
    ASSERT_EQ(device.received.size(), 1u);
    EXPECT_EQ(device.received[0].data().toHex(' '), "30 0f");
}

TEST(RegisterEngine, CancelDropsTheWaitingCommandsAndClosesTheSocket) {
    Device device;
    History h;
    Pace pace = Pace::immediate();
    pace.afterRegisterCommand = std::chrono::milliseconds(200);
    RegisterEngine engine(device.config(), pace);
    ASSERT_EQ(engine.setTarget(kTarget, h.history()), RegisterStatus::Ok);
    EXPECT_EQ(engine.write(0x1B, 0xC4), RegisterStatus::Ok);
    EXPECT_EQ(engine.readTable(), RegisterStatus::Ok);  // waits for the pause
    engine.cancel();
    EXPECT_EQ(engine.read(0x20), RegisterStatus::NoSocket);
    QTest::qWait(300);
    ASSERT_EQ(device.received.size(), 1u);
    EXPECT_EQ(device.received[0].data().toHex(' '), "20 1b c4");
}

}  // namespace
}  // namespace tavo
