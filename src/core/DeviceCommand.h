#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "AddressText.h"

// The command datagrams of the TAVO 707 (UDP, device port) and the replies it sends back.
// Every command is one datagram: the command code, then a fixed argument block. The only
// multi-byte number, the sector (or upload block) number, is big-endian and cut to 16 bits.
namespace tavo {

// Command codes.
inline constexpr uint8_t CMD_IP_CLEAR = 0x36;
inline constexpr uint8_t CMD_IP_SEARCH = 0x35;
inline constexpr uint8_t CMD_SECTOR_READ = 0x50;
inline constexpr uint8_t CMD_SECTOR_WRITE = 0x40;
inline constexpr uint8_t CMD_UPLOAD_BLOCK = 0x40;  // same layout as a sector write
inline constexpr uint8_t CMD_REGISTER_READ = 0x30;
inline constexpr uint8_t CMD_REGISTER_TABLE_READ = 0x10;
inline constexpr uint8_t CMD_REGISTER_WRITE = 0x20;

// Flash geometry.
inline constexpr size_t SECTOR_SIZE = 256;
inline constexpr int SECTOR_COUNT = 2048;
inline constexpr size_t UPLOAD_BLOCK_SIZE = SECTOR_SIZE;

// Datagram lengths.
inline constexpr size_t IP_CLEAR_LENGTH = 1;
inline constexpr size_t IP_SEARCH_LENGTH = 60;
inline constexpr size_t SECTOR_HEADER_LENGTH = 3;  // code and 16-bit sector number
inline constexpr size_t SECTOR_READ_LENGTH = SECTOR_HEADER_LENGTH;
inline constexpr size_t SECTOR_WRITE_LENGTH = SECTOR_HEADER_LENGTH + SECTOR_SIZE;  // 259
inline constexpr size_t REGISTER_READ_LENGTH = 2;
inline constexpr size_t REGISTER_TABLE_READ_LENGTH = 1;
inline constexpr size_t REGISTER_WRITE_LENGTH = 3;

// Receive buffers. A shorter reply leaves the rest zero; a longer one is a failed receive.
inline constexpr size_t SEARCH_REPLY_BUFFER = 66;
inline constexpr size_t SECTOR_REPLY_BUFFER = 257;
inline constexpr size_t REGISTER_REPLY_BUFFER = 241;

// The register table reply carries registers 0x10..0xFF.
inline constexpr int REGISTER_TABLE_FIRST = 0x10;
inline constexpr size_t REGISTER_TABLE_COUNT = 240;

using SectorData = std::array<uint8_t, SECTOR_SIZE>;
using RegisterTable = std::array<uint8_t, REGISTER_TABLE_COUNT>;

std::vector<uint8_t> encodeIpClear();
std::vector<uint8_t> encodeIpSearch(const MacOctets& mac);
std::vector<uint8_t> encodeSectorRead(int sector);
std::vector<uint8_t> encodeSectorWrite(int sector, std::span<const uint8_t, SECTOR_SIZE> data);
std::vector<uint8_t> encodeSectorClear(int sector);  // a sector write of 256 zero bytes
std::vector<uint8_t> encodeRegisterRead(uint8_t reg);
std::vector<uint8_t> encodeRegisterTableRead();
std::vector<uint8_t> encodeRegisterWrite(uint8_t reg, uint8_t value);
// Block n of an upload: 3 + data.size() bytes. Data longer than one block is refused
// with an empty result rather than cut, so that no part of an image is silently lost.
std::vector<uint8_t> encodeUploadBlock(int block, std::span<const uint8_t> data);

// Replies. Each decoder takes the whole received datagram; ok is false when it was
// longer than its receive buffer (a failed receive).
struct SearchReply {
    bool ok = false;
    MacOctets mac{};
    Ipv4Octets ip{};
};

struct SectorReply {
    bool ok = false;
    SectorData data{};
};

enum class RegisterReplyKind { Value, Table, Unknown };

struct RegisterReply {
    bool ok = false;
    RegisterReplyKind kind = RegisterReplyKind::Unknown;
    uint8_t value = 0;    // Value: the register's value
    RegisterTable table{};  // Table: registers 0x10..0xFF in order
};

// Byte 0 is not examined: any datagram on the search socket is a search reply.
SearchReply decodeSearchReply(std::span<const uint8_t> datagram);
// Byte 0 is not examined: any datagram on the flash socket is a sector reply.
SectorReply decodeSectorReply(std::span<const uint8_t> datagram);
// Recognised by byte 0: 0x30 value, 0x10 table, anything else Unknown (to be ignored).
RegisterReply decodeRegisterReply(std::span<const uint8_t> datagram);

// A search reply names the device that was asked for only when it carries the MAC of
// the request that was sent.
bool searchReplyMatches(const SearchReply& reply, const MacOctets& sentMac);

}  // namespace tavo
