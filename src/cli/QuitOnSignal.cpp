#include "QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace tavo::cli {
namespace {

#ifdef Q_OS_WIN
// Windows has no SIGTERM to catch: Ctrl+C, Ctrl+Break and the console's closing arrive
// on a thread of their own, which posts the call to the event loop.
QuitOnSignal* g_current = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event) {
    const int signalNumber = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    QMetaObject::invokeMethod(qApp, [signalNumber] { if (g_current) g_current->quit(signalNumber); },
                              Qt::QueuedConnection);
    return TRUE;
}
}  // namespace

QuitOnSignal::QuitOnSignal(std::function<void(int)> onQuit) : m_onQuit(std::move(onQuit)) {
    g_current = this;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

QuitOnSignal::~QuitOnSignal() {
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_current = nullptr;
}

void QuitOnSignal::quit(int signalNumber) {
    if (m_onQuit) m_onQuit(signalNumber);
}
#else

int g_pair[2] = {-1, -1};  // [0] read by the event loop, [1] written by the handler

void onSignal(int signalNumber) {
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t ignored = ::write(g_pair[1], &byte, 1);
}

}  // namespace

QuitOnSignal::QuitOnSignal(std::function<void(int)> onQuit) : m_onQuit(std::move(onQuit)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pair) != 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(g_pair[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        if (::read(g_pair[0], &byte, 1) == 1) quit(byte);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    m_notifier.reset();
    for (int& fd : g_pair) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void QuitOnSignal::quit(int signalNumber) {
    if (m_onQuit) m_onQuit(signalNumber);
}
#endif

}  // namespace tavo::cli
