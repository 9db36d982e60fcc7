#pragma once

// What the benchmarks on the link share: simulated devices on loopback, the event loop
// run until a condition or a bound, a probe of the event loop's longest gap, the
// process's processor time and a main with a QCoreApplication.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "LinkConfig.h"
#include "SimNetwork.h"

namespace bench {

// A whole number from the environment, `fallback` when unset, clamped to 1..`max`.
inline int countFromEnvironment(const char* name, int fallback, int max) {
    const char* text = std::getenv(name);
    return std::clamp(text ? std::atoi(text) : fallback, 1, max);
}

inline double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// `count` simulated devices in this process, at 127.0.1.1, 127.0.1.2, ... (no BootP), and
// a link whose device port is theirs.
struct SimDevices {
    explicit SimDevices(int count) {
        tavo::sim::SimConfig config;
        config.bootpMaxRequests = 0;
        network = std::make_unique<tavo::sim::SimNetwork>(config);
        for (int i = 0; i < count; ++i)
            network->addDevice(tavo::sim::Ipv4Address{127, 0, 1, quint8(1 + i)},
                               tavo::sim::MacAddress{2, 0x4B, 0x7E, 0, 1, quint8(i)});
        network->start();
        link.devicePort = network->port();
    }
    static QHostAddress address(int i) { return QHostAddress((127u << 24) | (1u << 8) | quint32(1 + i)); }

    std::unique_ptr<tavo::sim::SimNetwork> network;
    tavo::LinkConfig link;
};

// The longest gap between ticks of a 1 ms timer while it runs.
struct GapProbe {
    GapProbe() {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            maxGapMs = std::max(maxGapMs, double(clock.nsecsElapsed()) / 1e6);
            clock.restart();
        });
        clock.start();
        timer.start();
    }
    QTimer timer;
    QElapsedTimer clock;
    double maxGapMs = 0;
};

// Waits in the event loop (blocking, so the wait itself costs no processor time) until
// `done` or `boundMs`; returns `done()`.
template <class Done>
bool runUntil(Done done, int boundMs) {
    bool expired = false;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, [&] { expired = true; });
    bound.start(boundMs);
    while (!done() && !expired) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

inline int runBenchmarks(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
