// The BootP server with real broadcasts: two network namespaces joined by a veth pair,
// made here and deleted at the end even when a check fails. The server (`tavo bootp
// serve`, or the page's engine in this very test binary run again inside the namespace)
// is in A; the devices (tavo-sim without an address, and Debian's bootpc where it is
// installed) are in B; a live tshark there dissects the replies. Nothing leaves the
// namespaces.
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "BootPFDB.h"
#include "BootpServer.h"
#include "BootpWords.h"
#include "NetnsSupport.h"

namespace tavo {
namespace {

const char* const kChildEnv = "TAVO_BOOTP_NETNS_CHILD";  // "<data dir>|<interface>"
const QString kServerIf = QStringLiteral("tvbpA");
const QString kDeviceIf = QStringLiteral("tvbpB");

// Namespace A (the PC, 10.231.0.1/24 on tvbpA) and B (the devices, tvbpB without an
// address).
class TestNamespaces : public NamespacePair {
public:
    TestNamespaces() : NamespacePair(QStringLiteral("tavo-bootp"), kServerIf, kDeviceIf) {}
    QString make() {
        return NamespacePair::make({{"-n", b, "link", "set", kDeviceIf, "address", "02:4b:7e:0a:1b:2d"},  // bootpc's MAC
                                    {"-n", a, "addr", "add", "10.231.0.1/24", "dev", kServerIf},
                                    // bootpc sends to 255.255.255.255 through the routing table
                                    {"-n", b, "route", "add", "255.255.255.255/32", "dev", kDeviceIf}});
    }
};

struct Device {
    const char* ip;
    const char* mac;
};
const Device kSimDevice = {" 10.231.  0. 20", "024B7E0A1B2C"};
const Device kBootpcDevice = {" 10.231.  0. 21", "024B7E0A1B2D"};
const Device kUnknownDevice = {" 10.231.  0. 22", "024B7E0A1B2E"};

void AddDevice(const QString& dir, const Device& device) {
    CBootPFDB table(dir.toStdString());
    table.Load();
    table.AddNew();
    table.setHType(1);
    table.setHLen(6);
    table.setIP(device.ip);
    table.setMAC(device.mac);
    table.setGateway(" 10.231.  0.  1");
    table.setSubnet("255.255.255.  0");
    ASSERT_TRUE(table.Save());
}

// The replies that reach the devices' side, dissected as they pass by a live tshark in
// namespace B. tshark says it is capturing before its capture is live, and a client that
// asks once is answered within a millisecond: so the capture is proven live with a probe,
// a datagram sent from A across the link and seen in the capture, before any client
// starts. The probe is unicast to a neighbour entry of A's own making, so no ARP is needed
// and nothing answers it.
class ReplyCapture {
public:
    bool start(const TestNamespaces& ns) {
        const QString filter = QStringLiteral("udp dst port %1 or (udp src port 67 and udp dst port 68)").arg(kProbePort);
        if (!m_tshark.start("ip", ns.in(ns.b, {"tshark", "-l", "-n", "-i", kDeviceIf, "-a", "duration:60", "-f", filter,
                                               "-T", "fields", "-e", "udp.dstport", "-e", "dhcp.ip.your", "-e",
                                               "dhcp.ip.server", "-e", "dhcp.ip.relay", "-e", "dhcp.option.subnet_mask",
                                               "-e", "dhcp.hw.mac_addr", "-E", "separator=,"})))
            return false;
        Ip({"-n", ns.a, "neigh", "replace", kProbeTarget, "lladdr", "02:00:00:00:00:99", "dev", kServerIf});
        const QString probe = QStringLiteral("echo probe >/dev/udp/%1/%2").arg(kProbeTarget).arg(kProbePort);
        // Bounded: at most 100 probes, each followed by a wait for it of at most 300 ms.
        for (int i = 0; i < 100; ++i) {
            if (!run("ip", ns.in(ns.a, {"bash", "-c", probe}))) return false;
            if (m_tshark.waitLine(QStringLiteral("%1,,,,,").arg(kProbePort), nullptr, false, 300)) return true;
        }
        return false;
    }

    // "your,server,relay,mask,chaddr" of the next reply.
    QString fields() {
        QString line;
        if (!m_tshark.waitLine(QStringLiteral("68,"), &line)) return "no reply captured: " + m_tshark.all();
        return line.mid(3);
    }

private:
    static constexpr int kProbePort = 9;  // discard
    static constexpr const char* kProbeTarget = "10.231.0.99";
    LineProcess m_tshark;
};


class BootpNetns : public ::testing::Test {
protected:
    void SetUp() override {
        const QString reason = ns.make();
        if (!reason.isEmpty()) GTEST_SKIP() << reason.toStdString();
        if (!HaveProgram("tshark")) GTEST_SKIP() << "tshark is not installed (scripts/install-deps)";
        ASSERT_TRUE(dir.isValid());
        AddDevice(dir.path(), kSimDevice);
        AddDevice(dir.path(), kBootpcDevice);
    }

    // tavo-sim in B: one device without an address, asking by BootP until it is answered.
    bool bootSimulatedDevice(LineProcess& sim, const char* mac, QString* configured) {
        return sim.start("ip", ns.in(ns.b, {TAVO_SIM_EXE, "--interface", kDeviceIf, "--port", "0", "--bind-any",
                                            "--bootp-interval-ms", "300", "--bootp-max-requests", "40", "--max-seconds",
                                            "20", "--mac", mac})) &&
               sim.waitLine("bootp configured", configured);
    }

    TestNamespaces ns;  // declared first: deleted after every process below has ended
    QTemporaryDir dir;
};

TEST_F(BootpNetns, CliServesTheSimulatorAndBootpc) {
    LineProcess server;
    ASSERT_TRUE(server.start("ip", ns.in(ns.a, {TAVO_CLI_EXE, "bootp", "serve", "--data-dir", dir.path(), "--interface", kServerIf})));
    ASSERT_TRUE(server.waitLine("ready port 67")) << server.all().toStdString();

    {
        ReplyCapture capture;
        ASSERT_TRUE(capture.start(ns));
        LineProcess sim;
        QString configured;
        ASSERT_TRUE(bootSimulatedDevice(sim, "02:4B:7E:0A:1B:2C", &configured)) << sim.all().toStdString();
        EXPECT_EQ(configured, "bootp configured 024B7E0A1B2C ip 10.231.0.20 gateway 10.231.0.1 mask 255.255.255.0");
        EXPECT_EQ(capture.fields(), "10.231.0.20,10.231.0.1,10.231.0.1,255.255.255.0,02:4b:7e:0a:1b:2c");
        QString reply;
        ASSERT_TRUE(server.waitLine("reply 024B7E0A1B2C", &reply));
        EXPECT_EQ(reply, "reply 024B7E0A1B2C on tvbpA: Invio della replica BootP  all'indirizzo IP [  10.231.  0. 20 ]");
    }

    if (HaveProgram("bootpc")) {
        ReplyCapture capture;
        ASSERT_TRUE(capture.start(ns));
        LineProcess bootpc;
        ASSERT_TRUE(bootpc.start("ip", ns.in(ns.b, {"bootpc", "--dev", kDeviceIf, "--timeoutwait", "10", "--returniffail"})));
        EXPECT_TRUE(bootpc.waitLine("IPADDR='10.231.0.21'")) << bootpc.all().toStdString();
        // Its request has no subnet-mask option at offset 240, so the mask written at 242
        // is not an option to the dissector.
        EXPECT_TRUE(capture.fields().startsWith("10.231.0.21,10.231.0.1,10.231.0.1,"));
    } else {
        std::fprintf(stderr, "bootpc is not installed: only tavo-sim was served\n");
    }

    EXPECT_TRUE(server.terminate()) << server.all().toStdString();
    EXPECT_EQ(server.outLines().value(server.outLines().size() - 1), "BootP interrotto ..");
}

// The JSON lines of a request log, in order.
QList<QJsonObject> ReadLog(const QString& path) {
    QList<QJsonObject> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return lines;
    while (!file.atEnd()) lines << QJsonDocument::fromJson(file.readLine()).object();
    return lines;
}

QList<QJsonObject> LogLinesOf(const QList<QJsonObject>& lines, const QString& event, const QString& mac = {}) {
    QList<QJsonObject> of;
    for (const QJsonObject& line : lines) {
        if (line["event"].toString() == event && (mac.isEmpty() || line["mac"].toString() == mac)) of << line;
    }
    return of;
}

TEST_F(BootpNetns, RequestLogHasOneLinePerRequestWithItsOutcome) {
    const QString log = dir.filePath("requests.jsonl");
    LineProcess server;
    ASSERT_TRUE(server.start("ip", ns.in(ns.a, {TAVO_CLI_EXE, "bootp", "serve", "--data-dir", dir.path(), "--interface",
                                                kServerIf, "--log", log})));
    ASSERT_TRUE(server.waitLine("ready port 67")) << server.all().toStdString();

    LineProcess sim;
    ASSERT_TRUE(bootSimulatedDevice(sim, "02:4B:7E:0A:1B:2C", nullptr)) << sim.all().toStdString();
    ASSERT_TRUE(server.waitLine("reply 024B7E0A1B2C"));
    // A device that is not in the table asks twice and is left unanswered twice.
    LineProcess unknown;
    ASSERT_TRUE(unknown.start("ip", ns.in(ns.b, {TAVO_SIM_EXE, "--interface", kDeviceIf, "--port", "0", "--bind-any",
                                                 "--bootp-interval-ms", "200", "--bootp-max-requests", "2",
                                                 "--max-seconds", "20", "--mac", kUnknownDevice.mac})));
    ASSERT_TRUE(server.waitLine("no reply 024B7E0A1B2E")) << server.all().toStdString();
    ASSERT_TRUE(server.waitLine("no reply 024B7E0A1B2E")) << server.all().toStdString();
    // bootpc takes port 68 without sharing it.
    sim.stop();
    unknown.stop();
    const bool haveBootpc = HaveProgram("bootpc");
    if (haveBootpc) {
        LineProcess bootpc;
        ASSERT_TRUE(bootpc.start("ip", ns.in(ns.b, {"bootpc", "--dev", kDeviceIf, "--timeoutwait", "10", "--returniffail"})));
        EXPECT_TRUE(bootpc.waitLine("IPADDR='10.231.0.21'")) << bootpc.all().toStdString();
        ASSERT_TRUE(server.waitLine("reply 024B7E0A1B2D"));
    }
    EXPECT_TRUE(server.terminate()) << server.all().toStdString();

    const QList<QJsonObject> lines = ReadLog(log);
    const auto answered = LogLinesOf(lines, "request", kSimDevice.mac);
    ASSERT_EQ(answered.size(), 1) << server.all().toStdString();
    EXPECT_EQ(answered[0].keys(),
              (QStringList{"event", "family", "from", "interface", "ip", "mac", "outcome", "replyBytes", "time"}));
    EXPECT_EQ(answered[0]["outcome"].toString(), "answered");
    EXPECT_EQ(answered[0]["ip"].toString(), "10.231.0.20");
    EXPECT_EQ(answered[0]["replyBytes"].toInt(), 300);
    EXPECT_EQ(answered[0]["interface"].toString(), kServerIf);
    EXPECT_TRUE(answered[0]["family"].toBool());
    EXPECT_TRUE(QDateTime::fromString(answered[0]["time"].toString(), Qt::ISODateWithMs).isValid());
    const auto unanswered = LogLinesOf(lines, "request", kUnknownDevice.mac);
    ASSERT_EQ(unanswered.size(), 2);
    for (const QJsonObject& line : unanswered) {
        EXPECT_EQ(line["outcome"].toString(), "unknown");
        EXPECT_EQ(line["replyBytes"].toInt(), 0);
        EXPECT_FALSE(line.contains("ip"));
    }
    if (haveBootpc) {
        const auto foreign = LogLinesOf(lines, "request", kBootpcDevice.mac);
        ASSERT_EQ(foreign.size(), 1);
        EXPECT_EQ(foreign[0]["outcome"].toString(), "answered");
        EXPECT_EQ(foreign[0]["ip"].toString(), "10.231.0.21");
        EXPECT_EQ(foreign[0]["from"].toString(), "0.0.0.0:68");
    }
    EXPECT_EQ(LogLinesOf(lines, "request").size(), 3 + (haveBootpc ? 1 : 0));
}

// Another server in the devices' namespace answers a device of the family: the serving
// tavo names it once, on its output and in its log, however often it answers.
TEST_F(BootpNetns, RivalServerIsNamedOnce) {
    ASSERT_TRUE(Ip({"-n", ns.b, "addr", "add", "10.231.0.2/24", "dev", kDeviceIf}));
    const QString log = dir.filePath("requests.jsonl");
    LineProcess server;
    ASSERT_TRUE(server.start("ip", ns.in(ns.a, {TAVO_CLI_EXE, "bootp", "serve", "--data-dir", dir.path(), "--interface",
                                                kServerIf, "--log", log})));
    ASSERT_TRUE(server.waitLine("ready port 67")) << server.all().toStdString();
    // The rival: three BootP replies to a device of the family, from 10.231.0.2 port 67.
    const QString rival = QStringLiteral(
        "import socket\n"
        "s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)\n"
        "s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)\n"
        "s.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, b'%1')\n"
        "s.bind(('10.231.0.2', 67))\n"
        "m = bytearray(300); m[0:3] = bytes([2, 1, 6]); m[16:20] = bytes([10, 231, 0, 77])\n"
        "m[28:34] = bytes.fromhex('024B7E0A1B2C')\n"
        "for _ in range(3): s.sendto(bytes(m), ('255.255.255.255', 68))\n").arg(kDeviceIf);
    ASSERT_TRUE(run("ip", ns.in(ns.b, {"/usr/bin/python3", "-c", rival})));
    QString named;
    ASSERT_TRUE(server.waitLine("rival server", &named)) << server.all().toStdString();
    EXPECT_EQ(named, "rival server 10.231.0.2 answered 024B7E0A1B2C on tvbpA");
    // A round trip after the rival's replies: the server has read them all by then.
    LineProcess asker;
    ASSERT_TRUE(asker.start("ip", ns.in(ns.b, {"/usr/bin/python3", TAVO_SOURCE_DIR "/tests/e2e/bootp_asker.py", "--dev",
                                               kDeviceIf, "--mac", kSimDevice.mac, "--max-seconds", "20"})));
    ASSERT_TRUE(asker.waitLine("reply")) << asker.all().toStdString();
    EXPECT_TRUE(server.terminate()) << server.all().toStdString();
    EXPECT_EQ(server.outLines().filter("rival server").size(), 1) << server.all().toStdString();
    const auto rivals = LogLinesOf(ReadLog(log), "rival");
    ASSERT_EQ(rivals.size(), 1);
    EXPECT_EQ(rivals[0]["server"].toString(), "10.231.0.2");
    EXPECT_EQ(rivals[0]["mac"].toString(), kSimDevice.mac);
}

// The server's interface set down and up, its address removed and another given, and the
// veth deleted and made again, while a device keeps asking: the server says so once for
// each change, never ends, and answers again once the interface is back, from its address
// of the moment.
TEST_F(BootpNetns, ServerOutlivesItsInterface) {
    // Two seconds, and one asking interval of the device: the bound on each wait for the
    // first answer after the interface is back.
    constexpr int kAskIntervalMs = 200;
    constexpr int kResumeBoundMs = 2000 + kAskIntervalMs;
    LineProcess server;
    ASSERT_TRUE(server.start("ip", ns.in(ns.a, {TAVO_CLI_EXE, "bootp", "serve", "--data-dir", dir.path(), "--interface",
                                                kServerIf})));
    ASSERT_TRUE(server.waitLine("ready port 67")) << server.all().toStdString();
    LineProcess asker;
    ASSERT_TRUE(asker.start("ip", ns.in(ns.b, {"/usr/bin/python3", TAVO_SOURCE_DIR "/tests/e2e/bootp_asker.py", "--dev",
                                               kDeviceIf, "--mac", kSimDevice.mac, "--interval-ms",
                                               QString::number(kAskIntervalMs), "--max-seconds", "90"})));
    QString reply;
    ASSERT_TRUE(asker.waitLine("reply", &reply)) << asker.all().toStdString();
    EXPECT_TRUE(reply.endsWith("yiaddr 10.231.0.20 siaddr 10.231.0.1")) << reply.toStdString();

    const struct {
        const char* name;
        QList<QStringList> fault;
        QString said;
        QList<QStringList> repair;
        QString serverAddress;
    } cases[] = {
        {"set down and up",
         {{"-n", ns.a, "link", "set", kServerIf, "down"}},
         "interface tvbpA down: waiting for it",
         {{"-n", ns.a, "link", "set", kServerIf, "up"}},
         "10.231.0.1"},
        {"address removed, another given",
         {{"-n", ns.a, "addr", "del", "10.231.0.1/24", "dev", kServerIf}},
         "interface tvbpA has no IPv4 address: waiting for one",
         {{"-n", ns.a, "addr", "add", "10.231.0.3/24", "dev", kServerIf}},
         "10.231.0.3"},
        {"deleted and made again",
         {{"-n", ns.a, "link", "del", kServerIf}},
         "interface tvbpA is gone: waiting for it",
         {{"-n", ns.a, "link", "add", kServerIf, "type", "veth", "peer", "name", kDeviceIf, "netns", ns.b},
          {"-n", ns.b, "link", "set", kDeviceIf, "address", "02:4b:7e:0a:1b:2d"},
          {"-n", ns.a, "addr", "add", "10.231.0.4/24", "dev", kServerIf},
          {"-n", ns.a, "link", "set", kServerIf, "up"},
          {"-n", ns.b, "link", "set", kDeviceIf, "up"},
          {"-n", ns.b, "route", "add", "255.255.255.255/32", "dev", kDeviceIf}},
         "10.231.0.4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QStringList& step : c.fault) ASSERT_TRUE(Ip(step)) << step.join(' ').toStdString();
        ASSERT_TRUE(server.waitLine(c.said)) << server.all().toStdString();
        for (const QStringList& step : c.repair) ASSERT_TRUE(Ip(step)) << step.join(' ').toStdString();
        asker.skipPending();
        ASSERT_TRUE(asker.waitLine("siaddr " + c.serverAddress, &reply, false, kResumeBoundMs))
            << asker.all().toStdString() << "\n--- server\n" << server.all().toStdString();
        EXPECT_TRUE(reply.contains("yiaddr 10.231.0.20"));
        // Said once, though the device kept asking all along.
        EXPECT_EQ(server.outLines().filter(c.said).size(), 1) << server.all().toStdString();
    }
    EXPECT_TRUE(server.terminate()) << server.all().toStdString();
}

TEST_F(BootpNetns, PageEngineAnswersAnUnknownDeviceOnceItIsEntered) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildEnv, dir.path() + "|" + kServerIf);
    LineProcess engine;
    const QString self = QFile::symLinkTarget("/proc/self/exe");
    ASSERT_TRUE(engine.start("ip", ns.in(ns.a, {self, "--gtest_also_run_disabled_tests",
                                                "--gtest_filter=BootpNetnsChild.DISABLED_PageEngineServesOneUnknownDevice"}),
                             env));
    ASSERT_TRUE(engine.waitLine("engine ready")) << engine.all().toStdString();

    ReplyCapture capture;
    ASSERT_TRUE(capture.start(ns));
    LineProcess sim;
    QString configured;
    ASSERT_TRUE(bootSimulatedDevice(sim, kUnknownDevice.mac, &configured)) << engine.all().toStdString();
    EXPECT_EQ(configured, "bootp configured 024B7E0A1B2E ip 10.231.0.22 gateway 10.231.0.1 mask 255.255.255.0");
    EXPECT_EQ(capture.fields(), "10.231.0.22,10.231.0.1,10.231.0.1,255.255.255.0,02:4b:7e:0a:1b:2e");

    EXPECT_TRUE(engine.finish()) << engine.all().toStdString();
    EXPECT_TRUE(engine.outLines().contains("status Invio della replica BootP  all'indirizzo IP [  10.231.  0. 22 ]"))
        << engine.all().toStdString();
}

// The page's side of the flow, run inside namespace A by the test above: the engine with
// the product's ports and the limited broadcast, and an observer that enters an unknown
// device the way the device entry dialog does when the operator confirms it.
class EnteringObserver : public BootpServerObserver {
public:
    explicit EnteringObserver(QString dir) : m_dir(std::move(dir)) {}
    void bootpStatus(const BootpEvent& event) override { print("status " + QString::fromStdString(bootpStatusText(event))); }
    bool bootpUnknownDevice(const MacOctets& mac) override {
        print("unknown " + QString::fromStdString(FormatMac(mac)));
        AddDevice(m_dir, kUnknownDevice);
        return true;
    }
    void bootpReadFailed() override { print("read failed"); }
    void bootpStopRequested() override { print("stop requested"); }
    static void print(const QString& line) {
        std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
    }

private:
    QString m_dir;
};

TEST(BootpNetnsChild, DISABLED_PageEngineServesOneUnknownDevice) {
    const QString childArgs = QString::fromLocal8Bit(std::getenv(kChildEnv));
    ASSERT_FALSE(childArgs.isEmpty()) << "run by BootpNetns.PageEngineAnswersAnUnknownDeviceOnceItIsEntered";
    // The product's ports and the limited broadcast: only inside a test namespace.
    ASSERT_TRUE(InRegisteredNetworkNamespace());
    LinkConfig config;
    config.interfaceName = childArgs.section('|', 1);
    EnteringObserver observer(childArgs.section('|', 0, 0));
    BootpServer server(config, childArgs.section('|', 0, 0), observer);
    ASSERT_TRUE(server.start()) << bootpStartFailureReason(server.startFailure());
    EnteringObserver::print("engine ready");
    QSignalSpy handled(&server, &BootpServer::requestHandled);
    QDeadlineTimer deadline(kWaitMs);
    bool replied = false;
    while (!replied && !deadline.hasExpired() && handled.wait(int(std::max<qint64>(1, deadline.remainingTime())))) {
        replied = server.lastMac() && FormatMac(*server.lastMac()) == kUnknownDevice.mac && !server.isBusy();
    }
    EXPECT_TRUE(replied);
    server.stop();
}

}  // namespace
}  // namespace tavo
