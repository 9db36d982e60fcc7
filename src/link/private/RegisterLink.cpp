#include "RegisterLink.h"

#include <QMetaObject>
#include <QThread>

#include "ClientSocket.h"

namespace tavo {

RegisterLink::RegisterLink(LinkConfig config, QObject* parent) : QObject(parent), m_config(std::move(config)) {}

RegisterLink::~RegisterLink() = default;  // the socket goes with its parent

bool RegisterLink::open(const QHostAddress& target) {
    close();
    m_register = new CClientSocket(KIND_SECONDARY, this);
    m_register->Create(0);
    m_register->Connect(target, m_config.devicePort);
    connect(m_register, &CClientSocket::clientSocketData2, this, &RegisterLink::registerReplyWaiting);
    return m_register->isOpen();
}

void RegisterLink::close() {
    if (!m_register) return;
    m_register->Close();
    m_register->deleteLater();
    m_register = nullptr;
}

quint16 RegisterLink::localPort() const { return m_register ? m_register->localPort() : 0; }

bool RegisterLink::sendRegisterCommand(const std::vector<uint8_t>& bytes) {
    const QByteArray datagram = toDatagram(bytes);
    if (QThread::currentThread() == thread()) return sendNow(datagram);
    // The socket is looked up when the send runs, on the owner thread, so a socket
    // replaced in the meantime is never touched.
    return QMetaObject::invokeMethod(this, [this, datagram] { sendNow(datagram); }, Qt::QueuedConnection);
}

bool RegisterLink::sendNow(const QByteArray& datagram) { return m_register && m_register->Send(datagram); }

RegisterReply RegisterLink::receiveRegister() {
    if (!m_register) return {};
    const auto datagram = m_register->Receive();
    return datagram ? decodeRegisterReply(datagramBytes(*datagram)) : RegisterReply{};
}

}  // namespace tavo
