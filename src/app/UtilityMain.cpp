#include "UtilityMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>

#include "OpenFileLimit.h"
#include "Profile.h"
#include "app/AppTexts.h"
#include "app/MessageBoxPrompts.h"
#include "app/QtTranslations.h"
#include "app/StartupOptions.h"
#include "app/TavoApp.h"

namespace tavo {
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
int printHelp(int argc, char** argv, UtilityBuild& build) {
    QCoreApplication reader(argc, argv);
    std::fputs(qPrintable(parseStartupOptions(QCoreApplication::arguments(), build.commandLine()).text), stdout);
    return 0;
}

}  // namespace

std::unique_ptr<CTavoApp> UtilityBuild::makeApp(const StartupOptions& options, Prompts& prompts) {
    return std::make_unique<CTavoApp>(options, prompts);
}

int utilityMain(int argc, char** argv, UtilityBuild& build) {
    if (asksForHelp(argc, argv)) return printHelp(argc, argv, build);

    raiseOpenFileLimit();  // the commissioning line's many read sockets
    QApplication app(argc, argv);
    const StartupParse parse = parseStartupOptions(QApplication::arguments(), build.commandLine());
    if (parse.kind != StartupParse::Kind::run) {
        std::fprintf(stderr, "tavo-utility: %s\n(see tavo-utility --help)\n", qPrintable(parse.text));
        return CTavoApp::kExitUsage;
    }
    QApplication::setOrganizationName(QString::fromLatin1(Profile::kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(Profile::kApplication));
    // Lets the desktop match the window to the installed entry (and its icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("tavo-utility"));
    installQtItalian();
    MessageBoxPrompts messageBoxes;
    const std::unique_ptr<CTavoApp> tavoApp = build.makeApp(parse.options, build.prompts(messageBoxes));
    if (!tavoApp->InitInstance()) {
        std::fprintf(stderr, "tavo-utility: %s\n", qPrintable(apptexts::kSocketInitFailed));
        return CTavoApp::kExitNoNetwork;
    }
    return tavoApp->run();
}

}  // namespace tavo
