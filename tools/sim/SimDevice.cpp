#include "SimDevice.h"

#include <algorithm>

namespace tavo::sim {

namespace {
constexpr int kSearchMacOffset = 1;
constexpr int kSearchRequestMin = kSearchMacOffset + 6;
constexpr int kSectorHeader = 3;  // code, sector high byte, sector low byte
constexpr int kRegisterReadSize = 2;
constexpr int kRegisterWriteSize = 3;

quint8 At(QByteArrayView data, int i) { return static_cast<quint8>(data[i]); }

int SectorNumber(QByteArrayView datagram) { return At(datagram, 1) * 256 + At(datagram, 2); }
}  // namespace

SimDevice::SimDevice(const MacAddress& mac, std::optional<Ipv4Address> ip)
    : m_mac(mac), m_ip(ip), m_flash(std::make_unique<Flash>()) {
    m_flash->fill(kErasedByte);
}

void SimDevice::configure(const Ipv4Address& ip, const Ipv4Address& gateway, const Ipv4Address& mask) {
    m_ip = ip;
    m_gateway = gateway;
    m_mask = mask;
}

SimOutcome SimDevice::handle(QByteArrayView datagram) {
    SimOutcome outcome;
    if (!m_ip || datagram.isEmpty()) return outcome;
    outcome.handled = true;
    switch (At(datagram, 0)) {
    case code::kSearch: outcome.reply = search(datagram); break;
    case code::kClear:
        m_ip.reset();
        outcome.cleared = true;
        break;
    case code::kSectorRead: outcome.reply = readSector(datagram); break;
    case code::kSectorWrite: writeSector(datagram); break;
    case code::kRegisterRead: outcome.reply = readRegister(datagram); break;
    case code::kRegisterTable: outcome.reply = registerTable(); break;
    case code::kRegisterWrite: writeRegister(datagram); break;
    default: break;
    }
    return outcome;
}

// Only the device whose MAC the request carries answers, with its MAC and address.
QByteArray SimDevice::search(QByteArrayView datagram) const {
    if (datagram.size() < kSearchRequestMin) return {};
    for (int i = 0; i < 6; ++i)
        if (At(datagram, kSearchMacOffset + i) != m_mac[i]) return {};
    QByteArray reply(kSearchReplySize, '\0');
    reply[0] = char(code::kSearch);
    for (int i = 0; i < 6; ++i) reply[1 + i] = char(m_mac[i]);
    for (int i = 0; i < 4; ++i) reply[7 + i] = char((*m_ip)[i]);
    return reply;
}

QByteArray SimDevice::sector(int number) const {
    if (number < 0 || number >= kSectorCount) return {};
    const auto* begin = m_flash->data() + number * kSectorSize;
    return QByteArray(reinterpret_cast<const char*>(begin), kSectorSize);
}

QByteArray SimDevice::readSector(QByteArrayView datagram) const {
    if (datagram.size() < kSectorHeader) return {};
    const QByteArray data = sector(SectorNumber(datagram));
    if (data.isEmpty()) return {};
    return QByteArray(1, char(code::kSectorRead)) + data;
}

void SimDevice::writeSector(QByteArrayView datagram) {
    if (datagram.size() < kSectorHeader) return;
    const int number = SectorNumber(datagram);
    if (number >= kSectorCount) return;
    const auto count = std::min<qsizetype>(datagram.size() - kSectorHeader, kSectorSize);
    const auto* from = reinterpret_cast<const quint8*>(datagram.data()) + kSectorHeader;
    std::copy(from, from + count, m_flash->begin() + number * kSectorSize);
}

QByteArray SimDevice::readRegister(QByteArrayView datagram) const {
    if (datagram.size() < kRegisterReadSize) return {};
    QByteArray reply(2, '\0');
    reply[0] = char(code::kRegisterRead);
    reply[1] = char(m_registers[At(datagram, 1)]);
    return reply;
}

// Registers 0x10..0xFF in order after the code: 241 bytes.
QByteArray SimDevice::registerTable() const {
    QByteArray reply(1, char(code::kRegisterTable));
    const auto* first = reinterpret_cast<const char*>(m_registers.data()) + kTableFirstRegister;
    reply.append(first, kRegisterCount - kTableFirstRegister);
    return reply;
}

void SimDevice::writeRegister(QByteArrayView datagram) {
    if (datagram.size() < kRegisterWriteSize) return;
    m_registers[At(datagram, 1)] = At(datagram, 2);
}

}  // namespace tavo::sim
