// The preflight engine on loopback: ports held by this very test, and the listening on
// injected ports, fed by datagrams sent to 127.0.0.1.
#include "BootpPreflight.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkDatagram>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

#include "BootpMessage.h"
#include "Loopback.h"

namespace tavo {
namespace {

using test::kLoopback;
using test::kWaitMs;
using test::PeerSocket;

QString OwnProgram() {
    QFile comm(QStringLiteral("/proc/self/comm"));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
}

// A port that was free a moment ago.
quint16 FreePort() {
    PeerSocket probe;
    return probe.bind(QHostAddress(QHostAddress::AnyIPv4), 0) ? probe.localPort() : 0;
}

PreflightRequest OnPorts(quint16 server, quint16 client) {
    PreflightRequest request;
    request.link.bootpServerPort = server;
    request.link.bootpClientPort = client;
    return request;
}

const PreflightFinding* PortFinding(const std::vector<PreflightFinding>& findings, quint16 port) {
    const auto it = std::find_if(findings.begin(), findings.end(), [port](const PreflightFinding& f) {
        return preflightCheckName(f.cause) == std::string("port") && f.port == port;
    });
    return it == findings.end() ? nullptr : &*it;
}

TEST(BootpPreflight, NamesTheProgramAndProcessThatHoldTheServerPort) {
    PeerSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QAbstractSocket::DontShareAddress));
    const quint16 client = FreePort();
    const auto findings = BootpPreflight::checkNow(OnPorts(holder.localPort(), client));
    const PreflightFinding* server = PortFinding(findings, holder.localPort());
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->cause, PreflightCause::PortHeld);
    EXPECT_EQ(server->status, PreflightStatus::Blocked);
    ASSERT_EQ(server->holders.size(), 1u);
    EXPECT_EQ(server->holders[0].pid, QCoreApplication::applicationPid());
    EXPECT_EQ(QString::fromStdString(server->holders[0].program), OwnProgram());
    EXPECT_EQ(PortFinding(findings, client)->cause, PreflightCause::PortFree);
    EXPECT_FALSE(preflightCanServe(findings));

    const auto blocker = BootpPreflight::firstBlocker(OnPorts(holder.localPort(), client));
    ASSERT_TRUE(blocker);
    EXPECT_EQ(blocker->cause, PreflightCause::PortHeld);
}

TEST(BootpPreflight, AHeldClientPortIsAWarningAndAnyFreeServerPortIsNotChecked) {
    PeerSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QAbstractSocket::DontShareAddress));
    const auto findings = BootpPreflight::checkNow(OnPorts(0, holder.localPort()));
    const PreflightFinding* client = PortFinding(findings, holder.localPort());
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->cause, PreflightCause::PortHeld);
    EXPECT_EQ(client->status, PreflightStatus::Warning);
    EXPECT_EQ(PortFinding(findings, 0), nullptr);
}

QByteArray Message(uint8_t op, const QByteArray& mac, const QByteArray& yiaddr = QByteArray(4, '\0')) {
    QByteArray m(int(BOOTP_MESSAGE_SIZE), '\0');
    m[int(bootp_offset::kOp)] = char(op);
    m.replace(int(bootp_offset::kYiaddr), 4, yiaddr);
    m.replace(int(bootp_offset::kChaddr), 6, mac);
    return m;
}

TEST(BootpPreflight, ListeningHearsRequestsOncePerMacAndNamesAnotherServer) {
    const quint16 server = FreePort();
    const quint16 client = FreePort();
    ASSERT_NE(server, client);
    BootpPreflight preflight;
    std::vector<PreflightFinding> heard;
    std::optional<std::vector<PreflightFinding>> result;
    QObject::connect(&preflight, &BootpPreflight::found, [&heard](const PreflightFinding& f) {
        if (f.cause == PreflightCause::RequestHeard || f.cause == PreflightCause::RivalServer) heard.push_back(f);
    });
    QObject::connect(&preflight, &BootpPreflight::finished,
                     [&result](const std::vector<PreflightFinding>& findings) { result = findings; });
    PreflightRequest request = OnPorts(server, client);
    request.listen = std::chrono::milliseconds(kWaitMs);
    preflight.start(request);
    ASSERT_FALSE(result);

    const QByteArray device = QByteArray::fromHex("024B7E000009");
    PeerSocket peer;
    // The device twice, a laptop once, and a reply from "another server" (this socket).
    for (const QByteArray& mac : {device, device, QByteArray::fromHex("3C22FB010203")})
        ASSERT_EQ(peer.writeDatagram(Message(BOOTP_OP_REQUEST, mac), kLoopback, server), qint64(BOOTP_MESSAGE_SIZE));
    ASSERT_TRUE(QTest::qWaitFor([&heard] { return heard.size() >= 2; }, kWaitMs));
    ASSERT_EQ(peer.writeDatagram(Message(BOOTP_OP_REPLY, device, QByteArray::fromHex("0A000032")), kLoopback, client),
              qint64(BOOTP_MESSAGE_SIZE));
    ASSERT_TRUE(QTest::qWaitFor([&heard] { return heard.size() >= 3; }, kWaitMs));
    preflight.cancel();
    ASSERT_TRUE(result);

    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0].cause, PreflightCause::RequestHeard);
    EXPECT_EQ(FormatMac(heard[0].mac), "024B7E000009");
    EXPECT_TRUE(heard[0].ofFamily);
    EXPECT_EQ(FormatMac(heard[1].mac), "3C22FB010203");
    EXPECT_FALSE(heard[1].ofFamily);
    EXPECT_EQ(heard[2].cause, PreflightCause::RivalServer);
    EXPECT_EQ(heard[2].address, (Ipv4Octets{127, 0, 0, 1}));
    EXPECT_EQ(heard[2].offered, (Ipv4Octets{10, 0, 0, 50}));
    EXPECT_EQ(heard[2].status, PreflightStatus::Blocked);
    EXPECT_FALSE(preflightCanServe(*result));
    EXPECT_EQ(result->back().cause, PreflightCause::RivalServer);
}

TEST(BootpPreflight, ListeningThatHearsNoRequestSaysSo) {
    const quint16 server = FreePort();
    BootpPreflight preflight;
    std::optional<std::vector<PreflightFinding>> result;
    QObject::connect(&preflight, &BootpPreflight::finished,
                     [&result](const std::vector<PreflightFinding>& findings) { result = findings; });
    PreflightRequest request = OnPorts(server, FreePort());
    request.listen = std::chrono::milliseconds(300);
    preflight.start(request);
    ASSERT_TRUE(QTest::qWaitFor([&result] { return result.has_value(); }, kWaitMs));
    const PreflightFinding& last = result->back();
    EXPECT_EQ(last.cause, PreflightCause::NothingHeard);
    EXPECT_EQ(last.status, PreflightStatus::Warning);
    EXPECT_EQ(last.port, server);
    EXPECT_GT(last.listenedMs, 0);
    EXPECT_TRUE(preflightCanServe(*result));
}

}  // namespace
}  // namespace tavo
