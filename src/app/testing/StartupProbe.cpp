#include "StartupProbe.h"

#include <QExposeEvent>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <ctime>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "ScreenshotScene.h"

namespace tavo {
namespace {

// Milliseconds since the kernel started this process, from /proc (tick resolution).
double processAgeMs() {
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray text = stat.readAll();
    // The command name in parentheses may hold blanks; the fields count from after it.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    constexpr int kStartTimeField = 19;  // field 22 of the whole line
    if (fields.size() <= kStartTimeField) return -1;
    const double startTicks = fields[kStartTimeField].toDouble();
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
    return nowMs - startTicks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
#else
    return -1;
#endif
}

// Processor time used so far (user and system), which a busy machine does not inflate.
double cpuMs() {
#ifdef Q_OS_WIN
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
    // FILETIME counts 100 ns ticks.
    const auto ms = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(user) + ms(kernel);
#else
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return -1;
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
#endif
}

// The resident set in kilobytes, or -1 where /proc is not there.
long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

}  // namespace

StartupProbe::StartupProbe(QWidget& window, Clock::time_point mainEntry, bool printFigures, QString screenshotPath)
    : QObject(&window),
      m_window(window),
      m_mainEntry(mainEntry),
      m_printFigures(printFigures),
      m_screenshotPath(std::move(screenshotPath)) {
    // The native window must exist before it is shown, so that its first expose is seen.
    window.winId();
    window.windowHandle()->installEventFilter(this);
}

bool StartupProbe::eventFilter(QObject* watched, QEvent* event) {
    if (!m_done && event->type() == QEvent::Expose && m_window.windowHandle()->isExposed()) {
        m_done = true;
        // The expose is handled (and the window painted) after this filter returns.
        QTimer::singleShot(0, this, &StartupProbe::onShown);
    }
    return QObject::eventFilter(watched, event);
}

void StartupProbe::onShown() {
    if (m_printFigures) {
        const double mainMs = std::chrono::duration<double, std::milli>(Clock::now() - m_mainEntry).count();
        std::printf("startup main-to-shown-ms %.1f process-to-shown-ms %.0f vmrss-kb %ld cpu-ms %.0f\n", mainMs,
                    processAgeMs(), residentKb(), cpuMs());
        std::fflush(stdout);
    }
    if (!m_screenshotPath.isEmpty()) saveScreenshot();
    emit shown();
}

// Under a real display the picture comes from the screen, so it shows what the window
// system shows; where that is not possible, from the widget itself.
void StartupProbe::saveScreenshot() {
    if (!saveWindowPicture(m_window, m_screenshotPath))
        std::fprintf(stderr, "tavo-utility: cannot write %s\n", qPrintable(m_screenshotPath));
}

}  // namespace tavo
