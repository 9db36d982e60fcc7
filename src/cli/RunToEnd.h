#pragma once

// The one way a long-running command waits: the event loop runs until the work ends, with
// SIGINT and SIGTERM (Ctrl+C, a service manager's stop) turned into a call on the loop
// (QuitOnSignal) and an optional bound in seconds (--max-seconds).
#include <QCoreApplication>
#include <QObject>
#include <functional>

namespace tavo::cli {

// Runs the event loop until a handler calls QCoreApplication::exit(status), and returns
// that status. A signal calls `onSignal` (none: the signal keeps its default action);
// with `maxSeconds` above 0 the loop also ends then, with status 0.
int runEventLoop(const std::function<void(int signalNumber)>& onSignal, double maxSeconds = 0);

// Calls `start` and runs the event loop until `object` emits `finished` (at once when
// `start` already finished it). `onSignal` is usually the engine's cancel(), after which
// the engine still emits `finished` with its result.
template <typename Object, typename Signal>
void runToEnd(Object& object, Signal finished, const std::function<void()>& start,
              const std::function<void(int signalNumber)>& onSignal) {
    bool done = false;
    const QMetaObject::Connection connection = QObject::connect(&object, finished, [&done] {
        done = true;
        QCoreApplication::exit(0);
    });
    start();
    if (!done) runEventLoop(onSignal);
    QObject::disconnect(connection);
}

}  // namespace tavo::cli
