#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "DeviceCommand.h"

// The layout of the dump viewer, shared by the viewer and the command line: byte texts,
// column headers, row labels and which byte goes into which cell. A table has 16 rows.
//   Flash mode: 16 columns "00".."0f"; row r shows bytes 16r..16r+15 of one sector.
//   Register mode: 15 columns "10".."f0" (the register's high digit); row r ("00".."0F",
//   the low digit) holds registers 0x1r, 0x2r, ... 0xFr.
namespace tavo {

inline constexpr int DUMP_ROWS = 16;
inline constexpr int FLASH_COLUMNS = 16;
inline constexpr int REGISTER_COLUMNS = 15;

// Two upper-case hexadecimal digits: "0A", "FF".
std::string byteText(uint8_t value);
// Column c (0..15) of a sector page: "00".."0f".
std::string flashColumnHeader(int column);
// Column j (1..15) of the register page: "10".."f0".
std::string registerColumnHeader(int column);
// "0000".."000F".
std::string flashRowLabel(int row);
// "00".."0F".
std::string registerRowLabel(int row);
// Byte `column` (0..15) of row `row` of a sector.
inline uint8_t flashCell(const SectorData& sector, int row, int column) {
    return sector[static_cast<size_t>(DUMP_ROWS * row + column)];
}
// The value of register 16 * column + row (column 1..15, row 0..15).
inline uint8_t registerCell(const RegisterTable& table, int row, int column) {
    return table[static_cast<size_t>(DUMP_ROWS * (column - 1) + row)];
}
// The character of a byte in an ASCII column: printable ASCII as itself, else '.'.
char asciiChar(uint8_t value);
std::string asciiText(std::span<const uint8_t> bytes);

// One line of the command line's hex dump: the offset in eight hexadecimal digits, the
// bytes as two lower-case digits each (a gap after the eighth), and the ASCII column.
// With no bytes (a missing sector's line) the cells read "--".
std::string hexDumpLine(uint32_t offset, std::span<const uint8_t> bytes);
std::string missingHexDumpLine(uint32_t offset);

}  // namespace tavo
