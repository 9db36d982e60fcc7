#include "UploadSocket.h"

#include "ClientSocket.h"
#include "DeviceCommand.h"

namespace tavo {

UploadSocket::UploadSocket(LinkConfig config, QObject* parent) : QObject(parent), m_config(std::move(config)) {}

UploadSocket::~UploadSocket() = default;  // the socket goes with its parent

bool UploadSocket::open(const QHostAddress& device) {
    close();
    m_socket = new CClientSocket(KIND_PRIMARY, this);
    connect(m_socket, &CClientSocket::clientSocketData, this, &UploadSocket::dropIncoming);
    return m_socket->Create(0) && m_socket->Connect(device, m_config.devicePort);
}

void UploadSocket::close() {
    if (!m_socket) return;
    m_socket->Close();
    m_socket->deleteLater();
    m_socket = nullptr;
}

quint16 UploadSocket::localPort() const { return m_socket ? m_socket->localPort() : 0; }

bool UploadSocket::sendBlock(int block, std::span<const uint8_t> data) {
    const std::vector<uint8_t> bytes = encodeUploadBlock(block, data);
    if (bytes.empty()) return false;
    return m_socket && m_socket->Send(toDatagram(bytes));
}

void UploadSocket::dropIncoming() {
    if (m_socket) m_socket->Receive();
}

}  // namespace tavo
