#pragma once

#include <QHostAddress>
#include <QString>

namespace tavo::sim {

// Where the simulated devices listen and where they ask for an address. The defaults
// here are the safe ones for in-process tests: free ports, and BootP requests only to
// the loopback broadcast. The executable applies the device's real defaults instead.
struct SimConfig {
    static constexpr quint16 kDevicePort = 1024;
    static constexpr quint16 kBootpServerPort = 67;
    static constexpr quint16 kBootpClientPort = 68;
    static constexpr int kBootpIntervalMs = 3000;
    static constexpr int kBootpMaxRequests = 100;

    quint16 devicePort = 0;    // 0: a free port, the same for every device
    bool bindAny = false;      // listen on 0.0.0.0 (inside a namespace) instead of each address
    QHostAddress broadcast = QHostAddress(QStringLiteral("127.255.255.255"));  // BootP requests
    QString interfaceName;     // non-empty: BootP requests leave through this interface
    quint16 bootpServerPort = kBootpServerPort;
    quint16 bootpClientPort = 0;  // 0: a free port (see SimNetwork::bootpClientPort)
    int bootpIntervalMs = kBootpIntervalMs;
    int bootpMaxRequests = kBootpMaxRequests;  // 0: devices never ask by BootP
    int bootpStaggerMs = 0;  // the k-th device without an address starts asking k times this late
    // A lossy, slow network for the replies (the commands themselves always arrive):
    // every dropEvery-th reply is not sent (0: none dropped), and every reply leaves
    // after a delay drawn evenly from delayMinMs..delayMaxMs (0..0: at once), so that
    // replies may also overtake each other.
    int dropEvery = 0;
    // A lost command: every sector write (or upload block) to this sector number is
    // dropped on arrival, as if the network had lost it (-1: none).
    int dropWriteSector = -1;
    int delayMinMs = 0;
    int delayMaxMs = 0;
};

}  // namespace tavo::sim
