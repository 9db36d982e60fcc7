// The IP clear engine: the address goes into the IP history before the command leaves,
// once only, and a history that cannot be written is reported without holding the
// command back.
#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

#include "IpClearEngine.h"

namespace tavo {
namespace {

constexpr int kWaitMs = 5000;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class IpClearEngineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.bind(QHostAddress::LocalHost, 0)); }

    IpClearRequest request(std::string dataDir) {
        IpClearRequest r{{127, 0, 0, 1}, std::move(dataDir), {}, {}};
        r.link.devicePort = device.localPort();
        r.link.broadcast = QHostAddress::LocalHost;
        r.tableMessages = [this](TableMessage m, const std::string&) { messages.push_back(m); };
        return r;
    }
    QByteArray nextDatagram() {
        if (!device.hasPendingDatagrams()) device.waitForReadyRead(kWaitMs);
        return device.hasPendingDatagrams() ? device.receiveDatagram().data() : QByteArray();
    }

    QUdpSocket device;
    QTemporaryDir dir;
    std::vector<TableMessage> messages;
};

TEST_F(IpClearEngineTest, RecordsTheTargetOnceAndSendsTheCommandEachTime) {
    const QString history = QDir(dir.path()).filePath(QStringLiteral("iph.ini"));
    for (int run = 0; run < 2; ++run) {
        const IpClearResult result = IpClearEngine().start(request(dir.path().toStdString()));
        EXPECT_EQ(result.status, IpClearResult::Status::Sent);
        EXPECT_EQ(result.target, (Ipv4Octets{127, 0, 0, 1}));
        EXPECT_EQ(readAll(history), QByteArray("[1]\t 127.0.0.1\r\n"));
        EXPECT_EQ(nextDatagram(), QByteArray(1, '\x36'));
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(IpClearEngineTest, AnUnwritableHistoryIsReportedAndTheCommandStillLeaves) {
    const QString notAFolder = QDir(dir.path()).filePath(QStringLiteral("file"));
    QFile file(notAFolder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const IpClearResult result = IpClearEngine().start(request(notAFolder.toStdString()));
    EXPECT_EQ(result.status, IpClearResult::Status::Sent);
    EXPECT_EQ(messages, std::vector<TableMessage>{TableMessage::FileNotWritable});
    EXPECT_EQ(nextDatagram(), QByteArray(1, '\x36'));
}

}  // namespace
}  // namespace tavo
