// The real tavo-utility binary, headless: how it ends, what its command line refuses,
// what it records at start-up and what it reports for the start-up benchmark.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kBoundMs = 60000;  // a bound on every run, not a measure

// Every port and the broadcast on loopback, so the utility never reaches the real network.
const QStringList kLoopback{"--device-port", "10240", "--bootp-server-port", "0", "--bootp-client-port", "10068",
                            "--broadcast", "127.255.255.255"};

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

class UtilityProcess : public ::testing::Test {
protected:
    Outcome Start(const QStringList& args, QProcessEnvironment env = {}) {
        if (env.isEmpty()) env = Environment();
        QProcess utility;
        utility.setProcessEnvironment(env);
        utility.setWorkingDirectory(m_startDir.path());
        utility.start(TAVO_UTILITY_EXE, args);
        Outcome run;
        run.finished = utility.waitForFinished(kBoundMs);
        if (!run.finished) utility.kill();
        run.exitCode = utility.exitCode();
        run.out = QString::fromLocal8Bit(utility.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(utility.readAllStandardError());
        return run;
    }
    // Headless, and with a profile of its own.
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", m_config.path());
        return env;
    }
    QString ProfileFile() const { return m_config.path() + "/Vantorel/tavo-utility.conf"; }
    QString RecordedPath() const {
        QSettings profile(ProfileFile(), QSettings::IniFormat);
        return profile.value("TAVO 707 Utility Software - Vantorel Technologies/path").toString();
    }
    static QString Canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

    QTemporaryDir m_config;
    QTemporaryDir m_startDir;
};

TEST_F(UtilityProcess, ClosingTheWindowEndsWithStatusOneAndTheStartDirectoryIsRecorded) {
    const Outcome run = Start(kLoopback + QStringList{"--close-after-ms", "200"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(Canonical(RecordedPath()), Canonical(m_startDir.path()));
}

TEST_F(UtilityProcess, WithoutANetworkLayerItTellsAndEndsWithoutAWindow) {
    // The timer closes the message box, as the operator's OK would.
    const Outcome run = Start(kLoopback + QStringList{"--fail-network-init", "--close-after-ms", "200"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains("Windows sockets initialization failed.")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(ProfileFile()));
}

TEST_F(UtilityProcess, RefusesABadCommandLine) {
    const struct {
        QStringList args;
        const char* named;
    } cases[] = {
        {{"--device-port", "abc"}, "--device-port"},
        {{"--device-port", "0"}, "--device-port"},
        {{"--bootp-server-port", "65536"}, "--bootp-server-port"},
        {{"--bootp-client-port", "-1"}, "--bootp-client-port"},
        {{"--broadcast", "1.2.3"}, "--broadcast"},
        {{"--broadcast", "::1"}, "--broadcast"},
        {{"--interface", "no-such-if0"}, "--interface"},
        {{"--data-dir", "/no/such/folder"}, "--data-dir"},
        {{"--close-after-ms", "soon"}, "--close-after-ms"},
        {{"--no-such-option"}, "no-such-option"},
        {{"stray"}, "stray"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome run = Start(c.args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(c.named)) << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(ProfileFile()));
}

// The utility and the command line take the link options by the same names and refuse
// the same values; nothing is sent when one is refused.
TEST_F(UtilityProcess, LinkOptionsAreCheckedAlikeByTheCommandLine) {
    const struct {
        QStringList args;
        QStringList tavoCommand;  // a tavo command that takes the option
    } cases[] = {
        {{"--device-port", "0"}, {"ip", "find", "024B7E000001"}},
        {{"--device-port", "65536"}, {"ip", "clear", "127.0.0.1", "--yes"}},
        {{"--bootp-client-port", "0"}, {"bootp", "serve"}},
        {{"--bootp-server-port", "x"}, {"bootp", "serve"}},
        {{"--broadcast", "1.2.3"}, {"ip", "find", "024B7E000001"}},
        {{"--broadcast", "1.2.3.4.5"}, {"ip", "find", "024B7E000001"}},
        {{"--interface", "no-such-if0"}, {"ip", "find", "024B7E000001"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome utility = Start(c.args);
        ASSERT_TRUE(utility.finished);
        EXPECT_EQ(utility.exitCode, 2);
        QProcess tavo;
        tavo.start(TAVO_CLI_EXE, c.tavoCommand + c.args + QStringList{"--data-dir", m_startDir.path()});
        ASSERT_TRUE(tavo.waitForFinished(10000));
        EXPECT_EQ(tavo.exitCode(), 2);
        const QString tavoError = QString::fromUtf8(tavo.readAllStandardError());
        EXPECT_TRUE(tavoError.contains(c.args[0])) << tavoError.toStdString();
        // The same check gives the same reason.
        const QString reason = tavoError.section(QLatin1Char('\n'), 0, 0).section(QStringLiteral(": "), 1);
        EXPECT_TRUE(utility.err.contains(reason)) << utility.err.toStdString() << " | " << reason.toStdString();
    }
}

TEST_F(UtilityProcess, HelpNeedsNoDisplayAndNamesEveryOption) {
    QProcessEnvironment env = Environment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("DISPLAY");
    const Outcome run = Start({"--help"}, env);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char* option : {"--device-port", "--bootp-server-port", "--bootp-client-port", "--broadcast",
                               "--interface", "--data-dir", "--close-after-ms", "--print-startup-ms", "--screenshot",
                               "--fail-network-init", "Exit status"})
        EXPECT_TRUE(run.out.contains(option)) << option;
}

// The product's tavo-utility (the one installed) knows the operator's options only: the
// testing switches are neither listed nor taken.
TEST_F(UtilityProcess, TheProductHasNoTestingOption) {
    const QStringList testing{"--close-after-ms", "--print-startup-ms", "--screenshot", "--fail-network-init",
                              "--screenshot-scene", "--scene-folder", "--scene-device"};
    QProcess product;
    product.setProcessEnvironment(Environment());
    product.start(TAVO_PRODUCT_UTILITY_EXE, {"--help"});
    ASSERT_TRUE(product.waitForFinished(kBoundMs));
    EXPECT_EQ(product.exitCode(), 0);
    const QString help = QString::fromLocal8Bit(product.readAllStandardOutput());
    EXPECT_TRUE(help.contains("--data-dir")) << help.toStdString();
    for (const QString& option : testing) EXPECT_FALSE(help.contains(option)) << option.toStdString();

    for (const QString& option : testing) {
        SCOPED_TRACE(option.toStdString());
        product.start(TAVO_PRODUCT_UTILITY_EXE, kLoopback + QStringList{option, "100"});
        ASSERT_TRUE(product.waitForFinished(kBoundMs));
        EXPECT_EQ(product.exitCode(), 2);
        EXPECT_TRUE(QString::fromLocal8Bit(product.readAllStandardError()).contains(option.mid(2)));
    }
    EXPECT_FALSE(QFileInfo::exists(ProfileFile()));
}

TEST_F(UtilityProcess, StartupFiguresAndPictureOfTheShownWindow) {
    const QString picture = m_startDir.filePath("sheet.png");
    const Outcome run = Start(kLoopback + QStringList{"--print-startup-ms", "--screenshot", picture});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    static const QRegularExpression figures(
        R"(^startup main-to-shown-ms \d+\.\d process-to-shown-ms -?\d+ vmrss-kb -?\d+ cpu-ms -?\d+$)",
        QRegularExpression::MultilineOption);
    EXPECT_TRUE(figures.match(run.out).hasMatch()) << run.out.toStdString();
    const QImage image(picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 100);
    EXPECT_GT(image.height(), 20);
}

}  // namespace
