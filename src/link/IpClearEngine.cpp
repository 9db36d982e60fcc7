#include "IpClearEngine.h"

#include <QHostAddress>

#include "ClientSocket.h"
#include "DeviceCommand.h"
#include "IPFDB.h"

namespace tavo {

IpClearResult IpClearEngine::start(const IpClearRequest& request) {
    const auto& ip = request.target;
    CIPFDB::AddIfAbsent(request.dataDir, ip[0], ip[1], ip[2], ip[3], request.tableMessages);

    CClientSocket socket(KIND_PRIMARY);
    socket.Create(0);
    socket.Connect(QHostAddress(QString::fromStdString(formatDotted(ip))), request.link.devicePort);
    const bool sent = socket.Send(toDatagram(encodeIpClear()));
    socket.Close();

    const IpClearResult result{sent ? IpClearResult::Status::Sent : IpClearResult::Status::NotSent, ip};
    emit finished(result);
    return result;
}

}  // namespace tavo
