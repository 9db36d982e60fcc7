#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tavo::cli {

// Turns SIGINT and SIGTERM into a call on the event loop: the signal handler only writes
// a byte to a socket pair, and the loop, woken by it, calls `onQuit` with the signal
// number, so that a command can close its sockets, say goodbye and end with status 0.
// One at a time; the signals get their default action back when it is destroyed.
// On Windows the console's Ctrl+C (SIGINT), Ctrl+Break and close (SIGTERM) do the same.
class QuitOnSignal {
public:
    explicit QuitOnSignal(std::function<void(int signalNumber)> onQuit);
    ~QuitOnSignal();
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

    // Calls onQuit with the signal number, on the event loop's thread.
    void quit(int signalNumber);

private:
    std::function<void(int)> m_onQuit;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace tavo::cli
