// The upload engine on loopback: the blocks in order with their exact bytes and sizes at
// an injected pace, and against in-process simulated devices the read-back, a lost
// block named by the verification, changed-only, several devices at once and a lossy
// network; the target recorded in the IP history by the engine itself.
#include <QNetworkDatagram>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "Loopback.h"
#include "SimNetwork.h"
#include "UploadEngine.h"
#include "IPFDB.h"

namespace tavo {
namespace {

using namespace tavo::test;
using namespace std::chrono_literals;

std::shared_ptr<const std::vector<uint8_t>> Image(size_t length, int seed = 0) {
    auto bytes = std::make_shared<std::vector<uint8_t>>(length);
    for (size_t i = 0; i < length; ++i) (*bytes)[i] = uint8_t((i * 13 + i / 256 + size_t(seed)) & 0xFF);
    return bytes;
}

Pace FastPace() {
    Pace pace = Pace::immediate();
    pace.afterUploadBlock = 2ms;
    return pace;
}

LinkConfig DeviceLink(quint16 port) {
    LinkConfig link;
    link.devicePort = port;
    link.broadcast = kLoopbackBroadcast;
    return link;
}

// Runs the upload to its end (bounded) and returns its result.
UploadResult RunToEnd(UploadEngine& run) {
    QSignalSpy finished(&run, &UploadEngine::finished);
    run.start();
    if (finished.isEmpty()) EXPECT_TRUE(finished.wait(30000));
    return run.result();
}

QByteArray Flash(const sim::SimDevice& device, size_t length) {
    return QByteArray(reinterpret_cast<const char*>(device.flash().data()), qsizetype(length));
}

QByteArray Bytes(const std::vector<uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

sim::MacAddress Mac(int n) { return sim::MacAddress{0x02, 0x4B, 0x7E, 0x00, 0x01, quint8(n)}; }

TEST(UploadEngine, BlocksLeaveInOrderWithTheirBytesAndSizes) {
    PeerSocket device;
    ASSERT_TRUE(device.bind(kLoopback, 0));
    const auto image = Image(3 * 256 + 5);
    UploadRequest request{.target = kLoopback, .image = image};
    UploadEngine run(DeviceLink(device.localPort()), FastPace(), request);
    QList<UploadProgress> progress;
    QObject::connect(&run, &UploadEngine::progressed, [&](const UploadProgress& p) { progress << p; });
    const UploadResult result = RunToEnd(run);
    EXPECT_EQ(result.status, UploadStatus::Completed);
    EXPECT_EQ(result.blocks, 4);
    EXPECT_EQ(result.blocksSent, 4);
    EXPECT_FALSE(result.verification);

    std::vector<QByteArray> received;
    for (int i = 0; i < 50 && received.size() < 4; ++i) {
        while (device.hasPendingDatagrams()) received.push_back(device.receiveDatagram().data());
        if (received.size() < 4) device.waitForReadyRead(100);
    }
    ASSERT_EQ(received.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        const QByteArray expected = QByteArray("\x40\x00", 2) + char(k) +
                                    Bytes(*image).mid(k * 256, k < 3 ? 256 : 5);
        EXPECT_EQ(received[size_t(k)], expected) << "block " << k;
    }
    ASSERT_EQ(progress.size(), 4);
    EXPECT_EQ(progress.back().done, 4);
    EXPECT_EQ(progress.back().total, 4);
    EXPECT_EQ(progress.front().phase, UploadPhase::Sending);
}

TEST(UploadEngine, AnEmptyFileSendsNothingAndCompletes) {
    PeerSocket device;
    ASSERT_TRUE(device.bind(kLoopback, 0));
    UploadEngine run(DeviceLink(device.localPort()), FastPace(), {.target = kLoopback, .image = Image(0), .verify = true});
    const UploadResult result = RunToEnd(run);
    EXPECT_EQ(result.status, UploadStatus::Completed);
    EXPECT_EQ(result.blocksSent, 0);
    ASSERT_TRUE(result.verification);
    EXPECT_TRUE(result.verification->matches());
    QTest::qWait(20);
    EXPECT_FALSE(device.hasPendingDatagrams());
}

TEST(UploadEngine, TimeLeftCountsThePaceOfEveryPhaseToCome) {
    PeerSocket device;
    ASSERT_TRUE(device.bind(kLoopback, 0));
    Pace pace = Pace::product();  // only the first block goes out: the run is stopped at once
    UploadEngine run(DeviceLink(device.localPort()), pace, {.target = kLoopback, .image = Image(10 * 256), .verify = true});
    UploadProgress first;
    QObject::connect(&run, &UploadEngine::progressed, [&](const UploadProgress& p) {
        first = p;
        run.cancel();
    });
    EXPECT_EQ(RunToEnd(run).status, UploadStatus::Stopped);
    // 10 blocks at 300 ms from the first (each with its pause), then 10 reads at 100 ms.
    EXPECT_GE(first.timeLeft, 3700ms);
    EXPECT_LE(first.timeLeft, 4000ms);
    EXPECT_EQ(first.done, 1);
}

class UploadSim : public ::testing::Test {
protected:
    void start(int devices, sim::SimConfig config = {}) {
        network = std::make_unique<sim::SimNetwork>(config);
        for (int i = 0; i < devices; ++i) network->addDevice(sim::Ipv4Address{127, 0, 0, quint8(2 + i)}, Mac(i));
        ASSERT_TRUE(network->start()) << network->errorString().toStdString();
        QObject::connect(network.get(), &sim::SimNetwork::commandReceived, [this](int d, quint8 code, int) {
            if (code == 0x40) ++writes[d];
        });
    }
    std::unique_ptr<UploadEngine> run(int device, std::shared_ptr<const std::vector<uint8_t>> image, bool verify,
                                   bool changedOnly = false) {
        UploadRequest request{.target = network->deviceAddress(device), .image = std::move(image), .verify = verify,
                                   .changedOnly = changedOnly, .readRetries = 3, .replyWait = 300ms};
        return std::make_unique<UploadEngine>(DeviceLink(network->port()), FastPace(), request);
    }
    std::unique_ptr<sim::SimNetwork> network;
    std::map<int, int> writes;
};

TEST_F(UploadSim, AnUploadIsReadBackEqual) {
    start(1);
    const auto image = Image(20 * 256 + 77);
    auto upload = run(0, image, true);
    const UploadResult result = RunToEnd(*upload);
    EXPECT_EQ(result.status, UploadStatus::Completed);
    ASSERT_TRUE(result.verification);
    EXPECT_TRUE(result.verification->matches());
    EXPECT_EQ(Flash(network->device(0), image->size()), Bytes(*image));
    EXPECT_EQ(writes[0], 21);
}

TEST_F(UploadSim, ALostBlockIsNamedByTheVerification) {
    sim::SimConfig config;
    config.dropWriteSector = 7;
    start(1, config);
    auto upload = run(0, Image(12 * 256), true);
    const UploadResult result = RunToEnd(*upload);
    EXPECT_EQ(result.status, UploadStatus::VerifyFailed);
    EXPECT_EQ(result.blocksSent, 12);
    ASSERT_TRUE(result.verification);
    EXPECT_EQ(result.verification->firstDifference(), 7);
    EXPECT_EQ(result.verification->differing, std::vector<int>{7});
}

TEST_F(UploadSim, ChangedOnlySendsOnlyTheBlocksThatDiffer) {
    start(1);
    auto old = Image(30 * 256 + 9);
    std::copy(old->begin(), old->end(), network->device(0).flash().begin());
    auto changed = std::make_shared<std::vector<uint8_t>>(*old);
    (*changed)[3 * 256 + 4] ^= 0xFF;
    (*changed)[29 * 256 + 255] ^= 0x01;
    (*changed)[30 * 256 + 8] ^= 0x01;  // the short last block
    auto upload = run(0, changed, false, true);
    const UploadResult result = RunToEnd(*upload);
    EXPECT_EQ(result.status, UploadStatus::Completed);
    EXPECT_EQ(result.changedBlocks, 3);
    EXPECT_EQ(result.blocksSent, 3);
    EXPECT_EQ(writes[0], 3);
    ASSERT_TRUE(result.verification);
    EXPECT_TRUE(result.verification->matches());
    EXPECT_EQ(Flash(network->device(0), changed->size()), Bytes(*changed));
}

TEST_F(UploadSim, SeveralDevicesAtOnceEachGetTheirImage) {
    start(4);
    std::vector<std::unique_ptr<UploadEngine>> runs;
    std::vector<std::shared_ptr<const std::vector<uint8_t>>> images;
    int finished = 0;
    for (int d = 0; d < 4; ++d) {
        images.push_back(Image(size_t(10 + d) * 256, d));
        runs.push_back(run(d, images.back(), true));
        QObject::connect(runs.back().get(), &UploadEngine::finished, [&] { ++finished; });
    }
    for (auto& r : runs) r->start();
    for (int i = 0; i < 3000 && finished < 4; ++i) QTest::qWait(10);
    ASSERT_EQ(finished, 4);
    for (int d = 0; d < 4; ++d) {
        EXPECT_EQ(runs[size_t(d)]->result().status, UploadStatus::Completed) << d;
        EXPECT_EQ(Flash(network->device(d), images[size_t(d)]->size()), Bytes(*images[size_t(d)])) << d;
        EXPECT_EQ(writes[d], 10 + d);
    }
}

TEST_F(UploadSim, ALossyNetworkIsVerifiedThroughRepeatedReads) {
    sim::SimConfig config;
    config.dropEvery = 3;     // every third sector reply is lost
    config.delayMaxMs = 20;   // and the rest come late, in any order
    start(1, config);
    const auto image = Image(16 * 256);
    auto upload = run(0, image, true);
    const UploadResult result = RunToEnd(*upload);
    EXPECT_EQ(result.status, UploadStatus::Completed);
    ASSERT_TRUE(result.verification);
    EXPECT_TRUE(result.verification->matches());
}

TEST_F(UploadSim, TheEngineRecordsItsTargetOnceBeforeItSends) {
    start(1);
    QTemporaryDir dataDir;
    ASSERT_TRUE(dataDir.isValid());
    std::vector<TableMessage> messages;
    UploadRequest request{.target = network->deviceAddress(0), .image = Image(2 * 256)};
    request.dataDir = dataDir.path().toStdString();
    request.historyMessages = [&](TableMessage m, const std::string&) { messages.push_back(m); };
    UploadEngine upload(DeviceLink(network->port()), FastPace(), request);
    ASSERT_TRUE(upload.prepare());
    ASSERT_TRUE(upload.prepare());  // told again, recorded once
    EXPECT_EQ(RunToEnd(upload).status, UploadStatus::Completed);
    QFile history(QDir(dataDir.path()).filePath(CIPFDB::kFileName));
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    EXPECT_EQ(history.readAll(), QByteArray("[1]\t 127.0.0.2\r\n"));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(writes[0], 2);
}

TEST_F(UploadSim, AnUnreadableHistoryIsToldTypedAndTheUploadStillGoes) {
    start(1);
    QTemporaryDir dataDir;
    ASSERT_TRUE(dataDir.isValid());
    ASSERT_TRUE(QDir(dataDir.path()).mkdir(CIPFDB::kFileName));  // a folder where the file should be
    std::vector<TableMessage> messages;
    UploadRequest request{.target = network->deviceAddress(0), .image = Image(256)};
    request.dataDir = dataDir.path().toStdString();
    request.historyMessages = [&](TableMessage m, const std::string&) { messages.push_back(m); };
    UploadEngine upload(DeviceLink(network->port()), FastPace(), request);
    EXPECT_EQ(RunToEnd(upload).status, UploadStatus::Completed);
    EXPECT_FALSE(messages.empty());
    EXPECT_EQ(writes[0], 1);
}

TEST_F(UploadSim, AStoppedRunSendsNoMore) {
    start(1);
    Pace pace = FastPace();
    pace.afterUploadBlock = 20ms;
    UploadEngine upload(DeviceLink(network->port()), pace, {.target = network->deviceAddress(0), .image = Image(50 * 256)});
    QObject::connect(&upload, &UploadEngine::progressed, [&](const UploadProgress& p) {
        if (p.done == 3) upload.cancel();
    });
    EXPECT_EQ(RunToEnd(upload).status, UploadStatus::Stopped);
    QTest::qWait(100);
    EXPECT_EQ(upload.result().blocksSent, 3);
    EXPECT_EQ(writes[0], 3);
}

}  // namespace
}  // namespace tavo
