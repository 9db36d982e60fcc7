#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "Profile.h"
#include "UiTestHelpers.h"
#include "app/StartupOptions.h"
#include "app/TavoApp.h"
#include "TestingOptions.h"

namespace tavo {
namespace {

// Runs with its own $XDG_DATA_HOME and restores it and the current directory.
class DesktopStartTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit()); }
    void TearDown() override {
        QDir::setCurrent(m_savedDir);
        if (m_hadDataHome)
            qputenv("XDG_DATA_HOME", m_savedDataHome);
        else
            qunsetenv("XDG_DATA_HOME");
    }
    StartupOptions desktopStart() const {
        StartupOptions options;
        options.link = test::loopbackLink();
        options.startInDataFolder = true;
        return options;
    }
    static QString Canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

    QTemporaryDir dataHome, startDir;
    test::FakePrompts prompts;

private:
    QString m_savedDir = QDir::currentPath();
    bool m_hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    QByteArray m_savedDataHome = qgetenv("XDG_DATA_HOME");
};

// From the desktop menu the tables go to the program's own data folder, made on the
// first start, and the profile records that folder for the tables and for tavo.
TEST_F(DesktopStartTest, TheDesktopStartWorksInTheOwnDataFolder) {
    const QString expected = dataHome.path() + QStringLiteral("/Vantorel/tavo-utility");
    EXPECT_EQ(desktopDataFolder(), expected);
    for (int start = 0; start < 2; ++start) {  // made the first time, reused the second
        SCOPED_TRACE(start);
        ASSERT_TRUE(QDir::setCurrent(startDir.path()));
        CTavoApp app(desktopStart(), prompts);
        ASSERT_TRUE(app.InitInstance());
        EXPECT_TRUE(QFileInfo(expected).isDir());
        EXPECT_EQ(Canonical(Profile::startupPath()), Canonical(expected));
        EXPECT_EQ(Canonical(app.context().dataDir), Canonical(expected));
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(QDir(startDir.path()).isEmpty());
}

TEST_F(DesktopStartTest, AFolderThatCannotBeMadeIsReportedAndTheStartDirectoryServes) {
    // The data home is a plain file: nothing can be made below it.
    const QString plainFile = dataHome.filePath(QStringLiteral("plain"));
    QFile(plainFile).open(QIODevice::WriteOnly);
    qputenv("XDG_DATA_HOME", plainFile.toLocal8Bit());
    ASSERT_TRUE(QDir::setCurrent(startDir.path()));
    CTavoApp app(desktopStart(), prompts);
    ASSERT_TRUE(app.InitInstance());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Impossibile creare la cartella dei dati %1.")
                                            .arg(plainFile + QStringLiteral("/Vantorel/tavo-utility")));
    EXPECT_EQ(Canonical(Profile::startupPath()), Canonical(startDir.path()));
}

TEST(StartupOptionsScenes, SceneOptionsAreCheckedWhenRead) {
    const struct {
        QStringList args;
        bool ok;
        const char* errorPart;
    } cases[] = {
        {{"--in-data-folder"}, true, ""},
        {{"--screenshot", "/tmp/x.png", "--screenshot-scene", "info"}, true, ""},
        {{"--screenshot", "/tmp/x.png", "--screenshot-scene", "flash-dump", "--scene-device", "127.0.0.2"}, true, ""},
        {{"--screenshot-scene", "info"}, false, "needs --screenshot"},
        {{"--screenshot", "/tmp/x.png", "--screenshot-scene", "nowhere"}, false, "no scene nowhere"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const TestingStartupParse parse = parseTestingStartupOptions(QStringList{"tavo-utility"} + c.args);
        EXPECT_EQ(parse.kind == StartupParse::Kind::run, c.ok) << parse.text.toStdString();
        if (!c.ok) {
            EXPECT_TRUE(parse.text.contains(QLatin1String(c.errorPart))) << parse.text.toStdString();
        }
    }
    EXPECT_TRUE(parseStartupOptions({"tavo-utility", "--in-data-folder"}).options.startInDataFolder);
    EXPECT_FALSE(parseStartupOptions({"tavo-utility"}).options.startInDataFolder);
}

}  // namespace
}  // namespace tavo
