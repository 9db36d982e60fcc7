#include "RunToEnd.h"

#include <QTimer>
#include <memory>

#include "QuitOnSignal.h"

namespace tavo::cli {

int runEventLoop(const std::function<void(int signalNumber)>& onSignal, double maxSeconds) {
    std::unique_ptr<QuitOnSignal> quit;
    if (onSignal) quit = std::make_unique<QuitOnSignal>(onSignal);
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(0); });
    if (maxSeconds > 0) bound.start(int(maxSeconds * 1000));
    return QCoreApplication::exec();
}

}  // namespace tavo::cli
