// The commissioning line with real broadcasts: the PC in namespace A, a batch of devices
// without addresses (one tavo-sim process) in namespace B, joined by a veth pair that the
// test makes inside them and deletes at the end. The pool's addresses are local to B by
// an AnyIP route, so every device answers at the address the line gives it, for the
// device port and for its web pages alike. Nothing leaves the namespaces.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <algorithm>
#include <map>
#include <set>

#include "../ui/UiTestHelpers.h"
#include "FakePrompts.h"
#include "NetnsSupport.h"
#include "commission/CommissionWindow.h"
#include "common/AppContext.h"

namespace tavo {
namespace {

const QString kPcIf = QStringLiteral("tvclA");
const QString kDeviceIf = QStringLiteral("tvclB");
const QString kPool = QStringLiteral("10.77.0.100-10.77.0.126");
constexpr int kDevices = 20;
constexpr int kSilentAfter = 24;  // the silent device stops after this block
constexpr int kLostOnce = 9;      // the first write of this block is lost
const QString kFirstMac = QStringLiteral("02:4B:7E:20:00:00");  // 18 devices from here
const QString kSilentMac = QStringLiteral("02:4B:7E:20:01:00");
const QString kRepairedMac = QStringLiteral("02:4B:7E:20:01:01");

// The PC at 10.77.0.1, the devices' side at 10.77.0.2; the pool's addresses are B's own
// (an AnyIP route), and A reaches them through B's address.
class LineNamespaces : public NamespacePair {
public:
    LineNamespaces() : NamespacePair(QStringLiteral("tavo-line"), kPcIf, kDeviceIf) {}
    QString make() {
        return NamespacePair::make({{"-n", a, "addr", "add", "10.77.0.1/24", "dev", kPcIf},
                                    {"-n", b, "addr", "add", "10.77.0.2/24", "dev", kDeviceIf},
                                    {"-n", b, "route", "add", "local", "10.77.0.96/27", "dev", kDeviceIf},
                                    {"-n", a, "route", "add", "10.77.0.96/27", "via", "10.77.0.2", "dev", kPcIf}});
    }
};

// A small site: a page of some 12 KiB (49 blocks with the image's tables) and a picture.
void writeSite(const QString& folder) {
    QDir().mkpath(folder);
    QFile page(folder + "/index.htm");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    QByteArray text = "<html><body><h1>TAVO 707</h1>\n";
    for (int i = 0; text.size() < 12000; ++i) text += "<p>riga " + QByteArray::number(i) + " della pagina di prova</p>\n";
    text += "</body></html>\n";
    page.write(text);
    page.close();
    QFile picture(folder + "/logo.gif");
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.write(QByteArray("GIF89a") + QByteArray(600, '\x2a'));
}

struct ReportLine {
    QString mac, ip, outcome, reason, detail, sha;
    int sent = 0, resent = 0, registers = 0;
    bool verified = false;
};

// The CSV report, every line checked to be whole.
std::vector<ReportLine> readReport(const QString& path, QString& problem) {
    std::vector<ReportLine> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = "no report";
        return lines;
    }
    const QByteArray all = file.readAll();
    if (!all.endsWith("\r\n")) problem = "the report does not end with a whole line";
    QList<QByteArray> rows = all.split('\n');
    rows.removeLast();
    if (rows.isEmpty() || rows.front() != "time,mac,ip,image,sha256,blocks_sent,blocks_resent,registers_written,verified,seconds,outcome,reason,detail\r") {
        problem = "no header";
        return lines;
    }
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QStringList f = QString::fromUtf8(rows[i]).chopped(1).split(',');
        if (f.size() != 13 || !rows[i].endsWith('\r')) {
            problem = "line " + QString::number(i + 1) + " is not whole: " + QString::fromUtf8(rows[i]);
            continue;
        }
        ReportLine line;
        line.mac = f[1];
        line.ip = f[2];
        line.sha = f[4];
        line.sent = f[5].toInt();
        line.resent = f[6].toInt();
        line.registers = f[7].toInt();
        line.verified = f[8] == "yes";
        line.outcome = f[10];
        line.reason = f[11];
        line.detail = f[12];
        lines.push_back(line);
    }
    return lines;
}

// Waits for a line of `line` that holds `text`, reading the devices' output meanwhile: the
// simulator prints a line per command, and a full pipe would stop it.
bool waitDraining(LineProcess& line, const QString& text, LineProcess& devices, int waitMs) {
    QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        if (line.waitLine(text, nullptr, false, 100)) return true;
        if (!line.isRunning()) return line.waitLine(text, nullptr, false, 0);
        devices.waitLine(QStringLiteral("\x01"), nullptr, false, 10);  // reads what is there
        devices.skipPending();
    }
    return false;
}

class CommissionNetns : public ::testing::Test {
protected:
    void SetUp() override {
        const QString reason = ns.make();
        if (!reason.isEmpty()) GTEST_SKIP() << reason.toStdString();
        ASSERT_TRUE(dir.isValid());
        writeSite(dir.filePath("site"));
        image = dir.filePath("site.TAV");
        ASSERT_TRUE(run(TAVO_CLI_EXE, {"image", "build", dir.filePath("site"), "-o", image}));
        registers = dir.filePath("registers.txt");
        QFile file(registers);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# the line's settings\n21 5a   # mode\n\t3C\tF\r\n");
    }

    // The batch in B, asking by BootP, one after another when `staggerMs` is given.
    bool startDevices(LineProcess& sim, const QStringList& devices, int staggerMs = 0) {
        QStringList args{TAVO_SIM_EXE, "--interface", kDeviceIf, "--bind-any", "--bootp-interval-ms", "300",
                         "--bootp-max-requests", "200", "--max-seconds", "120", "--http-port", "8707"};
        if (staggerMs > 0) args << "--bootp-stagger-ms" << QString::number(staggerMs);
        return sim.start("ip", ns.in(ns.b, args + devices)) && sim.waitLine("ready port 1024");
    }

    QStringList line(const QString& report, const QStringList& more) const {
        return ns.in(ns.a, QStringList{TAVO_CLI_EXE, "commission", "--image", image, "--ip-pool", kPool, "--registers",
                                       registers, "--report", report, "--data-dir", dir.path(), "--interface", kPcIf,
                                       "--timeout-ms", "300", "--max-seconds", "100"} +
                               more);
    }

    // The page the device at `ip` serves, fetched from A over the link.
    QByteArray fetch(const QString& ip) {
        QProcess curl;
        curl.start("ip", ns.in(ns.a, {"/usr/bin/python3", "-c",
                                      "import sys,urllib.request;sys.stdout.buffer.write(urllib.request.build_opener("
                                      "urllib.request.ProxyHandler({})).open('http://" + ip + ":8707/index.htm',timeout=5).read())"}));
        if (!curl.waitForFinished(20000)) return {};
        const QByteArray body = curl.readAllStandardOutput();
        if (body.isEmpty()) ADD_FAILURE() << ip.toStdString() << ": " << curl.readAllStandardError().toStdString();
        return body;
    }

    LineNamespaces ns;  // declared first: deleted after every process below has ended
    QTemporaryDir dir;
    QString image, registers;
};

TEST_F(CommissionNetns, ABatchOfTwentyIsCommissionedRepairedAndTheSilentOneNamed) {
    LineProcess sim;
    ASSERT_TRUE(startDevices(sim, {"--macs-from", kFirstMac, "--count", QString::number(kDevices - 2),
                                   "--silent-after-block", QString::number(kSilentAfter), "--mac", kSilentMac,
                                   "--drop-write-once", QString::number(kLostOnce), "--mac", kRepairedMac}))
        << sim.all().toStdString();
    const QString report = dir.filePath("report.csv");
    LineProcess commission;
    ASSERT_TRUE(commission.start("ip", line(report, {"--pace-ms", "20", "--devices", QString::number(kDevices)})));
    EXPECT_TRUE(waitDraining(commission, "devices ended", sim, 120000)) << commission.all().toStdString();
    commission.finish();
    EXPECT_EQ(commission.exitCode(), 1) << "one device failed: " << commission.all().toStdString();

    QString problem;
    const std::vector<ReportLine> lines = readReport(report, problem);
    EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    ASSERT_EQ(lines.size(), size_t(kDevices)) << commission.all().toStdString();
    std::set<QString> ips;
    QFile site(dir.filePath("site/index.htm"));
    ASSERT_TRUE(site.open(QIODevice::ReadOnly));
    const QByteArray page = site.readAll();
    for (const ReportLine& l : lines) {
        ips.insert(l.ip);
        const QString mac = l.mac;
        if (mac == QString(kSilentMac).remove(':')) {
            EXPECT_EQ(l.outcome, "failed");
            EXPECT_EQ(l.reason, "device_silent");
            const QRegularExpressionMatch m = QRegularExpression("silent from block (\\d+)").match(l.detail);
            ASSERT_TRUE(m.hasMatch()) << l.detail.toStdString();
            const int block = m.captured(1).toInt();
            // The line names the first block after the last one the device confirmed.
            EXPECT_GT(block, kSilentAfter - 8 - 1);
            EXPECT_LE(block, kSilentAfter + 1);
            continue;
        }
        EXPECT_EQ(l.outcome, "verified") << mac.toStdString() << " " << l.detail.toStdString();
        EXPECT_TRUE(l.verified);
        EXPECT_EQ(l.registers, 2);
        EXPECT_EQ(l.resent, mac == QString(kRepairedMac).remove(':') ? 1 : 0) << mac.toStdString();
        // The device serves the site from the flash the line wrote.
        EXPECT_TRUE(fetch(l.ip).endsWith(page)) << l.ip.toStdString();
    }
    EXPECT_EQ(ips.size(), size_t(kDevices));  // every device its own address of the pool
    for (const QString& ip : ips) EXPECT_TRUE(ip.startsWith("10.77.0.1")) << ip.toStdString();

    // The registers, read back by another command than the line's.
    const auto verified = std::find_if(lines.begin(), lines.end(), [](const ReportLine& l) { return l.verified; });
    ASSERT_NE(verified, lines.end());
    QProcess reg;
    reg.start("ip", ns.in(ns.a, {TAVO_CLI_EXE, "reg", "read", verified->ip, "3C", "--data-dir", dir.path()}));
    ASSERT_TRUE(reg.waitForFinished(20000));
    EXPECT_EQ(reg.readAllStandardOutput(), "0F\n");
}

TEST_F(CommissionNetns, AKilledLineLeavesWholeLinesAndResumeFinishesTheRest) {
    const QStringList batch{"--macs-from", kFirstMac, "--count", "12"};
    const QString report = dir.filePath("report.csv");
    int verifiedBefore = 0;
    {
        LineProcess sim;
        ASSERT_TRUE(startDevices(sim, batch, 400)) << sim.all().toStdString();
        LineProcess commission;
        ASSERT_TRUE(commission.start("ip", line(report, {"--pace-ms", "40"})));
        ASSERT_TRUE(waitDraining(commission, "verified ", sim, 60000)) << commission.all().toStdString() << sim.all().toStdString();
        ASSERT_TRUE(waitDraining(commission, "verified ", sim, 60000)) << commission.all().toStdString();
        ::kill(pid_t(commission.processId()), SIGKILL);  // "ip netns exec" runs the line itself
        commission.finish();
        QString problem;
        const auto lines = readReport(report, problem);
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
        for (const ReportLine& l : lines) verifiedBefore += l.outcome == "verified" ? 1 : 0;
        ASSERT_GE(verifiedBefore, 2);
        ASSERT_LT(verifiedBefore, 12) << "the kill came too late to leave work for --resume";
    }
    // The devices are switched off and on: every one asks again; the verified ones are
    // answered and skipped.
    LineProcess sim;
    ASSERT_TRUE(startDevices(sim, batch)) << sim.all().toStdString();
    LineProcess resumed;
    ASSERT_TRUE(resumed.start("ip", line(report, {"--pace-ms", "5", "--resume", "--devices", QString::number(12 - verifiedBefore)})));
    EXPECT_TRUE(waitDraining(resumed, "devices ended", sim, 60000)) << resumed.all().toStdString();
    EXPECT_TRUE(resumed.finish()) << resumed.all().toStdString();
    int skipped = 0;
    for (const QString& out : resumed.outLines()) skipped += out.startsWith("skipped ") ? 1 : 0;
    EXPECT_EQ(skipped, verifiedBefore) << resumed.all().toStdString();

    QString problem;
    std::map<QString, int> verified;
    for (const ReportLine& l : readReport(report, problem))
        if (l.outcome == "verified") ++verified[l.mac];
    EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    EXPECT_EQ(verified.size(), 12u);
    for (const auto& [mac, count] : verified) EXPECT_EQ(count, 1) << mac.toStdString();
}

const char* const kWindowChildEnv = "TAVO_LINE_NETNS_CHILD";  // "<data dir>|<image>|<registers>|<devices>"

TEST_F(CommissionNetns, TheWindowCommissionsTheBatchThroughThePromptsSeam) {
    constexpr int kBatch = 6;
    LineProcess sim;
    ASSERT_TRUE(startDevices(sim, {"--macs-from", kFirstMac, "--count", QString::number(kBatch)})) << sim.all().toStdString();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kWindowChildEnv, QStringList{dir.path(), image, registers, QString::number(kBatch)}.join('|'));
    LineProcess window;
    const QString self = QFile::symLinkTarget("/proc/self/exe");
    ASSERT_TRUE(window.start("ip", ns.in(ns.a, {self, "--gtest_also_run_disabled_tests",
                                                "--gtest_filter=CommissionNetnsChild.DISABLED_WindowCommissionsTheBatch"}),
                             env));
    EXPECT_TRUE(waitDraining(window, "rows completed", sim, 120000)) << window.all().toStdString();
    EXPECT_TRUE(window.finish()) << window.all().toStdString();
    QString problem;
    const auto lines = readReport(dir.filePath("window.csv"), problem);
    EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    ASSERT_EQ(lines.size(), size_t(kBatch));
    QFile site(dir.filePath("site/index.htm"));
    ASSERT_TRUE(site.open(QIODevice::ReadOnly));
    const QByteArray page = site.readAll();
    for (const ReportLine& l : lines) {
        EXPECT_EQ(l.outcome, "verified") << l.mac.toStdString() << " " << l.detail.toStdString();
        EXPECT_EQ(l.registers, 2);
        EXPECT_TRUE(fetch(l.ip).endsWith(page)) << l.ip.toStdString();
    }
}

// The window's side, run inside namespace A by the test above: the product's ports and the
// limited broadcast out of the PC's interface, the fields typed key by key, "Avvia" clicked.
TEST(CommissionNetnsChild, DISABLED_WindowCommissionsTheBatch) {
    const QStringList args = QString::fromLocal8Bit(std::getenv(kWindowChildEnv)).split('|');
    ASSERT_EQ(args.size(), 4) << "run by CommissionNetns.TheWindowCommissionsTheBatchThroughThePromptsSeam";
    ASSERT_TRUE(InRegisteredNetworkNamespace());
    const int devices = args[3].toInt();
    test::FakePrompts prompts;
    LinkConfig link;
    link.interfaceName = kPcIf;
    AppContext context{prompts, link, args[0]};
    context.pace.afterUploadBlock = std::chrono::milliseconds(20);
    CommissionWindow window(context);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto type = [&window](const char* name, const QString& text) {
        auto* edit = window.findChild<QLineEdit*>(QString::fromLatin1(name));
        ASSERT_NE(edit, nullptr) << name;
        edit->setFocus();
        edit->selectAll();  // over what the field proposes
        QTest::keyClicks(edit, text);
    };
    type("commissionImage", args[1]);
    type("commissionRegisters", args[2]);
    type("commissionReport", args[0] + "/window.csv");
    test::TypeIntoAddress(&window, "commissionPoolFirst", QStringLiteral("10.77.0.100"));
    test::TypeIntoAddress(&window, "commissionPoolLast", QStringLiteral("10.77.0.126"));
    QTest::mouseClick(window.findChild<QPushButton*>("commissionStart"), Qt::LeftButton);
    ASSERT_TRUE(window.isRunning()) << (prompts.messages.isEmpty() ? std::string() : prompts.messages[0].text.toStdString());
    auto* table = window.findChild<QTableWidget*>("commissionDevices");
    const auto completed = [table] {
        int done = 0;
        for (int r = 0; r < table->rowCount(); ++r)
            done += table->item(r, 2) && table->item(r, 2)->text() == QStringLiteral("completato") ? 1 : 0;
        return done;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return completed() == devices; }, 100000)) << completed() << " completed";
    QTest::mouseClick(window.findChild<QPushButton*>("commissionStop"), Qt::LeftButton);
    EXPECT_FALSE(window.isRunning());
    for (int r = 0; r < table->rowCount(); ++r) EXPECT_EQ(table->item(r, 4)->text(), QStringLiteral("verificato"));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages[0].text.toStdString();
    std::printf("rows completed %d\n", completed());
    std::fflush(stdout);
}

}  // namespace
}  // namespace tavo
