#include "IpClearCommand.h"

#include "ClientSocket.h"
#include "DeviceCommand.h"

namespace tavo {

bool IpClearCommand::send(const QHostAddress& device) const {
    CClientSocket socket(KIND_PRIMARY);
    socket.Create(0);
    socket.Connect(device, m_config.devicePort);
    const bool sent = socket.Send(toDatagram(encodeIpClear()));
    socket.Close();
    return sent;
}

}  // namespace tavo
