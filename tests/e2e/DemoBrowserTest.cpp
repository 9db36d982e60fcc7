// The demo as its README walk ends: the demo's sample site is built and uploaded into the
// simulated device, and Debian's headless chromium opens the address the demo prints,
// with no browser flag that would let it reach a port browsers refuse. Skipped, with the
// reason, where chromium cannot start.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

#include "CliRun.h"

namespace tavo {
namespace {

using test::runCli;

constexpr int kDemoUpMs = 60000;
constexpr int kBrowserMs = 90000;

// The build folder of the programs under test: the one that holds the command line.
QString buildDir() { return QDir::cleanPath(QStringLiteral(TAVO_CLI_EXE) + QStringLiteral("/../../..")); }

class DemoBrowserTest : public ::testing::Test {
protected:
    void TearDown() override {
        // The demo, its utility and its simulator share one process group.
        if (demo.state() != QProcess::NotRunning) {
            ::kill(-static_cast<pid_t>(demo.processId()), SIGTERM);
            if (!demo.waitForFinished(10000)) ::kill(-static_cast<pid_t>(demo.processId()), SIGKILL);
            demo.waitForFinished(10000);
        }
    }
    // Starts the demo headless and waits for the lines that name its site's address, its
    // device port and its data folder.
    bool startDemo() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        demo.setProcessEnvironment(env);
        demo.setChildProcessModifier([] { ::setpgid(0, 0); });
        demo.start(QStringLiteral(TAVO_SOURCE_DIR "/scripts/demo"), {buildDir()});
        const QRegularExpression site(QStringLiteral("then open (http://\\S+/) in a browser"));
        const QRegularExpression port(QStringLiteral("--device-port (\\d+)"));
        const QRegularExpression folder(QStringLiteral("demo: data folder (\\S+)"));
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kDemoUpMs && !folder.match(err).hasMatch() && demo.state() != QProcess::NotRunning) {
            demo.waitForReadyRead(1000);
            err += QString::fromUtf8(demo.readAllStandardError());
        }
        url = site.match(err).captured(1);
        devicePort = port.match(err).captured(1);
        dataDir = folder.match(err).captured(1);
        return !url.isEmpty() && !devicePort.isEmpty() && !dataDir.isEmpty();
    }

    QTemporaryDir dir;
    QProcess demo;
    QString err, url, devicePort, dataDir;
};

TEST_F(DemoBrowserTest, ABrowserOpensTheSiteAtTheAddressTheDemoPrints) {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) GTEST_SKIP() << "chromium is not installed (scripts/install-deps installs it)";
    ASSERT_TRUE(startDemo()) << err.toStdString();
    EXPECT_EQ(url, QStringLiteral("http://127.0.0.2:8707/"));

    // The sample site, built and uploaded as the README says; the upload's replies prove
    // the simulated device is up.
    const QString image = dir.filePath(QStringLiteral("site.TAV"));
    const test::CliRun build = runCli({"image", "build", dataDir + "/web", "-o", image});
    ASSERT_EQ(build.exitCode, 0) << build.err.toStdString();
    const test::CliRun upload = runCli({"upload", image, "127.0.0.2", "--device-port", devicePort, "--pace-ms", "1",
                                        "--verify", "--data-dir", dir.path()},
                                       {}, 120000);
    ASSERT_EQ(upload.exitCode, 0) << upload.out.toStdString() << upload.err.toStdString();

    QProcess browser;
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                             "--disable-component-update", "--disable-sync", "--no-first-run",
                             "--user-data-dir=" + dir.filePath(QStringLiteral("chromium-profile")), "--dump-dom", url});
    if (!browser.waitForFinished(kBrowserMs)) {
        browser.kill();
        browser.waitForFinished();
        GTEST_SKIP() << "chromium did not finish within 90 s";
    }
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    const QString browserErr = QString::fromUtf8(browser.readAllStandardError());
    if (dom.isEmpty() && !browserErr.contains(QStringLiteral("ERR_")))
        GTEST_SKIP() << "chromium could not start: " << browserErr.left(400).toStdString();
    EXPECT_FALSE(browserErr.contains(QStringLiteral("ERR_UNSAFE_PORT"))) << browserErr.toStdString();
    // The demo's own page, as the device serves it from its flash.
    EXPECT_TRUE(dom.contains(QStringLiteral("<h1>TAVO 707</h1>"))) << dom.left(400).toStdString();
    EXPECT_TRUE(dom.contains(QStringLiteral("img/tavo.bmp"))) << dom.left(400).toStdString();
}

}  // namespace
}  // namespace tavo
