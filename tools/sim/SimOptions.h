#pragma once

#include "SimAddress.h"
#include "SimConfig.h"
#include "SimFaults.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tavo::sim {

struct SimDeviceOption {
    std::optional<Ipv4Address> ip;  // none: the device asks by BootP
    MacAddress mac{};
    SimFaults faults;
};

// The command line of tavo-sim. Devices are formed in order: an --ip, and each fault
// option, applies to the next single --mac; --macs FIRST-LAST and --macs-from MAC
// --count N add a run of devices without an address. Unlike SimConfig, the defaults
// here are the device's own ports and broadcast.
struct SimOptions {
    static constexpr int kMaxDevices = 1000;

    SimConfig config;
    std::vector<SimDeviceOption> devices;
    double maxSeconds = 0;  // 0: run until a signal ends the process
    int httpPort = -1;  // -1: no HTTP; 0: a free port
    QString flashFile;  // preloaded into every device's flash
    bool help = false;
};

struct SimOptionsResult {
    std::optional<SimOptions> options;
    QString error;  // set when options is empty
};

SimOptionsResult parseSimOptions(const QStringList& arguments);  // without the program name
QString simUsage();

}  // namespace tavo::sim
