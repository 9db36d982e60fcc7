#include "TavoApp.h"

#include <QApplication>
#include <QDir>
#include <QWindow>

#include "AppTexts.h"
#include "DialogPlacement.h"
#include "NetworkProbe.h"
#include "Profile.h"
#include "PropSheet.h"
#include "common/Prompts.h"
#include "ProgramIcon.h"

namespace tavo {

CTavoApp::CTavoApp(StartupOptions options, Prompts& prompts)
    : m_options(std::move(options)), m_context{prompts, m_options.link, QString()} {}

CTavoApp::~CTavoApp() = default;

bool CTavoApp::networkAvailable() const { return udpSocketsAvailable(); }

bool CTavoApp::InitInstance() {
    qApp->installEventFilter(new DialogPlacement(qApp));
    starting();
    if (!networkAvailable()) {
        m_context.prompts.message(apptexts::kSocketInitFailed, QString::fromLatin1(Profile::kApplication));
        return false;
    }
    if (m_options.startInDataFolder) enterDataFolder();
    // Every start records its directory before any table is opened; the tables of this
    // run use it unless the command line names another folder.
    Profile::writeStartupPath(QDir::currentPath());
    m_context.dataDir = m_options.dataDir.isEmpty() ? Profile::dataDirectory() : m_options.dataDir;

    QApplication::setWindowIcon(programIcon());
    m_sheet = std::make_unique<CPropSheet>(m_context);
    sheetMade();
    m_sheet->show();
    m_sheet->activateWindow();
    return true;
}

// Started from the desktop menu the start-up directory is the home folder; the tables
// go to a folder of the program's own instead of lying about there. When the folder
// cannot be made the operator is told, and the run goes on in the start-up directory.
void CTavoApp::enterDataFolder() {
    const QString folder = desktopDataFolder();
    if (QDir().mkpath(folder) && QDir::setCurrent(folder)) return;
    m_context.prompts.message(apptexts::kDataFolderFailed.arg(QDir::toNativeSeparators(folder)),
                              QString::fromLatin1(Profile::kApplication));
}

int CTavoApp::run() {
    // The run ends on the sheet's close only, and always with the same status.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(m_sheet.get(), &CPropSheet::closed, qApp, [] { QCoreApplication::exit(kExitClosed); });
    return QApplication::exec();
}

}  // namespace tavo
