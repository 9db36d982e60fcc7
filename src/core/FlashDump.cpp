#include "FlashDump.h"

#include "DurableFile.h"

#include <algorithm>

namespace tavo {

FlashDump::FlashDump(int from, int to) : m_from(from), m_to(to) {
    const int count = to >= from ? to - from + 1 : 0;
    m_rows.assign(static_cast<size_t>(count), SectorData{});
    m_received.assign(static_cast<size_t>(count), false);
}

bool FlashDump::store(int sector, const SectorData& data) {
    if (!contains(sector)) return false;
    const auto row = static_cast<size_t>(sector - m_from);
    m_rows[row] = data;
    m_received[row] = true;
    return true;
}

bool FlashDump::has(int sector) const {
    return contains(sector) && m_received[static_cast<size_t>(sector - m_from)];
}

const SectorData* FlashDump::sector(int sector) const {
    return has(sector) ? &m_rows[static_cast<size_t>(sector - m_from)] : nullptr;
}

std::vector<int> FlashDump::missing() const {
    std::vector<int> result;
    for (size_t row = 0; row < m_received.size(); ++row)
        if (!m_received[row]) result.push_back(m_from + static_cast<int>(row));
    return result;
}

std::vector<uint8_t> FlashDump::rawBytes(uint8_t fill) const {
    std::vector<uint8_t> bytes;
    bytes.reserve(m_rows.size() * SECTOR_SIZE);
    for (size_t row = 0; row < m_rows.size(); ++row) {
        if (m_received[row]) {
            bytes.insert(bytes.end(), m_rows[row].begin(), m_rows[row].end());
        } else {
            bytes.insert(bytes.end(), SECTOR_SIZE, fill);
        }
    }
    return bytes;
}

DumpComparison compareDump(const FlashDump& dump, std::span<const uint8_t> file) {
    DumpComparison result;
    result.dumpLength = static_cast<uint64_t>(dump.sectorCount()) * SECTOR_SIZE;
    result.fileLength = file.size();
    const uint64_t common = std::min(result.dumpLength, result.fileLength);
    for (uint64_t offset = 0; offset < common; offset += SECTOR_SIZE) {
        const int number = dump.from() + static_cast<int>(offset / SECTOR_SIZE);
        const uint64_t length = std::min<uint64_t>(SECTOR_SIZE, common - offset);
        const SectorData* data = dump.sector(number);
        if (!data) {
            result.uncomparedBytes += length;
            continue;
        }
        for (uint64_t i = 0; i < length; ++i) {
            if ((*data)[i] == file[offset + i]) continue;
            if (!result.firstDifference) result.firstDifference = offset + i;
            ++result.differingBytes;
        }
    }
    if (!result.firstDifference && result.lengthsDiffer()) result.firstDifference = common;
    return result;
}

std::string sectorList(const std::vector<int>& sectors) {
    std::string list;
    for (int s : sectors) {
        if (!list.empty()) list += ", ";
        list += std::to_string(s);
    }
    return list;
}

bool writeDumpFile(const std::string& path, const FlashDump& dump, std::string& error) {
    const std::vector<uint8_t> bytes = dump.rawBytes();
    DurableFile file(path);
    const bool written = file.write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path) &&
                         file.commit();
    if (!written) error = file.error();
    return written;
}

}  // namespace tavo
