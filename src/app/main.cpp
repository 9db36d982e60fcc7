// tavo-utility: the desktop program.
#include <QApplication>
#include <QCoreApplication>
#include <chrono>
#include <cstdio>

#include "Profile.h"
#include "app/MessageBoxPrompts.h"
#include "app/QtTranslations.h"
#include "app/ScreenshotScene.h"
#include "app/StartupOptions.h"
#include "app/TavoApp.h"

namespace {

bool asksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all") return true;
    }
    return false;
}

// The help is given without reaching the window system, so that it works on a machine
// without a display too. Everything else is read after QApplication has taken its own
// options (-platform and the like) out of the command line.
int printHelp(int argc, char** argv) {
    QCoreApplication reader(argc, argv);
    std::fputs(qPrintable(tavo::parseStartupOptions(QCoreApplication::arguments()).text), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const auto mainEntry = std::chrono::steady_clock::now();
    if (asksForHelp(argc, argv)) return printHelp(argc, argv);

    QApplication app(argc, argv);
    const tavo::StartupParse parse = tavo::parseStartupOptions(QApplication::arguments());
    if (parse.kind != tavo::StartupParse::Kind::run) {
        std::fprintf(stderr, "tavo-utility: %s\n(see tavo-utility --help)\n", qPrintable(parse.text));
        return tavo::CTavoApp::kExitUsage;
    }
    QApplication::setOrganizationName(QString::fromLatin1(tavo::Profile::kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(tavo::Profile::kApplication));
    // Lets the desktop match the window to the installed entry (and its icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("tavo-utility"));
    tavo::installQtItalian();
    tavo::MessageBoxPrompts messageBoxes;
    tavo::ScenePrompts scenePrompts(messageBoxes, parse.options.sceneFolder,
                                    tavo::sceneShowsFileDialog(parse.options.screenshotScene));
    // A screenshot scene answers its own questions; every other run asks the operator.
    tavo::Prompts& prompts =
        parse.options.screenshotScene.isEmpty() ? static_cast<tavo::Prompts&>(messageBoxes) : scenePrompts;
    tavo::CTavoApp tavoApp(parse.options, prompts, mainEntry);
    if (!tavoApp.InitInstance()) {
        std::fprintf(stderr, "tavo-utility: %s\n", tavo::CTavoApp::kSocketInitFailed);
        return tavo::CTavoApp::kExitNoNetwork;
    }
    return tavoApp.run();
}
