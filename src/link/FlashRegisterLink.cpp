#include "FlashRegisterLink.h"

#include <QMetaObject>
#include <QThread>

#include "ClientSocket.h"

namespace tavo {
namespace {

void Release(CClientSocket*& socket) {
    if (!socket) return;
    socket->Close();
    socket->deleteLater();
    socket = nullptr;
}

}  // namespace

FlashRegisterLink::FlashRegisterLink(LinkConfig config, QObject* parent)
    : QObject(parent), m_config(std::move(config)) {}

FlashRegisterLink::~FlashRegisterLink() = default;  // the sockets go with their parent

bool FlashRegisterLink::open(const QHostAddress& target) {
    close();
    m_register = makeSocket(KIND_SECONDARY, target);
    m_flash = makeSocket(KIND_PRIMARY, target);
    connect(m_flash, &CClientSocket::clientSocketData, this, &FlashRegisterLink::flashReplyWaiting);
    connect(m_register, &CClientSocket::clientSocketData2, this, &FlashRegisterLink::registerReplyWaiting);
    return m_flash->isOpen() && m_register->isOpen();
}

bool FlashRegisterLink::openRegister(const QHostAddress& target) {
    close();
    m_register = makeSocket(KIND_SECONDARY, target);
    connect(m_register, &CClientSocket::clientSocketData2, this, &FlashRegisterLink::registerReplyWaiting);
    return m_register->isOpen();
}

CClientSocket* FlashRegisterLink::makeSocket(int kind, const QHostAddress& target) {
    auto* socket = new CClientSocket(kind, this);
    socket->Create(0);
    socket->Connect(target, m_config.devicePort);
    return socket;
}

void FlashRegisterLink::closeFlash() { Release(m_flash); }
void FlashRegisterLink::closeRegister() { Release(m_register); }
void FlashRegisterLink::close() {
    closeFlash();
    closeRegister();
}

quint16 FlashRegisterLink::flashLocalPort() const { return m_flash ? m_flash->localPort() : 0; }
quint16 FlashRegisterLink::registerLocalPort() const { return m_register ? m_register->localPort() : 0; }

bool FlashRegisterLink::sendSectorRead(int sector) { return sendOn(Channel::Flash, encodeSectorRead(sector)); }
bool FlashRegisterLink::sendSectorWrite(int sector, std::span<const uint8_t, SECTOR_SIZE> data) {
    return sendOn(Channel::Flash, encodeSectorWrite(sector, data));
}
bool FlashRegisterLink::sendSectorClear(int sector) { return sendOn(Channel::Flash, encodeSectorClear(sector)); }
bool FlashRegisterLink::sendRegisterRead(uint8_t reg) { return sendOn(Channel::Register, encodeRegisterRead(reg)); }
bool FlashRegisterLink::sendRegisterTableRead() { return sendOn(Channel::Register, encodeRegisterTableRead()); }
bool FlashRegisterLink::sendRegisterWrite(uint8_t reg, uint8_t value) {
    return sendOn(Channel::Register, encodeRegisterWrite(reg, value));
}

bool FlashRegisterLink::sendOn(Channel channel, const std::vector<uint8_t>& bytes) {
    const QByteArray datagram = toDatagram(bytes);
    if (QThread::currentThread() == thread()) return sendNow(channel, datagram);
    // The socket is looked up when the send runs, on the owner thread, so a pair
    // replaced in the meantime is never touched.
    return QMetaObject::invokeMethod(this, [this, channel, datagram] { sendNow(channel, datagram); },
                                     Qt::QueuedConnection);
}

bool FlashRegisterLink::sendNow(Channel channel, const QByteArray& datagram) {
    CClientSocket* socket = channel == Channel::Flash ? m_flash : m_register;
    return socket && socket->Send(datagram);
}

SectorReply FlashRegisterLink::receiveSector() {
    if (!m_flash) return {};
    const auto datagram = m_flash->Receive();
    return datagram ? decodeSectorReply(datagramBytes(*datagram)) : SectorReply{};
}

RegisterReply FlashRegisterLink::receiveRegister() {
    if (!m_register) return {};
    const auto datagram = m_register->Receive();
    return datagram ? decodeRegisterReply(datagramBytes(*datagram)) : RegisterReply{};
}

}  // namespace tavo
