// The IP search on loopback: the real spacing of its requests at the product pace (one a
// second), and how long a search takes from the first request to the address when a
// simulated device answers. Everything goes to the loopback broadcast.
#include "BenchSupport.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <algorithm>
#include <cmath>
#include <vector>

#include "IpSearchEngine.h"

namespace {

const QHostAddress kLoopbackBroadcast(QStringLiteral("127.255.255.255"));
constexpr tavo::MacOctets kMac{0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C};
constexpr int kIntervals = 4;           // request spacings measured per iteration
constexpr int kBoundMs = 10000;         // no iteration waits longer than this

tavo::LinkConfig loopbackLink(quint16 devicePort) {
    tavo::LinkConfig link;
    link.devicePort = devicePort;
    link.broadcast = kLoopbackBroadcast;
    return link;
}

// Spacing of consecutive requests as a listener on the loopback broadcast sees them.
void BM_SearchRequestSpacing(benchmark::State& state) {
    QUdpSocket listener;
    listener.bind(kLoopbackBroadcast, 0);
    std::vector<double> spacings;
    for (auto _ : state) {
        QTemporaryDir history;
        tavo::IpSearchEngine search(
            {loopbackLink(listener.localPort()), tavo::Pace::product(), [] { return kMac; }, history.path().toStdString(), {}});
        std::vector<qint64> arrivals;
        QElapsedTimer clock;
        QObject::connect(&listener, &QUdpSocket::readyRead, [&] {
            while (listener.hasPendingDatagrams()) {
                listener.receiveDatagram();
                arrivals.push_back(clock.nsecsElapsed());
            }
        });
        clock.start();
        search.start({});
        bench::runUntil([&] { return int(arrivals.size()) > kIntervals; }, kBoundMs);
        search.stop();
        listener.disconnect();
        for (size_t i = 1; i < arrivals.size(); ++i) spacings.push_back(double(arrivals[i] - arrivals[i - 1]) / 1e6);
        if (!arrivals.empty()) state.counters["first_ms"] = double(arrivals.front()) / 1e6;
    }
    if (spacings.empty()) return;
    double sum = 0;
    for (double s : spacings) sum += s;
    const double mean = sum / double(spacings.size());
    const auto [low, high] = std::minmax_element(spacings.begin(), spacings.end());
    state.counters["spacing_mean_ms"] = mean;
    state.counters["spacing_min_ms"] = *low;
    state.counters["spacing_max_ms"] = *high;
}
BENCHMARK(BM_SearchRequestSpacing)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// From one request sent at once to the address, against a simulated device.
void BM_SearchAnswered(benchmark::State& state) {
    tavo::sim::SimNetwork network;
    network.addDevice(tavo::sim::Ipv4Address{127, 0, 0, 6}, tavo::sim::MacAddress{0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C});
    if (!network.start()) {
        state.SkipWithError("the simulated device cannot listen");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir history;
        tavo::IpSearchEngine search(
            {loopbackLink(network.port()), tavo::Pace::product(), [] { return kMac; }, history.path().toStdString(), {}});
        bool found = false;
        QObject::connect(&search, &tavo::IpSearchEngine::found, [&] { found = true; });
        search.start({});
        search.sendNow();
        bench::runUntil([&] { return found; }, kBoundMs);
        if (!found) state.SkipWithError("no answer");
    }
}
BENCHMARK(BM_SearchAnswered)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
