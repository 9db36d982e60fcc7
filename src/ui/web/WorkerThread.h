#pragma once

#include <QObject>
#include <functional>
#include <thread>

namespace tavo {

// Runs `work` on `worker`, a thread of its own, then `done` on `owner`'s thread once the
// worker has ended (joined, so everything it wrote is visible). The work gets only its own
// data, never a widget. The owner joins a running worker before it goes; the event that
// would carry `done` is then dropped with it.
void runOnWorker(QObject* owner, std::thread& worker, std::function<void()> work, std::function<void()> done);

}  // namespace tavo
