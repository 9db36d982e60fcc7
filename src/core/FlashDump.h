#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "DeviceCommand.h"

// What a flash read brought back: one row per sector of the range, each either the
// sector's own 256 bytes or missing (no reply bound to that sector's request arrived).
// A missing sector never holds another sector's bytes, nor zeros passed off as data.
namespace tavo {

class FlashDump {
public:
    FlashDump() = default;
    // An empty dump of the range from..to, every sector missing. The range must be valid.
    FlashDump(int from, int to);

    int from() const { return m_from; }
    int to() const { return m_to; }
    int sectorCount() const { return static_cast<int>(m_rows.size()); }
    bool contains(int sector) const { return sector >= m_from && sector <= m_to && !m_rows.empty(); }

    // Only sectors of the range are stored; anything else is refused (false).
    bool store(int sector, const SectorData& data);
    bool has(int sector) const;
    // The sector's bytes, or nothing when it is missing or outside the range.
    const SectorData* sector(int sector) const;
    std::vector<int> missing() const;
    bool complete() const { return missing().empty(); }

    // The whole range as raw bytes, 256 a sector; a missing sector's place is filled with
    // `fill` (callers name the missing sectors beside the bytes).
    std::vector<uint8_t> rawBytes(uint8_t fill = 0) const;

private:
    int m_from = 0;
    int m_to = -1;
    std::vector<SectorData> m_rows;
    std::vector<bool> m_received;
};

// A dump against the bytes of a file that should hold the same range (offset 0 = first
// byte of the first sector). Bytes of missing sectors are not compared.
struct DumpComparison {
    std::optional<uint64_t> firstDifference;  // offset of the first differing byte
    uint64_t differingBytes = 0;               // within the length both have
    uint64_t dumpLength = 0;
    uint64_t fileLength = 0;
    uint64_t uncomparedBytes = 0;  // bytes of missing sectors, left out
    bool lengthsDiffer() const { return dumpLength != fileLength; }
    bool identical() const { return !firstDifference && !lengthsDiffer(); }
};
DumpComparison compareDump(const FlashDump& dump, std::span<const uint8_t> file);

// Sector numbers as the operator reads them: "3, 7, 12".
std::string sectorList(const std::vector<int>& sectors);

// Writes the dump's raw bytes (a missing sector as zeros) to `path` (UTF-8) through the
// durable write, so the file holds either its old contents or the whole dump, never a
// part. False with `error` (for the operator) on failure.
bool writeDumpFile(const std::string& path, const FlashDump& dump, std::string& error);

}  // namespace tavo
