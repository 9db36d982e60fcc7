#include "StartupOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

#include "LinkCommandLine.h"
#include "PathArguments.h"
#include "Profile.h"
#include "ScreenshotScene.h"

namespace tavo {
namespace {

const char* const kExitNotes =
    "\nExit status: 1 when the window is closed (the program's normal end), 2 for a bad\n"
    "command line, 3 when the network layer cannot be initialised (a UDP socket cannot be\n"
    "opened on an ephemeral port; --fail-network-init pretends so, for tests).\n"
    "Closing: --close-after-ms closes, every N ms, the dialog on top, or else the sheet the\n"
    "way the window's close button does.\n";

struct Options {
    QCommandLineOption dataDir{"data-dir", "Folder of bootp.ini, iph.ini and mach.ini for this run (default: the start-up directory recorded in the profile).", "dir"};
    QCommandLineOption closeAfter{"close-after-ms", "Testing: every N ms close the dialog on top, else the window.", "N"};
    QCommandLineOption printStartup{"print-startup-ms", "Benchmark: print the start-up time and resident memory once the window is shown, then close it."};
    QCommandLineOption screenshot{"screenshot", "Save a PNG picture of the window once it is shown.", "file"};
    QCommandLineOption failNetwork{"fail-network-init", "Testing: act as if the network layer could not be initialised."};
    QCommandLineOption inDataFolder{"in-data-folder", "Work in the program's own data folder (made when missing), as the desktop menu starts it, instead of the start-up directory."};
    QCommandLineOption scene{"screenshot-scene", "Screenshots: with --screenshot, picture this scene instead of the first view: " + screenshotSceneNames().join(", ") + ".", "name"};
    QCommandLineOption sceneFolder{"scene-folder", "Screenshots: the web folder the web scene selects.", "dir"};
    QCommandLineOption sceneDevice{"scene-device", "Screenshots: the device address the utility and flash-dump scenes read.", "A.B.C.D"};
};

StartupParse usageError(const QString& text) { return {StartupParse::Kind::Error, {}, text}; }

}  // namespace

StartupParse parseStartupOptions(const QStringList& args) {
    Options o;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("TAVO 707 Utility: BootP service, address commands, device maintenance and web upload."));
    const QCommandLineOption help = parser.addHelpOption();
    for (const LinkOption& link : linkOptions(kLinkAllOptions))
        parser.addOption(QCommandLineOption(link.names, link.description + '.', link.valueName));
    parser.addOptions({o.dataDir, o.closeAfter, o.printStartup, o.screenshot, o.failNetwork, o.inDataFolder, o.scene,
                       o.sceneFolder, o.sceneDevice});
    if (!parser.parse(args)) return usageError(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        return {StartupParse::Kind::Help, {}, parser.helpText() + QString::fromLatin1(kExitNotes)};
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));

    StartupParse result;
    StartupOptions& options = result.options;
    const auto linkValue = [&parser](const QString& name) {
        return parser.isSet(name) ? std::optional<QString>(parser.value(name)) : std::nullopt;
    };
    if (const auto error = readLinkOptions(linkValue, kLinkAllOptions, options.link)) return usageError(*error);
    QString pathError;
    if (parser.isSet(o.dataDir)) {
        if (!checkWritableFolder(parser.value(o.dataDir), pathError))
            return usageError(QStringLiteral("--data-dir: %1").arg(pathError));
        options.dataDir = QFileInfo(parser.value(o.dataDir)).absoluteFilePath();
    }
    if (parser.isSet(o.screenshot) && !checkOutputFile(parser.value(o.screenshot), pathError))
        return usageError(QStringLiteral("--screenshot: %1").arg(pathError));
    if (parser.isSet(o.closeAfter)) {
        bool ok = false;
        options.closeAfterMs = parser.value(o.closeAfter).toInt(&ok);
        if (!ok || options.closeAfterMs < 0)
            return usageError(QStringLiteral("--close-after-ms: not a number of milliseconds: %1").arg(parser.value(o.closeAfter)));
    }
    options.printStartupMs = parser.isSet(o.printStartup);
    options.screenshotPath = parser.value(o.screenshot);
    options.failNetworkInit = parser.isSet(o.failNetwork);
    options.startInDataFolder = parser.isSet(o.inDataFolder);
    if (parser.isSet(o.scene)) {
        options.screenshotScene = parser.value(o.scene);
        if (!screenshotSceneNames().contains(options.screenshotScene))
            return usageError(QStringLiteral("--screenshot-scene: no scene %1 (scenes: %2)")
                                  .arg(options.screenshotScene, screenshotSceneNames().join(QStringLiteral(", "))));
        if (options.screenshotPath.isEmpty()) return usageError(QStringLiteral("--screenshot-scene needs --screenshot FILE"));
    }
    options.sceneFolder = parser.value(o.sceneFolder);
    options.sceneDevice = parser.value(o.sceneDevice);
    return result;
}

QString desktopDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + '/' +
           QString::fromLatin1(Profile::kOrganisation) + '/' + QString::fromLatin1(Profile::kApplication);
}

}  // namespace tavo
