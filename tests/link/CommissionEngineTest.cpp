// The commissioning line on loopback against in-process simulated devices without an
// address: BootP with the loopback broadcast, the pool, the upload, the registers and the
// read-back, side by side; the report written by the engine; a block that is lost every
// time named after the re-sends; stop, the device limit, resume; one server per program.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <memory>

#include "BootpServer.h"
#include "CommissionEngine.h"
#include "Loopback.h"
#include "SimNetwork.h"

namespace tavo {
namespace {

using namespace tavo::test;
using namespace std::chrono_literals;

constexpr int kBlocks = 20;
const std::vector<RegisterSetting> kRegisters = {{0x21, 0x5A}, {0x3C, 0x0F}};

quint16 freePort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

sim::MacAddress simMac(int i) { return {0x02, 0x4B, 0x7E, 0x40, 0x00, quint8(i)}; }
MacOctets macOf(int i) { return {0x02, 0x4B, 0x7E, 0x40, 0x00, uint8_t(i)}; }

class CommissionEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        serverPort = freePort();
        clientPort = freePort();
        auto bytes = std::make_shared<std::vector<uint8_t>>(kBlocks * 256 - 100);
        for (size_t i = 0; i < bytes->size(); ++i) (*bytes)[i] = uint8_t(i * 7 + i / 256);
        image = bytes;
    }

    // `devices` devices without an address, asking every 50 ms.
    std::unique_ptr<sim::SimNetwork> devices(int count, int dropWriteSector = -1) {
        sim::SimConfig config;
        config.bootpServerPort = serverPort;
        config.bootpClientPort = clientPort;
        config.bootpIntervalMs = 50;
        config.bootpMaxRequests = 400;
        config.dropWriteSector = dropWriteSector;
        auto network = std::make_unique<sim::SimNetwork>(config);
        for (int i = 0; i < count; ++i) network->addDevice(std::nullopt, simMac(i));
        EXPECT_TRUE(network->start()) << network->errorString().toStdString();
        return network;
    }

    CommissionRequest request(const sim::SimNetwork& network) const {
        CommissionRequest r;
        r.link.bootpServerPort = serverPort;
        r.link.bootpClientPort = clientPort;
        r.link.devicePort = network.port();
        r.link.broadcast = kLoopbackBroadcast;
        r.pace = Pace::immediate();
        r.pace.searchTick = 20ms;
        r.image = {image, "site.TAV", {}};
        AddressPool pool;
        pool.first = {127, 0, 0, 100};
        pool.last = {127, 0, 0, 120};
        r.pool = pool;
        r.registers = kRegisters;
        r.replyWait = 200ms;
        r.reportPath = dir.filePath("report.csv").toStdString();
        r.dataDir = dir.path().toStdString();
        return r;
    }

    static bool runToEnd(CommissionEngine& engine, int waitMs = 20000) {
        QSignalSpy finished(&engine, &CommissionEngine::finished);
        return finished.count() > 0 || finished.wait(waitMs);
    }

    QStringList reportLines() const {
        QFile file(dir.filePath("report.csv"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
        lines.removeLast();  // after the last line end
        return lines;
    }

    QTemporaryDir dir;
    quint16 serverPort = 0, clientPort = 0;
    std::shared_ptr<const std::vector<uint8_t>> image;
};

TEST_F(CommissionEngineTest, DevicesGetPoolAddressesTheImageAndTheRegistersAndAreVerified) {
    auto network = devices(3);
    CommissionRequest r = request(*network);
    r.devices = 3;
    CommissionEngine engine(r);
    std::vector<CommissionRecord> ended;
    std::vector<CommissionPhase> phases;
    QObject::connect(&engine, &CommissionEngine::deviceEnded, [&](const CommissionRecord& record) { ended.push_back(record); });
    QObject::connect(&engine, &CommissionEngine::deviceChanged, [&](const CommissionDeviceState& s) {
        if (s.mac == macOf(0) && (phases.empty() || phases.back() != s.phase)) phases.push_back(s.phase);
    });
    ASSERT_TRUE(engine.start().ok());
    ASSERT_TRUE(runToEnd(engine));
    EXPECT_TRUE(engine.summary().ok);
    ASSERT_EQ(ended.size(), 3u);
    for (const CommissionRecord& record : ended) {
        EXPECT_EQ(record.outcome, CommissionOutcome::Verified) << commissionFailureDetail(record);
        EXPECT_EQ(record.blocksSent, kBlocks);
        EXPECT_EQ(record.blocksResent, 0);
        EXPECT_EQ(record.registersWritten, 2);
        EXPECT_EQ(record.imageName, "site.TAV");
        EXPECT_EQ(record.imageSha256.size(), 64u);
    }
    const std::vector<CommissionPhase> expected = {CommissionPhase::Waiting, CommissionPhase::AddressAssigned,
                                                   CommissionPhase::Uploading, CommissionPhase::Registers,
                                                   CommissionPhase::Verifying, CommissionPhase::Completed};
    EXPECT_EQ(phases, expected);
    for (int i = 0; i < 3; ++i) {
        const sim::SimDevice& device = network->device(i);
        ASSERT_TRUE(device.address().has_value());
        EXPECT_GE((*device.address())[3], 100);
        EXPECT_TRUE(std::equal(image->begin(), image->end(), device.flash().begin()));
        EXPECT_EQ(device.registers()[0x21], 0x5A);
        EXPECT_EQ(device.registers()[0x3C], 0x0F);
    }
    const QStringList lines = reportLines();
    ASSERT_EQ(lines.size(), 4) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith("time,mac,ip,image,sha256,"));
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(lines[i].contains(",yes,") && lines[i].contains(",verified,")) << lines[i].toStdString();
}

TEST_F(CommissionEngineTest, ABlockLostEveryTimeIsNamedAfterTheResends) {
    auto network = devices(1, 7);
    CommissionRequest r = request(*network);
    r.devices = 1;
    CommissionEngine engine(r);
    ASSERT_TRUE(engine.start().ok());
    ASSERT_TRUE(runToEnd(engine));
    const auto states = engine.devices();
    ASSERT_EQ(states.size(), 1u);
    ASSERT_TRUE(states[0].record.has_value());
    const CommissionRecord& record = *states[0].record;
    EXPECT_EQ(record.outcome, CommissionOutcome::Failed);
    EXPECT_EQ(record.failure, CommissionFailure::BlocksDiffer);
    EXPECT_EQ(record.block, 7);
    EXPECT_EQ(record.blocksResent, 2);  // once per retry
    EXPECT_EQ(record.blocksSent, kBlocks + 2);
    EXPECT_FALSE(engine.summary().ok);
}

TEST_F(CommissionEngineTest, StopEndsTheDevicesInProgressAsInterruptedWithTheirLines) {
    auto network = devices(2);
    CommissionRequest r = request(*network);
    r.pace.afterUploadBlock = 200ms;  // long enough to be stopped in the middle
    CommissionEngine engine(r);
    QSignalSpy changed(&engine, &CommissionEngine::deviceChanged);
    ASSERT_TRUE(engine.start().ok());
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            int uploading = 0;
            for (const auto& s : engine.devices()) uploading += s.phase == CommissionPhase::Uploading ? 1 : 0;
            return uploading == 2;
        }(),
        10000);
    engine.stop();
    EXPECT_FALSE(engine.isRunning());
    EXPECT_EQ(engine.summary().interrupted, 2);
    EXPECT_FALSE(engine.summary().ok);
    const QStringList lines = reportLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains(",interrupted,interrupted,")) << lines[1].toStdString();
}

TEST_F(CommissionEngineTest, ResumeSkipsTheDevicesVerifiedWithTheSameImage) {
    {
        auto network = devices(2);
        CommissionRequest r = request(*network);
        r.devices = 2;
        CommissionEngine engine(r);
        ASSERT_TRUE(engine.start().ok());
        ASSERT_TRUE(runToEnd(engine));
        ASSERT_TRUE(engine.summary().ok);
    }
    // Switched off and on, with a third device: only the third is commissioned.
    auto network = devices(3);
    CommissionRequest r = request(*network);
    r.devices = 1;
    r.resume = true;
    CommissionEngine engine(r);
    QSignalSpy skipped(&engine, &CommissionEngine::deviceSkipped);
    ASSERT_TRUE(engine.start().ok());
    ASSERT_TRUE(runToEnd(engine));
    EXPECT_TRUE(engine.summary().ok);
    ASSERT_EQ(engine.devices().size(), 1u);
    EXPECT_EQ(engine.devices()[0].mac, macOf(2));
    QTRY_COMPARE_WITH_TIMEOUT(skipped.count() >= 1, true, 5000);
    EXPECT_EQ(reportLines().size(), 4);
}

TEST_F(CommissionEngineTest, OneBootpServerPerProgram) {
    auto network = devices(0);
    struct Quiet : BootpServerObserver {
        void bootpStatus(const BootpEvent&) override {}
        bool bootpUnknownDevice(const MacOctets&) override { return false; }
        void bootpReadFailed() override {}
        void bootpStopRequested() override {}
    } quiet;
    LinkConfig link = request(*network).link;
    BootpServer page(link, dir.path(), quiet);
    ASSERT_TRUE(page.start());
    CommissionEngine engine(request(*network));
    const CommissionStart refused = engine.start();
    EXPECT_EQ(refused.status, CommissionStartStatus::ServerNotStarted);
    EXPECT_EQ(refused.serverFailure.heldBy, BootpServerOwner::Service);
    EXPECT_FALSE(QFile::exists(dir.filePath("report.csv")));  // a refused start leaves no file
    page.stop();

    CommissionEngine line(request(*network));
    ASSERT_TRUE(line.start().ok());
    EXPECT_FALSE(page.start());
    EXPECT_EQ(page.startFailure().heldBy, BootpServerOwner::CommissioningLine);
    line.stop();
    EXPECT_TRUE(page.start());
}

}  // namespace
}  // namespace tavo
