// The BootP server's request-to-reply path on loopback, and its parts: the validated
// table lookup (against loading "bootp.ini" per request) and the reply building. Tables
// of K devices: device i has MAC 02-4B-7E + (1 + i), as in the load harness.
#include "BenchSupport.h"

#include <QThread>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "AddressText.h"
#include "BootPFDB.h"
#include "BootpServer.h"
#include "private/BootpTableCache.h"

namespace {

std::string macText(int i) {
    const int m = 1 + i;
    return tavo::FormatMac({0x02, 0x4B, 0x7E, uint8_t(m >> 16), uint8_t(m >> 8), uint8_t(m)});
}

void fillTable(const QString& dir, int count) {
    tavo::CBootPFDB table(dir.toStdString());
    for (int i = 0; i < count; ++i) {
        table.AddNew();
        table.setHType(1);
        table.setHLen(6);
        const int host = 16 + i;
        table.setIP(tavo::formatDottedAligned(10, 77, host >> 8, host & 0xFF));
        table.setMAC(macText(i));
        table.setGateway(tavo::formatDottedAligned(10, 77, 0, 1));
        table.setSubnet(tavo::formatDottedAligned(255, 255, 224, 0));
    }
    table.Save();
}

class SilentObserver : public tavo::BootpServerObserver {
public:
    void bootpStatus(const tavo::BootpEvent&) override {}
    bool bootpUnknownDevice(const tavo::MacOctets&) override { return true; }
    void bootpReadFailed() override {}
    void bootpStopRequested() override {}
};

// The engine on a thread of its own with its event loop, as in a front end; the
// benchmark loop is the device, with plain blocking sockets. With `logging`, a consumer
// takes every request record as the log window does (a copy kept).
class EngineOnThread {
public:
    EngineOnThread(const QString& dir, quint16 replyPort, bool logging) {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_context,
            [&] {
                tavo::LinkConfig config;
                config.bootpServerPort = 0;
                config.bootpClientPort = replyPort;
                config.broadcast = QHostAddress(QStringLiteral("127.255.255.255"));
                m_server = new tavo::BootpServer(config, dir, m_observer);
                if (logging)
                    QObject::connect(m_server, &tavo::BootpServer::requestSeen, &m_context,
                                     [this](const tavo::BootpRequestRecord& record) { m_lastRecord = record; });
                m_port = m_server->start() ? m_server->localPort() : 0;
            },
            Qt::BlockingQueuedConnection);
    }
    ~EngineOnThread() {
        QMetaObject::invokeMethod(&m_context, [&] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    quint16 port() const { return m_port; }

private:
    QThread m_thread;
    QObject m_context;
    SilentObserver m_observer;
    tavo::BootpServer* m_server = nullptr;
    tavo::BootpRequestRecord m_lastRecord;
    quint16 m_port = 0;
};

int UdpSocket(uint32_t address, uint16_t port, bool broadcastReceiver) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int one = 1;
    if (broadcastReceiver) ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    timeval timeout{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(address);
    local.sin_port = htons(port);
    ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    return fd;
}

uint16_t LocalPort(int fd) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

void BM_BootpRequestToReply(benchmark::State& state) {
    const int count = int(state.range(0));
    QTemporaryDir dir;
    fillTable(dir.path(), count);
    const int receiver = UdpSocket(INADDR_ANY, 0, true);  // sees the loopback broadcast
    const int device = UdpSocket(INADDR_LOOPBACK, 0, false);
    EngineOnThread engine(dir.path(), LocalPort(receiver), state.range(1) != 0);
    if (engine.port() == 0) {
        state.SkipWithError("the server did not start");
        return;
    }
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    server.sin_port = htons(engine.port());

    uint8_t request[300] = {1, 1, 6};
    uint8_t reply[600];
    uint32_t xid = 0;
    int i = 0;
    for (auto _ : state) {
        const int m = 1 + i;
        const uint8_t mac[6] = {0x02, 0x4B, 0x7E, uint8_t(m >> 16), uint8_t(m >> 8), uint8_t(m)};
        std::memcpy(request + 28, mac, 6);
        ++xid;
        std::memcpy(request + 4, &xid, 4);
        ::sendto(device, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&server), sizeof server);
        for (;;) {
            const ssize_t got = ::recv(receiver, reply, sizeof reply, 0);
            if (got < 0) {
                state.SkipWithError("no reply within a second");
                break;
            }
            if (got == 300 && std::memcmp(reply + 4, &xid, 4) == 0) break;
        }
        i = (i + 7919) % count;  // every device, in an order that defeats the cache lines
    }
    state.SetItemsProcessed(state.iterations());
    ::close(device);
    ::close(receiver);
}
// The second argument: the request log off (0) or on (1).
BENCHMARK(BM_BootpRequestToReply)->ArgsProduct({{1000, 5000}, {0, 1}})->UseRealTime();

// One lookup through the validated cache: a stat of "bootp.ini" and a hash lookup.
void BM_BootpTableLookupValidated(benchmark::State& state) {
    const int count = int(state.range(0));
    QTemporaryDir dir;
    fillTable(dir.path(), count);
    tavo::BootpTableCache cache(dir.path().toStdString());
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cache.FindByMac(macText(i)));
        i = (i + 7919) % count;
    }
    state.SetLabel(cache.lastValidation() == tavo::BootpTableCache::Validation::Unchanged ? "settled" : "racy");
}
BENCHMARK(BM_BootpTableLookupValidated)->Arg(1000)->Arg(5000);

// The same lookup the way every request did it without the cache: load the whole file.
void BM_BootpTableLookupByLoading(benchmark::State& state) {
    const int count = int(state.range(0));
    QTemporaryDir dir;
    fillTable(dir.path(), count);
    int i = 0;
    for (auto _ : state) {
        tavo::CBootPFDB table(dir.path().toStdString());
        table.Load();
        benchmark::DoNotOptimize(table.FindByMac(macText(i)));
        i = (i + 7919) % count;
    }
}
BENCHMARK(BM_BootpTableLookupByLoading)->Arg(1000)->Arg(5000);

void BM_BootpCheckAndBuildReply(benchmark::State& state) {
    uint8_t datagram[300] = {1, 1, 6};
    datagram[28] = 0x02;
    datagram[29] = 0x4B;
    datagram[30] = 0x7E;
    const auto fields = tavo::makeBootpReplyFields(1, 6, " 10. 77.  0. 16", " 10. 77.  0.  1", "255.255.224.  0");
    for (auto _ : state) {
        const auto request = tavo::checkBootpRequest(datagram);
        benchmark::DoNotOptimize(tavo::buildBootpReply(request.message, fields, {10, 77, 0, 1}));
    }
}
BENCHMARK(BM_BootpCheckAndBuildReply);

}  // namespace

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
