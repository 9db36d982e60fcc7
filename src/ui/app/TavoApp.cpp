#include "TavoApp.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QUdpSocket>
#include <QWindow>

#include "DialogPlacement.h"
#include "Profile.h"
#include "PropSheet.h"
#include "common/Prompts.h"
#include "ProgramIcon.h"
#include "ScreenshotScene.h"
#include "StartupProbe.h"

namespace tavo {

CTavoApp::CTavoApp(StartupOptions options, Prompts& prompts, std::chrono::steady_clock::time_point mainEntry)
    : m_options(std::move(options)),
      m_mainEntry(mainEntry),
      m_context{prompts, m_options.link, QString()} {}

CTavoApp::~CTavoApp() = default;

// The network layer counts as working when a UDP socket can be opened on an ephemeral
// port; nothing is sent.
bool CTavoApp::networkAvailable() const {
    if (m_options.failNetworkInit) return false;
    QUdpSocket probe;
    return probe.bind(QHostAddress::AnyIPv4, 0);
}

bool CTavoApp::InitInstance() {
    qApp->installEventFilter(new DialogPlacement(qApp));
    startCloseTimer();
    if (!networkAvailable()) {
        m_context.prompts.message(QString::fromLatin1(kSocketInitFailed), QString::fromLatin1(Profile::kApplication));
        return false;
    }
    if (m_options.startInDataFolder) enterDataFolder();
    // Every start records its directory before any table is opened; the tables of this
    // run use it unless the command line names another folder.
    Profile::writeStartupPath(QDir::currentPath());
    m_context.dataDir = m_options.dataDir.isEmpty() ? Profile::dataDirectory() : m_options.dataDir;

    QApplication::setWindowIcon(programIcon());
    m_sheet = std::make_unique<CPropSheet>(m_context);
    // A scene takes its own picture once it is set up; the probe then only tells it when
    // the window is up.
    const QString firstViewPicture = m_options.screenshotScene.isEmpty() ? m_options.screenshotPath : QString();
    if (m_options.printStartupMs || !m_options.screenshotPath.isEmpty()) {
        m_probe = new StartupProbe(*m_sheet, m_mainEntry, m_options.printStartupMs, firstViewPicture);
        auto* probe = m_probe;
        if (m_options.printStartupMs)
            QObject::connect(probe, &StartupProbe::shown, m_sheet.get(), [this] { m_sheet->windowHandle()->close(); });
    }
    if (!m_options.screenshotScene.isEmpty()) startScreenshotScene();
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
    m_context.prompts.message(QString::fromUtf8(kDataFolderFailed).arg(QDir::toNativeSeparators(folder)),
                              QString::fromLatin1(Profile::kApplication));
}

int CTavoApp::run() {
    // The run ends on the sheet's close only, and always with the same status.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(m_sheet.get(), &CPropSheet::closed, qApp, [] { QCoreApplication::exit(kExitClosed); });
    return QApplication::exec();
}

void CTavoApp::startScreenshotScene() {
    if (!m_probe) return;  // a scene always comes with a picture to take
    auto* scene = new ScreenshotScene(*m_sheet, m_options, m_sheet.get());
    QObject::connect(m_probe, &StartupProbe::shown, scene, &ScreenshotScene::start);
    QObject::connect(scene, &ScreenshotScene::finished, m_sheet.get(), [this] { m_sheet->windowHandle()->close(); });
}

// A testing aid: closes what the operator would close, the dialog on top first, and the
// sheet through its window, as the window's close button does.
void CTavoApp::startCloseTimer() {
    if (m_options.closeAfterMs < 0) return;
    m_closeTimer = std::make_unique<QTimer>();
    m_closeTimer->setInterval(m_options.closeAfterMs);
    QObject::connect(m_closeTimer.get(), &QTimer::timeout, [this] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        else if (m_sheet && m_sheet->windowHandle())
            m_sheet->windowHandle()->close();
    });
    m_closeTimer->start();
}

}  // namespace tavo
