#include "DeviceCommand.h"

#include <algorithm>

namespace tavo {
namespace {

std::vector<uint8_t> SectorCommand(uint8_t code, int sector, size_t length) {
    std::vector<uint8_t> datagram(length, 0);
    const auto number = static_cast<uint16_t>(static_cast<unsigned>(sector) & 0xFFFFu);
    datagram[0] = code;
    datagram[1] = static_cast<uint8_t>(number >> 8);
    datagram[2] = static_cast<uint8_t>(number & 0xFF);
    return datagram;
}

// The receive buffer the reader uses: zero-filled, the datagram copied to its front.
// Returns false when the datagram does not fit, which the reader takes as a failed receive.
template <size_t N>
bool fillReceiveBuffer(std::span<const uint8_t> datagram, std::array<uint8_t, N>& buffer) {
    buffer.fill(0);
    if (datagram.size() > N) return false;
    std::copy(datagram.begin(), datagram.end(), buffer.begin());
    return true;
}

}  // namespace

std::vector<uint8_t> encodeIpClear() { return {CMD_IP_CLEAR}; }

std::vector<uint8_t> encodeIpSearch(const MacOctets& mac) {
    std::vector<uint8_t> datagram(IP_SEARCH_LENGTH, 0);
    datagram[0] = CMD_IP_SEARCH;
    std::copy(mac.begin(), mac.end(), datagram.begin() + 1);
    return datagram;
}

std::vector<uint8_t> encodeSectorRead(int sector) {
    return SectorCommand(CMD_SECTOR_READ, sector, SECTOR_READ_LENGTH);
}

std::vector<uint8_t> encodeSectorWrite(int sector, std::span<const uint8_t, SECTOR_SIZE> data) {
    std::vector<uint8_t> datagram = SectorCommand(CMD_SECTOR_WRITE, sector, SECTOR_WRITE_LENGTH);
    std::copy(data.begin(), data.end(), datagram.begin() + SECTOR_HEADER_LENGTH);
    return datagram;
}

std::vector<uint8_t> encodeSectorClear(int sector) {
    return SectorCommand(CMD_SECTOR_WRITE, sector, SECTOR_WRITE_LENGTH);
}

std::vector<uint8_t> encodeRegisterRead(uint8_t reg) { return {CMD_REGISTER_READ, reg}; }

std::vector<uint8_t> encodeRegisterTableRead() { return {CMD_REGISTER_TABLE_READ}; }

std::vector<uint8_t> encodeRegisterWrite(uint8_t reg, uint8_t value) {
    return {CMD_REGISTER_WRITE, reg, value};
}

std::vector<uint8_t> encodeUploadBlock(int block, std::span<const uint8_t> data) {
    if (data.size() > UPLOAD_BLOCK_SIZE) return {};
    std::vector<uint8_t> datagram =
        SectorCommand(CMD_UPLOAD_BLOCK, block, SECTOR_HEADER_LENGTH + data.size());
    std::copy(data.begin(), data.end(), datagram.begin() + SECTOR_HEADER_LENGTH);
    return datagram;
}

SearchReply decodeSearchReply(std::span<const uint8_t> datagram) {
    std::array<uint8_t, SEARCH_REPLY_BUFFER> buffer;
    SearchReply reply;
    if (!fillReceiveBuffer(datagram, buffer)) return reply;
    reply.ok = true;
    std::copy_n(buffer.begin() + 1, reply.mac.size(), reply.mac.begin());
    std::copy_n(buffer.begin() + 7, reply.ip.size(), reply.ip.begin());
    return reply;
}

SectorReply decodeSectorReply(std::span<const uint8_t> datagram) {
    std::array<uint8_t, SECTOR_REPLY_BUFFER> buffer;
    SectorReply reply;
    if (!fillReceiveBuffer(datagram, buffer)) return reply;
    reply.ok = true;
    std::copy_n(buffer.begin() + 1, SECTOR_SIZE, reply.data.begin());
    return reply;
}

RegisterReply decodeRegisterReply(std::span<const uint8_t> datagram) {
    std::array<uint8_t, REGISTER_REPLY_BUFFER> buffer;
    RegisterReply reply;
    if (!fillReceiveBuffer(datagram, buffer)) return reply;
    reply.ok = true;
    if (buffer[0] == CMD_REGISTER_READ) {
        reply.kind = RegisterReplyKind::Value;
        reply.value = buffer[1];
    } else if (buffer[0] == CMD_REGISTER_TABLE_READ) {
        reply.kind = RegisterReplyKind::Table;
        std::copy_n(buffer.begin() + 1, REGISTER_TABLE_COUNT, reply.table.begin());
    }
    return reply;
}

bool searchReplyMatches(const SearchReply& reply, const MacOctets& sentMac) {
    return reply.ok && reply.mac == sentMac;
}

}  // namespace tavo
