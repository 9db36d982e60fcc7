#include "TestingTavoApp.h"

#include <QApplication>
#include <QWindow>

#include "ScreenshotScene.h"
#include "StartupProbe.h"
#include "app/PropSheet.h"

namespace tavo {

TestingTavoApp::TestingTavoApp(TestingOptions options, Prompts& prompts, std::chrono::steady_clock::time_point mainEntry)
    : CTavoApp(options, prompts), m_testing(std::move(options)), m_mainEntry(mainEntry) {}

// Closes what the operator would close, the dialog on top first, and the sheet through
// its window, as the window's close button does. It starts before the network check,
// so that it also closes the message that the check may show.
void TestingTavoApp::starting() {
    if (m_testing.closeAfterMs < 0) return;
    m_closeTimer.setInterval(m_testing.closeAfterMs);
    QObject::connect(&m_closeTimer, &QTimer::timeout, [this] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        else if (sheet() && sheet()->windowHandle())
            sheet()->windowHandle()->close();
    });
    m_closeTimer.start();
}

bool TestingTavoApp::networkAvailable() const {
    return !m_testing.failNetworkInit && CTavoApp::networkAvailable();
}

void TestingTavoApp::sheetMade() {
    CPropSheet* const shown = sheet();
    // A scene takes its own picture once it is set up; the probe then only tells it when
    // the window is up.
    const QString firstViewPicture = m_testing.screenshotScene.isEmpty() ? m_testing.screenshotPath : QString();
    if (m_testing.printStartupMs || !m_testing.screenshotPath.isEmpty()) {
        m_probe = new StartupProbe(*shown, m_mainEntry, m_testing.printStartupMs, firstViewPicture);
        if (m_testing.printStartupMs)
            QObject::connect(m_probe, &StartupProbe::shown, shown, [shown] { shown->windowHandle()->close(); });
    }
    if (!m_testing.screenshotScene.isEmpty()) startScreenshotScene();
}

void TestingTavoApp::startScreenshotScene() {
    if (!m_probe) return;  // a scene always comes with a picture to take
    CPropSheet* const shown = sheet();
    auto* scene = new ScreenshotScene(*shown, m_testing, shown);
    QObject::connect(m_probe, &StartupProbe::shown, scene, &ScreenshotScene::start);
    QObject::connect(scene, &ScreenshotScene::finished, shown, [shown] { shown->windowHandle()->close(); });
}

}  // namespace tavo
