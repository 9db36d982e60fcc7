#pragma once

#include "SimAddress.h"

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <memory>
#include <optional>

namespace tavo::sim {

// Command codes of the device port, first byte of every datagram.
namespace code {
constexpr quint8 kRegisterTable = 0x10;
constexpr quint8 kRegisterWrite = 0x20;
constexpr quint8 kRegisterRead = 0x30;
constexpr quint8 kSearch = 0x35;
constexpr quint8 kClear = 0x36;
constexpr quint8 kSectorWrite = 0x40;
constexpr quint8 kSectorRead = 0x50;
}  // namespace code

// What one datagram did to the device.
struct SimOutcome {
    QByteArray reply;      // empty: nothing is sent back
    bool handled = false;  // the device took the datagram as a command (it had an address)
    bool cleared = false;  // the datagram removed the device's address
};

// One simulated device: its addresses, flash and registers, and the command handling
// as a pure function of a datagram, so that it can be tested without sockets.
//
// Choices where the device's own behaviour is free:
// - flash starts erased (every byte 0xFF), registers start at 0;
// - sectors 2048 and above are outside the flash: writes to them are dropped and reads
//   of them get no reply (nothing wraps onto the real sectors);
// - a sector write shorter than 259 bytes (the last upload block) stores the bytes it
//   carries at the start of the sector and leaves the rest; bytes beyond 259 are ignored;
// - a datagram too short for its command, or of an unknown code, changes nothing and
//   gets no reply; bytes beyond a command's layout are ignored;
// - a device without an address does not take commands at all.
class SimDevice {
public:
    static constexpr int kSectorSize = 256;
    static constexpr int kSectorCount = 2048;
    static constexpr int kRegisterCount = 256;
    static constexpr int kTableFirstRegister = 0x10;
    static constexpr int kSearchReplySize = 11;
    static constexpr quint8 kErasedByte = 0xFF;

    using Flash = std::array<quint8, kSectorSize * kSectorCount>;
    using Registers = std::array<quint8, kRegisterCount>;

    SimDevice(const MacAddress& mac, std::optional<Ipv4Address> ip);

    SimOutcome handle(QByteArrayView datagram);

    const MacAddress& mac() const { return m_mac; }
    const std::optional<Ipv4Address>& address() const { return m_ip; }
    const Ipv4Address& gateway() const { return m_gateway; }
    const Ipv4Address& mask() const { return m_mask; }
    // The address a BootP reply gave, with its gateway and mask.
    void configure(const Ipv4Address& ip, const Ipv4Address& gateway, const Ipv4Address& mask);

    Flash& flash() { return *m_flash; }
    const Flash& flash() const { return *m_flash; }
    QByteArray sector(int number) const;
    Registers& registers() { return m_registers; }
    const Registers& registers() const { return m_registers; }

private:
    QByteArray search(QByteArrayView datagram) const;
    QByteArray readSector(QByteArrayView datagram) const;
    void writeSector(QByteArrayView datagram);
    QByteArray readRegister(QByteArrayView datagram) const;
    QByteArray registerTable() const;
    void writeRegister(QByteArrayView datagram);

    MacAddress m_mac;
    std::optional<Ipv4Address> m_ip;
    Ipv4Address m_gateway{};
    Ipv4Address m_mask{};
    std::unique_ptr<Flash> m_flash;  // 512 KiB: kept off the stack and out of moves
    Registers m_registers{};
};

}  // namespace tavo::sim
