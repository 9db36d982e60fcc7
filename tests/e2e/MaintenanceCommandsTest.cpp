// Device maintenance against the tavo-sim executable on loopback: sectors written into
// the simulated flash come back byte-exact into the Utility page's viewer and through
// `tavo flash read`, registers are read, dumped and written with `tavo reg`, and a
// simulator that drops and delays replies never makes a sector show another's bytes.
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include "CliRun.h"

#include "DeviceCommand.h"
#include "DumpText.h"
#include "FakePrompts.h"
#include "SimProcess.h"
#include "../ui/UiTestHelpers.h"
#include "maintenance/ReadFlashDlg.h"
#include "maintenance/UtilPage.h"

namespace tavo {
namespace {

using test::FakePrompts;
using test::SimProcess;

constexpr int kWaitMs = 20000;
const char* const kIp = "127.0.0.8";
const char* const kMac = "024B7E0A1B2E";
constexpr int kFirst = 20;
constexpr int kLast = 29;

SectorData Known(int sector) {
    SectorData data;
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t((sector * 37) ^ int(i));
    data[0] = uint8_t(sector);
    return data;
}

QByteArray KnownBytes(int from, int to) {
    QByteArray bytes;
    for (int s = from; s <= to; ++s) {
        const SectorData data = Known(s);
        bytes.append(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    }
    return bytes;
}

using test::CliRun;
using test::runCli;

class MaintenanceCommandsTest : public ::testing::Test {
protected:
    // Starts the simulator and writes the known sectors into its flash; each write is
    // seen by the simulator before the test goes on.
    void startSim(const QStringList& loss = {}) {
        ASSERT_TRUE(sim.start(QStringList{"--port", "0", "--bootp-max-requests", "0", "--max-seconds", "120"} + loss +
                              QStringList{"--ip", kIp, "--mac", kMac}));
        QUdpSocket writer;
        ASSERT_TRUE(writer.bind(QHostAddress::LocalHost, 0));
        for (int s = kFirst; s <= kLast; ++s) {
            const SectorData data = Known(s);
            const auto datagram = encodeSectorWrite(s, data);
            writer.writeDatagram(reinterpret_cast<const char*>(datagram.data()), qint64(datagram.size()),
                                 QHostAddress(QString::fromLatin1(kIp)), sim.port());
            ASSERT_TRUE(sim.waitLine(QStringLiteral("command %1 0x40 259").arg(kMac)));
        }
    }
    QStringList link() { return {"--device-port", QString::number(sim.port()), "--data-dir", dir.path()}; }
    QByteArray file(const QString& name) { return test::ReadFileBytes(dir.filePath(name)); }

    // Reads the range from the page at the product's pace and returns the viewer.
    CReadFlashDlg* readOnPage(CUtilPage& page) {
        page.show();
        test::TypeAddress(&page, "1037", QString::fromLatin1(kIp));
        for (auto [id, value] : {std::pair{"1031", kFirst}, std::pair{"1032", kLast}}) {
            auto* field = page.findChild<QLineEdit*>(QString::fromLatin1(id));
            field->clear();
            QTest::keyClicks(field, QString::number(value));
        }
        QSignalSpy opened(&page, &CUtilPage::flashViewerOpened);
        QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("1033")), Qt::LeftButton);
        if (opened.isEmpty() && !opened.wait(kWaitMs)) return nullptr;
        return qobject_cast<CReadFlashDlg*>(opened[0][0].value<QWidget*>());
    }

    // Every page of the viewer shows its own sector's bytes, or "--" where none came.
    void expectOwnPages(CReadFlashDlg* viewer) {
        auto* table = viewer->findChild<QTableWidget*>(QStringLiteral("1051"));
        for (int s = kFirst; s <= kLast; ++s) {
            ASSERT_TRUE(viewer->goToPage(s));
            EXPECT_EQ(viewer->findChild<QLabel*>(QStringLiteral("1053"))->text(), QStringLiteral("Page - %1").arg(s));
            const bool missing = viewer->dump().sector(s) == nullptr;
            const SectorData data = Known(s);
            for (int r = 0; r < 16; ++r)
                for (int c = 0; c < 16; ++c)
                    ASSERT_EQ(table->item(r, c + 1)->text(),
                              missing ? QStringLiteral("--") : QString::fromStdString(byteText(data[16 * r + c])))
                        << "sector " << s;
        }
    }

    SimProcess sim;
    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dir.path()};
};

TEST_F(MaintenanceCommandsTest, SectorsWrittenComeBackByteExactIntoTheViewerAndThroughTavoFlashRead) {
    startSim();
    context.link.devicePort = sim.port();
    CUtilPage page(context);
    CReadFlashDlg* viewer = readOnPage(page);
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->dump().complete());
    expectOwnPages(viewer);
    viewer->close();
    delete viewer;

    const CliRun raw = runCli(QStringList{"flash", "read", kIp, QString::number(kFirst), QString::number(kLast), "-o",
                                          dir.filePath("dump.bin")} + link());
    EXPECT_EQ(raw.exitCode, 0) << raw.err.toStdString();
    EXPECT_EQ(file("dump.bin"), KnownBytes(kFirst, kLast));

    const CliRun hex = runCli(QStringList{"flash", "read", kIp, "20", "20"} + link());
    EXPECT_EQ(hex.exitCode, 0) << hex.err.toStdString();
    const QStringList lines = hex.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 16);
    const QByteArray first = KnownBytes(20, 20).left(16);
    EXPECT_EQ(lines[0], QString::fromStdString(
                            hexDumpLine(20 * 256, std::span(reinterpret_cast<const uint8_t*>(first.data()), 16))));
    EXPECT_TRUE(lines[15].startsWith("000014f0  "));
    EXPECT_EQ(file("iph.ini"), "[1]\t 127.0.0.8\r\n");
}

TEST_F(MaintenanceCommandsTest, ADroppingDelayingSimulatorNeverShowsWrongBytes) {
    startSim({"--drop-every", "5", "--delay-ms", "0-150"});
    context.link.devicePort = sim.port();
    CUtilPage page(context);
    CReadFlashDlg* viewer = readOnPage(page);
    ASSERT_NE(viewer, nullptr);
    EXPECT_FALSE(viewer->dump().missing().empty()) << "one reply in five is dropped";
    expectOwnPages(viewer);
    delete viewer;

    // The command line asks again for what is missing; whatever is still missing is
    // named, and its place holds no other sector's bytes.
    const CliRun run = runCli(QStringList{"flash", "read", kIp, QString::number(kFirst), QString::number(kLast), "-o",
                                          dir.filePath("lossy.bin")} + link());
    const QByteArray bytes = file("lossy.bin");
    ASSERT_EQ(bytes.size(), (kLast - kFirst + 1) * 256);
    for (int s = kFirst; s <= kLast; ++s) {
        const QByteArray sector = bytes.mid((s - kFirst) * 256, 256);
        const bool named = run.err.contains(QRegularExpression(QStringLiteral("sector\\(s\\) .*\\b%1\\b").arg(s)));
        EXPECT_EQ(sector, named ? QByteArray(256, '\0') : KnownBytes(s, s)) << "sector " << s;
    }
    EXPECT_EQ(run.exitCode, run.err.contains("no reply") ? 1 : 0) << run.err.toStdString();
}

TEST_F(MaintenanceCommandsTest, RegistersAreWrittenReadAndDumped) {
    startSim();
    const CliRun declined = runCli(QStringList{"reg", "write", kIp, "1B", "C4"} + link(), "n\n");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_TRUE(declined.err.contains("Warning to Write")) << declined.err.toStdString();
    EXPECT_TRUE(declined.err.contains("Si sta scrivendo sull'indirizzo IP 127.0.0.8"));

    const CliRun write = runCli(QStringList{"reg", "write", kIp, "1b", "c4", "--yes"} + link());
    EXPECT_EQ(write.exitCode, 0) << write.err.toStdString();
    ASSERT_TRUE(sim.waitLine(QStringLiteral("command %1 0x20 3").arg(kMac)));

    const CliRun read = runCli(QStringList{"reg", "read", kIp, "1B"} + link());
    EXPECT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_EQ(read.out, "C4\n");

    const CliRun low = runCli(QStringList{"reg", "read", kIp, "0F"} + link());
    EXPECT_EQ(low.exitCode, 0);
    EXPECT_EQ(low.out, "00\n");
    EXPECT_TRUE(low.err.contains("warning: register 0F")) << low.err.toStdString();

    const CliRun dump = runCli(QStringList{"reg", "dump", kIp} + link());
    EXPECT_EQ(dump.exitCode, 0) << dump.err.toStdString();
    const QStringList lines = dump.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 17);
    EXPECT_EQ(lines[0], "index 10 20 30 40 50 60 70 80 90 a0 b0 c0 d0 e0 f0");
    EXPECT_EQ(lines[12], "0B    C4 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST_F(MaintenanceCommandsTest, AClearAsksFirstAndThenZeroesTheRange) {
    startSim();
    const QStringList clear = QStringList{"flash", "clear", kIp, "21", "22"} + link();
    const CliRun declined = runCli(clear, "n\n");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_TRUE(declined.err.contains("Warning to Clear"));
    const CliRun confirmed = runCli(clear, "s\n");
    EXPECT_EQ(confirmed.exitCode, 0) << confirmed.err.toStdString();
    EXPECT_EQ(confirmed.out, "Cancellazione della memoria Flash completata!!\n");
    const CliRun read = runCli(QStringList{"flash", "read", kIp, "20", "23", "-o", dir.filePath("after.bin")} + link());
    EXPECT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_EQ(file("after.bin"), KnownBytes(20, 20) + QByteArray(512, '\0') + KnownBytes(23, 23));
}

TEST_F(MaintenanceCommandsTest, BadCommandLinesSendNothingAndSilentDevicesTimeOut) {
    startSim();
    const QStringList bad[] = {
        {"flash", "read", kIp, "10", "3"},       {"flash", "read", kIp, "0", "2048"},
        {"flash", "clear", kIp, "2047", "2047", "--yes"}, {"flash", "read", "0.0.0.0", "1", "2"},
        {"flash", "read", kIp, "1"},             {"flash", "read", kIp, "a", "2"},
        {"reg", "read", kIp, "G1"},              {"reg", "write", kIp, "1B", "100", "--yes"},
        {"reg", "dump", kIp, "--timeout-ms", "0"}, {"flash", "read", kIp, "1", "2", "--bogus"},
    };
    for (const QStringList& args : bad) {
        const CliRun run = runCli(args + link());
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString() << ": " << run.err.toStdString();
    }
    // A round trip after them: the first command the simulator sees is this one.
    EXPECT_EQ(runCli(QStringList{"reg", "read", kIp, "20"} + link()).exitCode, 0);
    ASSERT_TRUE(sim.waitLine(QStringLiteral("command %1 0x30 2").arg(kMac)));
    for (const QString& line : sim.lines())
        if (line.startsWith("command")) EXPECT_TRUE(line.contains("0x40 259") || line.contains("0x30 2")) << line.toStdString();

    // A device that takes the requests and never answers.
    QUdpSocket silentDevice;
    ASSERT_TRUE(silentDevice.bind(QHostAddress(QStringLiteral("127.0.0.9")), 0));
    const QStringList silentLink{"--device-port", QString::number(silentDevice.localPort()), "--data-dir", dir.path()};
    const CliRun silent = runCli(QStringList{"reg", "read", "127.0.0.9", "20", "--timeout-ms", "300"} + silentLink);
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_TRUE(silent.err.contains("no reply from 127.0.0.9 within 300 ms")) << silent.err.toStdString();
    const CliRun none = runCli(QStringList{"flash", "read", "127.0.0.9", "0", "0", "--timeout-ms", "100"} + silentLink);
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("no reply from 127.0.0.9 for sector(s) 0 after 4 requests each")) << none.err.toStdString();
    EXPECT_EQ(none.out.count('\n'), 16);
    EXPECT_TRUE(none.out.startsWith("00000000  -- -- -- -- -- -- -- --  -- --")) << none.out.toStdString();
    // Nothing at all at that port: the stack's refusal is reported as such.
    silentDevice.close();
    const CliRun refused = runCli(QStringList{"reg", "read", "127.0.0.9", "20"} + silentLink);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("nothing listens at the device port")) << refused.err.toStdString();
}

}  // namespace
}  // namespace tavo
