#include "DumpText.h"

#include <cstdio>

namespace tavo {
namespace {

constexpr int kLineBytes = 16;

std::string format(const char* pattern, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string hexLine(uint32_t offset, const std::string& cells, const std::string& ascii) {
    return format("%08x", offset) + "  " + cells + " |" + ascii + "|";
}

}  // namespace

std::string byteText(uint8_t value) { return format("%02X", value); }

std::string flashColumnHeader(int column) { return format("0%x", static_cast<unsigned>(column)); }

std::string registerColumnHeader(int column) { return format("%x0", static_cast<unsigned>(column)); }

std::string flashRowLabel(int row) { return "00" + byteText(static_cast<uint8_t>(row)); }

std::string registerRowLabel(int row) { return byteText(static_cast<uint8_t>(row)); }

char asciiChar(uint8_t value) { return value >= 0x20 && value < 0x7F ? static_cast<char>(value) : '.'; }

std::string asciiText(std::span<const uint8_t> bytes) {
    std::string text;
    for (uint8_t b : bytes) text += asciiChar(b);
    return text;
}

std::string hexDumpLine(uint32_t offset, std::span<const uint8_t> bytes) {
    std::string cells;
    for (int i = 0; i < kLineBytes; ++i) {
        if (i == 8) cells += ' ';
        cells += i < static_cast<int>(bytes.size()) ? format("%02x", bytes[static_cast<size_t>(i)]) : "  ";
        if (i + 1 < kLineBytes) cells += ' ';
    }
    return hexLine(offset, cells, asciiText(bytes));
}

std::string missingHexDumpLine(uint32_t offset) {
    std::string cells;
    for (int i = 0; i < kLineBytes; ++i) {
        if (i == 8) cells += ' ';
        cells += "--";
        if (i + 1 < kLineBytes) cells += ' ';
    }
    return hexLine(offset, cells, std::string(kLineBytes, ' '));
}

}  // namespace tavo
