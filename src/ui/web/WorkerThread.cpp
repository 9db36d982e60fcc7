#include "WorkerThread.h"

#include <QMetaObject>

namespace tavo {

void runOnWorker(QObject* owner, std::thread& worker, std::function<void()> work, std::function<void()> done) {
    worker = std::thread([owner, &worker, work = std::move(work), done = std::move(done)]() mutable {
        work();
        QMetaObject::invokeMethod(
            owner,
            [&worker, done = std::move(done)] {
                worker.join();
                done();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace tavo
