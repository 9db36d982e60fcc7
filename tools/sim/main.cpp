// tavo-sim: simulated TAVO 707 devices for tests and demos.
#include "SimHttp.h"
#include "SimNetwork.h"
#include "SimOptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkProxy>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using namespace tavo::sim;

constexpr int kExitBadOption = 2;
constexpr int kExitStartFailed = 1;

#ifdef Q_OS_WIN
// The console's Ctrl+C, Ctrl+Break and close arrive on a thread of their own.
BOOL WINAPI onConsoleEvent(DWORD) {
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    return TRUE;
}

bool installSignalHandlers(QCoreApplication&) { return SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0; }
#else
int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop reads the pipe and quits.
void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

bool installSignalHandlers(QCoreApplication& app) {
    if (::pipe(g_signalPipe) != 0) return false;
    for (int fd : g_signalPipe) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        app.quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}
#endif

void print(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString Mac(const SimNetwork& network, int index) { return macText(network.device(index).mac()); }

void reportEvents(SimNetwork& network) {
    QObject::connect(&network, &SimNetwork::commandReceived, [&network](int i, quint8 code, int length) {
        print(QStringLiteral("command %1 0x%2 %3").arg(Mac(network, i)).arg(code, 2, 16, QLatin1Char('0')).arg(length));
    });
    QObject::connect(&network, &SimNetwork::replyDropped, [&network](int i, quint8 code) {
        print(QStringLiteral("reply dropped %1 0x%2").arg(Mac(network, i)).arg(code, 2, 16, QLatin1Char('0')));
    });
    QObject::connect(&network, &SimNetwork::writeDropped, [&network](int i, int sector) {
        print(QStringLiteral("write dropped %1 %2").arg(Mac(network, i)).arg(sector));
    });
    QObject::connect(&network, &SimNetwork::silenced, [&network](int i, int sector) {
        print(QStringLiteral("silent %1 %2").arg(Mac(network, i)).arg(sector));
    });
    QObject::connect(&network, &SimNetwork::bootpRequestSent,
                     [&network](int i) { print(QStringLiteral("bootp request %1").arg(Mac(network, i))); });
    QObject::connect(&network, &SimNetwork::configured, [&network](int i) {
        const SimDevice& device = network.device(i);
        print(QStringLiteral("bootp configured %1 ip %2 gateway %3 mask %4")
                  .arg(Mac(network, i), ipv4Text(device.address().value_or(Ipv4Address{})),
                       ipv4Text(device.gateway()), ipv4Text(device.mask())));
    });
    QObject::connect(&network, &SimNetwork::cleared,
                     [&network](int i) { print(QStringLiteral("cleared %1").arg(Mac(network, i))); });
    QObject::connect(&network, &SimNetwork::bootpGaveUp, [&network](int i) {
        std::fprintf(stderr, "tavo-sim: %s got no BootP reply\n", qPrintable(Mac(network, i)));
    });
    QObject::connect(&network, &SimNetwork::problem,
                     [](const QString& text) { std::fprintf(stderr, "tavo-sim: %s\n", qPrintable(text)); });
}

// Copies the file into every device's flash; the rest of the flash stays erased.
QString preloadFlash(SimNetwork& network, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    const qint64 capacity = qint64(SimDevice::kSectorSize) * SimDevice::kSectorCount;
    if (file.size() > capacity)
        return QStringLiteral("%1 is larger than the flash (%2 bytes)").arg(path).arg(capacity);
    const QByteArray bytes = file.read(capacity);
    if (bytes.size() != file.size()) return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    for (int i = 0; i < network.deviceCount(); ++i)
        std::copy(bytes.begin(), bytes.end(), network.device(i).flash().begin());
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Plain datagrams only: no proxy lookup may ever reach out on the network.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    const SimOptionsResult parsed = parseSimOptions(app.arguments().mid(1));
    if (!parsed.options) {
        std::fprintf(stderr, "tavo-sim: %s\n%s", qPrintable(parsed.error), qPrintable(simUsage()));
        return kExitBadOption;
    }
    const SimOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(qPrintable(simUsage()), stdout);
        return 0;
    }
    if (!installSignalHandlers(app)) {
        std::perror("tavo-sim: signal handlers");
        return kExitStartFailed;
    }
    SimNetwork network(options.config);
    for (const SimDeviceOption& device : options.devices) network.addDevice(device.ip, device.mac, device.faults);
    // Made before the event lines are connected: a device's server listens on its new
    // address before "bootp configured" tells a test it may fetch from there.
    SimHttp http(network);
    reportEvents(network);
    if (!options.flashFile.isEmpty()) {
        const QString problem = preloadFlash(network, options.flashFile);
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "tavo-sim: %s\n", qPrintable(problem));
            return kExitBadOption;
        }
    }
    if (!network.start()) {
        std::fprintf(stderr, "tavo-sim: %s\n", qPrintable(network.errorString()));
        return kExitStartFailed;
    }
    if (options.httpPort >= 0) {
        if (!http.start(quint16(options.httpPort))) {
            std::fprintf(stderr, "tavo-sim: %s\n", qPrintable(http.errorString()));
            return kExitStartFailed;
        }
        QObject::connect(&http, &SimHttp::served,
                         [&network](int i, const QByteArray& method, const QByteArray& target, int status) {
                             print(QStringLiteral("http %1 %2 %3 %4")
                                       .arg(Mac(network, i), QString::fromLatin1(method),
                                            QString::fromLatin1(target.toPercentEncoding("/?=&")))
                                       .arg(status));
                         });
        QObject::connect(&http, &SimHttp::problem,
                         [](const QString& text) { std::fprintf(stderr, "tavo-sim: %s\n", qPrintable(text)); });
    }
    if (options.maxSeconds > 0) QTimer::singleShot(int(options.maxSeconds * 1000), &app, &QCoreApplication::quit);
    print(QStringLiteral("ready port %1").arg(network.port()));
    if (options.httpPort >= 0) print(QStringLiteral("http port %1").arg(http.port()));
    const int status = app.exec();
    network.stop();
    return status;
}
