#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTest>
#include <optional>

#include "FlashReadRun.h"
#include "Loopback.h"

namespace tavo::test {

// Runs a flash read to its end (bounded); the status it finished with.
inline std::optional<FlashRunStatus> runToEnd(FlashReadRun& run) {
    std::optional<FlashRunStatus> status;
    QObject::connect(&run, &FlashReadRun::finished, [&](FlashRunStatus s) { status = s; });
    run.start();
    QElapsedTimer bound;
    bound.start();
    while (!status && bound.elapsed() < kWaitMs) QTest::qWait(5);
    return status;
}

}  // namespace tavo::test
