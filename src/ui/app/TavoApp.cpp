#include "TavoApp.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QUdpSocket>
#include <QWindow>

#include "Profile.h"
#include "PropSheet.h"
#include "Prompts.h"
#include "ProgramIcon.h"
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
    startCloseTimer();
    if (!networkAvailable()) {
        m_context.prompts.message(QString::fromLatin1(kSocketInitFailed), QString::fromLatin1(Profile::kApplication));
        return false;
    }
    // Every start records its directory before any table is opened; the tables of this
    // run use it unless the command line names another folder.
    Profile::writeStartupPath(QDir::currentPath());
    m_context.dataDir = m_options.dataDir.isEmpty() ? Profile::dataDirectory() : m_options.dataDir;

    QApplication::setWindowIcon(programIcon());
    m_sheet = std::make_unique<CPropSheet>(m_context);
    if (m_options.printStartupMs || !m_options.screenshotPath.isEmpty()) {
        auto* probe = new StartupProbe(*m_sheet, m_mainEntry, m_options.printStartupMs, m_options.screenshotPath);
        if (m_options.printStartupMs)
            QObject::connect(probe, &StartupProbe::shown, m_sheet.get(), [this] { m_sheet->windowHandle()->close(); });
    }
    m_sheet->show();
    m_sheet->activateWindow();
    return true;
}

int CTavoApp::run() {
    // The run ends on the sheet's close only, and always with the same status.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(m_sheet.get(), &CPropSheet::closed, qApp, [] { QCoreApplication::exit(kExitClosed); });
    return QApplication::exec();
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
