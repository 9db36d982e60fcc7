#pragma once

#include <QObject>
#include <QString>
#include <chrono>

class QWidget;

namespace tavo {

// Watches a window until it is first exposed and painted, then does what the command
// line asked for at that moment: prints the start-up figures (time since main() and
// since the process started, resident memory) and/or saves a picture of the window.
class StartupProbe : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    StartupProbe(QWidget& window, Clock::time_point mainEntry, bool printFigures, QString screenshotPath);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Emitted once, after the figures and the picture are done.
    void shown();

private:
    void onShown();
    void saveScreenshot();

    QWidget& m_window;
    Clock::time_point m_mainEntry;
    bool m_printFigures;
    QString m_screenshotPath;
    bool m_done = false;
};

}  // namespace tavo
