// tavo doctor on real links: namespaces made here and deleted at the end even when a
// check fails. A bridge in one namespace joins the PC (where the doctor listens), a
// device (tavo-sim without an address) and a rival server (Debian's dnsmasq); two more
// namespaces hold two interfaces on one subnet, and one with only a link-local address.
// The doctor sends nothing; the device and dnsmasq send only across the bridge.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "FakePrompts.h"
#include "NetnsSupport.h"
#include "bootp/IPPage.h"

namespace tavo {
namespace {

const char* const kChildEnv = "TAVO_DOCTOR_NETNS_CHILD";  // the data folder of the page
const char* const kDeviceMac = "02:4B:7E:0A:1B:30";
const char* const kRivalOffer = "10.77.0.50";

// The output of one run of a program to its end.
struct Ran {
    int status = -1;
    QString out;
};

Ran RunToEnd(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("ip"), arguments);
    Ran ran;
    if (!process.waitForFinished(kWaitMs) || process.exitStatus() != QProcess::NormalExit) return ran;
    ran.status = process.exitCode();
    ran.out = QString::fromUtf8(process.readAllStandardOutput());
    // What the runs print is what the README shows.
    std::fprintf(stderr, "--- %s\n%s", qPrintable(arguments.mid(3).join(' ')), qPrintable(ran.out));
    return ran;
}

// Namespaces named after this process; every link is made inside them.
class DoctorNamespaces {
public:
    explicit DoctorNamespaces(const QStringList& roles) {
        for (const QString& role : roles) m_names << QStringLiteral("tavo-doc-%1-%2").arg(::getpid()).arg(role);
    }
    ~DoctorNamespaces() {
        for (const QString& name : m_made) Ip({"netns", "del", name});
    }

    // Empty on success, else why the test cannot run here.
    QString make() {
        if (::geteuid() != 0) return QStringLiteral("needs root to make network namespaces");
        if (!Ip({"netns", "list"})) return QStringLiteral("ip netns is not available");
        for (const QString& name : m_names) {
            if (!Ip({"netns", "add", name})) return QStringLiteral("ip netns add failed");
            m_made << name;
            if (!run("ip", {"netns", "exec", name, "sysctl", "-qw", "net.ipv6.conf.all.disable_ipv6=1"}) ||
                !Ip({"-n", name, "link", "set", "lo", "up"}))
                return QStringLiteral("could not set up the test namespaces");
        }
        return {};
    }

    QString operator[](int i) const { return m_names[i]; }
    QStringList in(int i, const QStringList& command) const { return QStringList{"netns", "exec", m_names[i]} + command; }

private:
    QStringList m_names, m_made;
};

// Runs `tavo doctor ARGS` in namespace `ns`.
Ran Doctor(const DoctorNamespaces& ns, int i, const QStringList& args) {
    return RunToEnd(ns.in(i, QStringList{TAVO_CLI_EXE, "doctor"} + args));
}

bool Links(const std::vector<QStringList>& commands) {
    return std::all_of(commands.begin(), commands.end(), [](const QStringList& c) { return Ip(c); });
}

// bridge (0), pc (1): tvdPc 10.77.0.1/24, device (2): tvdDev without an address, rival
// (3): tvdRiv 10.77.0.2/24.
class DoctorOnALink : public ::testing::Test {
protected:
    enum { kBridge, kPc, kDevice, kRival };

    void SetUp() override {
        const QString reason = ns.make();
        if (!reason.isEmpty()) GTEST_SKIP() << reason.toStdString();
        if (!HaveProgram("dnsmasq")) GTEST_SKIP() << "dnsmasq is not installed (scripts/install-deps)";
        ASSERT_TRUE(dir.isValid());
        std::vector<QStringList> links = {{"-n", ns[kBridge], "link", "add", "tvdbr", "type", "bridge"},
                                          {"-n", ns[kBridge], "link", "set", "tvdbr", "up"}};
        const struct {
            int ns;
            const char* inside;
            const char* port;
            const char* address;
        } ends[] = {{kPc, "tvdPc", "tvdbPc", "10.77.0.1/24"}, {kDevice, "tvdDev", "tvdbDev", nullptr},
                    {kRival, "tvdRiv", "tvdbRiv", "10.77.0.2/24"}};
        for (const auto& end : ends) {
            links.push_back({"-n", ns[kBridge], "link", "add", end.port, "type", "veth", "peer", "name", end.inside, "netns",
                             ns[end.ns]});
            links.push_back({"-n", ns[kBridge], "link", "set", end.port, "master", "tvdbr", "up"});
            if (end.address) links.push_back({"-n", ns[end.ns], "addr", "add", end.address, "dev", end.inside});
            links.push_back({"-n", ns[end.ns], "link", "set", end.inside, "up"});
        }
        ASSERT_TRUE(Links(links));
    }

    bool startRival(LineProcess& dnsmasq) {
        return dnsmasq.start(
            "ip", ns.in(kRival, {"dnsmasq", "--no-daemon", "--conf-file=/dev/null", "--port=0", "--no-resolv", "--no-hosts",
                                 "--user=root", "--interface=tvdRiv", "--dhcp-range=10.77.0.0,static",
                                 QStringLiteral("--dhcp-host=%1,%2").arg(kDeviceMac, kRivalOffer), "--dhcp-broadcast",
                                 "--dhcp-leasefile=" + dir.filePath("leases"), "--pid-file=" + dir.filePath("pid")}));
    }

    DoctorNamespaces ns{{"br", "pc", "dev", "rival"}};  // first: deleted after every process
    QTemporaryDir dir;
};

QJsonObject PortFinding(const QJsonObject& report, int port) {
    for (const QJsonValue& finding : report["findings"].toArray()) {
        if (finding["check"] == "port" && finding["port"] == port) return finding.toObject();
    }
    return {};
}

TEST_F(DoctorOnALink, HearsTheDeviceNamesTheRivalServerAndWhoHoldsItsPort) {
    Ran before = Doctor(ns, kPc, {"--interface", "tvdPc", "--for", "10.77.0.20"});
    EXPECT_EQ(before.status, 0) << before.out.toStdString();
    EXPECT_TRUE(before.out.contains("ok      interface tvdPc: up, 10.77.0.1/24 broadcast 10.77.0.255\n"));
    EXPECT_TRUE(before.out.contains("ok      device 10.77.0.20 is reached on interface tvdPc (from 10.77.0.1)\n"));
    EXPECT_TRUE(before.out.endsWith("can serve: yes\n"));

    LineProcess doctor;
    ASSERT_TRUE(doctor.start("ip", ns.in(kPc, {TAVO_CLI_EXE, "doctor", "--interface", "tvdPc", "--listen", "60"})));
    ASSERT_TRUE(doctor.waitLine("port 67 (server) is free")) << doctor.all().toStdString();
    // The device asks until someone answers; the doctor hearing it is the proof that it listens.
    LineProcess sim;
    ASSERT_TRUE(sim.start("ip", ns.in(kDevice, {TAVO_SIM_EXE, "--interface", "tvdDev", "--port", "0", "--bind-any",
                                               "--bootp-interval-ms", "300", "--bootp-max-requests", "150", "--max-seconds",
                                               "50", "--mac", kDeviceMac})));
    QString heard;
    ASSERT_TRUE(doctor.waitLine("request from 024B7E0A1B30", &heard)) << doctor.all().toStdString();
    EXPECT_EQ(heard, "info    request from 024B7E0A1B30 (of the family) sent from 0.0.0.0 on tvdPc");

    // dnsmasq answering the device is the round trip that proves it holds port 67.
    LineProcess dnsmasq;
    ASSERT_TRUE(startRival(dnsmasq));
    QString configured;
    ASSERT_TRUE(sim.waitLine("bootp configured", &configured)) << dnsmasq.all().toStdString();
    EXPECT_TRUE(configured.startsWith(QStringLiteral("bootp configured 024B7E0A1B30 ip %1 ").arg(kRivalOffer)));
    QString rival;
    ASSERT_TRUE(doctor.waitLine("another server", &rival)) << doctor.all().toStdString();
    EXPECT_EQ(rival, "blocked another server 10.77.0.2 answered 024B7E0A1B30 (of the family) with 10.77.0.50 on tvdPc");
    EXPECT_FALSE(doctor.terminate());  // the listening ends early, and the rival blocks
    EXPECT_EQ(doctor.exitCode(), 1);
    EXPECT_EQ(doctor.outLines().value(doctor.outLines().size() - 1), "can serve: no");
    std::fprintf(stderr, "--- doctor --interface tvdPc --listen 60 (ended by SIGTERM)\n%s\n",
                 qPrintable(doctor.outLines().join('\n')));

    const QString pid = QString::number(dnsmasq.processId());
    const Ran held = Doctor(ns, kRival, {});
    EXPECT_EQ(held.status, 1);
    EXPECT_TRUE(held.out.startsWith("blocked port 67 (server) is held by dnsmasq (pid " + pid + ")\n")) << held.out.toStdString();
    const Ran json = Doctor(ns, kRival, {"--json"});
    EXPECT_EQ(json.status, 1);
    const QJsonObject report = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(report["can_serve"], false);
    const QJsonObject port = PortFinding(report, 67);
    EXPECT_EQ(port["status"], "blocked");
    EXPECT_EQ(port["program"], "dnsmasq");
    EXPECT_EQ(port["pid"].toInteger(), dnsmasq.processId());

    // The IP page in the same namespace: the failed start, then the same cause in Italian.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildEnv, dir.path());
    LineProcess page;
    ASSERT_TRUE(page.start("ip", ns.in(kRival, {QFile::symLinkTarget("/proc/self/exe"), "--gtest_also_run_disabled_tests",
                                                "--gtest_filter=DoctorNetnsChild.DISABLED_PageStartFails"}),
                           env));
    EXPECT_TRUE(page.finish()) << page.all().toStdString();
    EXPECT_TRUE(page.outLines().contains(QString::fromUtf8("message Errore | La porta UDP 67 è occupata dal programma "
                                                           "dnsmasq (pid %1): chiuderlo, poi premere di nuovo \"Avvio BootP\".")
                                             .arg(pid)))
        << page.all().toStdString();
}

// Run by the test above inside the rival's namespace: the page with the product's ports.
TEST(DoctorNetnsChild, DISABLED_PageStartFails) {
    const QString dataDir = QString::fromLocal8Bit(std::getenv(kChildEnv));
    ASSERT_FALSE(dataDir.isEmpty()) << "run by DoctorOnALink.HearsTheDeviceNamesTheRivalServerAndWhoHoldsItsPort";
    ASSERT_TRUE(InRegisteredNetworkNamespace());
    test::FakePrompts prompts;
    AppContext context{prompts, LinkConfig{}, dataDir};
    CIPPage page(context);
    QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("1004")), Qt::LeftButton);
    EXPECT_FALSE(page.isBootpRunning());
    for (const auto& message : prompts.messages)
        std::printf("message %s | %s\n", message.caption.toUtf8().constData(), message.text.toUtf8().constData());
    EXPECT_EQ(prompts.messages.size(), 2);
}

TEST(DoctorInterfaces, TwoInterfacesOnOneSubnetAndOnlyALinkLocalAddressAreNamed) {
    DoctorNamespaces ns({"two", "ll"});
    const QString reason = ns.make();
    if (!reason.isEmpty()) GTEST_SKIP() << reason.toStdString();
    ASSERT_TRUE(Links({{"-n", ns[0], "link", "add", "tvdA", "type", "veth", "peer", "name", "tvdB"},
                       {"-n", ns[0], "addr", "add", "10.78.0.1/24", "dev", "tvdA"},
                       {"-n", ns[0], "addr", "add", "10.78.0.2/24", "dev", "tvdB"},
                       {"-n", ns[0], "link", "set", "tvdA", "up"},
                       {"-n", ns[0], "link", "set", "tvdB", "up"},
                       {"-n", ns[1], "link", "add", "tvdL", "type", "veth", "peer", "name", "tvdM"},
                       {"-n", ns[1], "addr", "add", "169.254.10.20/16", "dev", "tvdL"},
                       {"-n", ns[1], "link", "set", "tvdL", "up"},
                       {"-n", ns[1], "link", "set", "tvdM", "up"}}));

    const Ran two = Doctor(ns, 0, {});
    EXPECT_EQ(two.status, 0);
    EXPECT_TRUE(two.out.contains(
        "warning interfaces tvdA and tvdB are on one subnet 10.78.0.0/24: requests and replies may take either\n"))
        << two.out.toStdString();

    // Listening where no device asks.
    const Ran silent = Doctor(ns, 0, {"--listen", "1"});
    EXPECT_EQ(silent.status, 0);
    EXPECT_TRUE(silent.out.contains("warning no BootP request came in on port 67 in 1.0 s: no device asked, or a firewall "
                                    "drops them\n"))
        << silent.out.toStdString();

    const Ran linkLocal = Doctor(ns, 1, {"--json"});
    EXPECT_EQ(linkLocal.status, 0);
    const QJsonObject report = QJsonDocument::fromJson(linkLocal.out.toUtf8()).object();
    QJsonObject found;
    for (const QJsonValue& finding : report["findings"].toArray())
        if (finding["check"] == "link_local") found = finding.toObject();
    EXPECT_EQ(found["status"], "warning");
    EXPECT_EQ(found["interface"], "tvdL");
    EXPECT_EQ(found["addresses"][0]["address"], "169.254.10.20");
    Doctor(ns, 1, {});  // its lines, for the README

    // Down, the only interface that could serve leaves none.
    ASSERT_TRUE(Ip({"-n", ns[1], "link", "set", "tvdL", "down"}));
    const Ran none = Doctor(ns, 1, {});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.out.contains("blocked no interface is up, with a link, an IPv4 address and broadcast")) << none.out.toStdString();
}

}  // namespace
}  // namespace tavo
