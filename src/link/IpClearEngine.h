#pragma once

#include <QObject>
#include <string>

#include "AddressText.h"
#include "LinkConfig.h"
#include "TableMessage.h"

namespace tavo {

// What an IP clear needs: the device, the folder of the IP history, and where the
// history's problems go (the page shows them in a message box, the command line on
// stderr).
struct IpClearRequest {
    Ipv4Octets target{};
    std::string dataDir;
    LinkConfig link;
    TableMessageSink tableMessages;
};

struct IpClearResult {
    enum class Status {
        Sent,     // the stack took the one-byte command
        NotSent,  // the stack refused the datagram
    };
    Status status = Status::NotSent;
    Ipv4Octets target{};
};

// The IP clear, once the operator has confirmed it: the address is recorded in the IP
// history first (a history that cannot be written does not hold the command back), then
// the command goes out on a one-shot socket (any local port, connected to the device,
// one byte, closed). Nothing is awaited or read, and no address is refused: a blank
// field reads as 0.0.0.0 and the command goes there. The run is one send on the
// caller's thread, so there is nothing to cancel.
class IpClearEngine final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IpClearEngine)
public:
    explicit IpClearEngine(QObject* parent = nullptr) : QObject(parent) {}

    // Runs the clear to its end; finished() is emitted before it returns.
    IpClearResult start(const IpClearRequest& request);

signals:
    void finished(const IpClearResult& result);
};

}  // namespace tavo
