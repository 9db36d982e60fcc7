#include "TestingOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "PathArguments.h"
#include "ScreenshotScene.h"

namespace tavo {
namespace {

const char* const kTestingNotes =
    "Testing: --fail-network-init pretends that the network layer cannot be initialised\n"
    "(exit status 3). Closing: --close-after-ms closes, every N ms, the dialog on top, or\n"
    "else the sheet the way the window's close button does.\n";

const QString kCloseAfter = QStringLiteral("close-after-ms");
const QString kPrintStartup = QStringLiteral("print-startup-ms");
const QString kScreenshot = QStringLiteral("screenshot");
const QString kFailNetwork = QStringLiteral("fail-network-init");
const QString kScene = QStringLiteral("screenshot-scene");
const QString kSceneFolder = QStringLiteral("scene-folder");
const QString kSceneDevice = QStringLiteral("scene-device");

}  // namespace

QList<QCommandLineOption> TestingCommandLine::options() const {
    return {
        {kCloseAfter, "Testing: every N ms close the dialog on top, else the window.", "N"},
        {kPrintStartup, "Benchmark: print the start-up time and resident memory once the window is shown, then close it."},
        {kScreenshot, "Save a PNG picture of the window once it is shown.", "file"},
        {kFailNetwork, "Testing: act as if the network layer could not be initialised."},
        {kScene, "Screenshots: with --screenshot, picture this scene instead of the first view: " +
                     screenshotSceneNames().join(", ") + ".", "name"},
        {kSceneFolder, "Screenshots: the web folder the web scene selects.", "dir"},
        {kSceneDevice, "Screenshots: the device address the utility and flash-dump scenes read.", "A.B.C.D"},
    };
}

QString TestingCommandLine::read(const QCommandLineParser& parser) {
    QString pathError;
    if (parser.isSet(kScreenshot) && !checkOutputFile(parser.value(kScreenshot), pathError))
        return QStringLiteral("--screenshot: %1").arg(pathError);
    if (parser.isSet(kCloseAfter)) {
        bool ok = false;
        m_options.closeAfterMs = parser.value(kCloseAfter).toInt(&ok);
        if (!ok || m_options.closeAfterMs < 0)
            return QStringLiteral("--close-after-ms: not a number of milliseconds: %1").arg(parser.value(kCloseAfter));
    }
    m_options.printStartupMs = parser.isSet(kPrintStartup);
    m_options.screenshotPath = parser.value(kScreenshot);
    m_options.failNetworkInit = parser.isSet(kFailNetwork);
    if (parser.isSet(kScene)) {
        m_options.screenshotScene = parser.value(kScene);
        if (!screenshotSceneNames().contains(m_options.screenshotScene))
            return QStringLiteral("--screenshot-scene: no scene %1 (scenes: %2)")
                .arg(m_options.screenshotScene, screenshotSceneNames().join(QStringLiteral(", ")));
        if (m_options.screenshotPath.isEmpty()) return QStringLiteral("--screenshot-scene needs --screenshot FILE");
    }
    m_options.sceneFolder = parser.value(kSceneFolder);
    m_options.sceneDevice = parser.value(kSceneDevice);
    return {};
}

QString TestingCommandLine::helpNotes() const { return QString::fromLatin1(kTestingNotes); }

TestingStartupParse parseTestingStartupOptions(const QStringList& args) {
    TestingStartupParse result;
    TestingCommandLine testing(result.options);
    const StartupParse parse = parseStartupOptions(args, &testing);
    result.kind = parse.kind;
    result.text = parse.text;
    static_cast<StartupOptions&>(result.options) = parse.options;
    return result;
}

}  // namespace tavo
