#pragma once

#include <QHostAddress>
#include <utility>

#include "LinkConfig.h"

namespace tavo {

// The IP clear command on a one-shot socket: opened on any local port, connected to the
// device, the one-byte command sent, closed. Nothing is awaited or read; a device that
// answers leaves no trace.
class IpClearCommand {
public:
    explicit IpClearCommand(LinkConfig config) : m_config(std::move(config)) {}

    // True when the stack accepted the datagram (the page reports its text either way).
    bool send(const QHostAddress& device) const;

private:
    LinkConfig m_config;
};

}  // namespace tavo
