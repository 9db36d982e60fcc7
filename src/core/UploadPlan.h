#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "DeviceCommand.h"
#include "FlashDump.h"

// The upload of a project file into a device's flash: the file, unchanged, in numbered
// blocks of 256 bytes from its first byte, block k carrying the bytes from 256·k on and
// the last one shorter when the length is not a multiple of 256. Block k lands in flash
// sector k, so a read of sectors 0..N-1 gives the file back.
namespace tavo {

// The largest file the upload takes: 2032 blocks, numbers 0 to 2031.
inline constexpr uint64_t UPLOAD_LIMIT = 520192;
inline constexpr int UPLOAD_MAX_BLOCKS = static_cast<int>(UPLOAD_LIMIT / UPLOAD_BLOCK_SIZE);

// N = L / 256 rounded up.
int uploadBlockCount(uint64_t length);
// The data bytes of block k of `image` (256, or the rest for the last block).
std::span<const uint8_t> uploadBlockData(std::span<const uint8_t> image, int block);
// The datagram of block k of `image`: 0x40, k big-endian, the block's bytes.
std::vector<uint8_t> uploadDatagram(std::span<const uint8_t> image, int block);

// Reading the project file to send.
enum class ProjectFileStatus {
    Ok,
    CannotOpen,  // missing, not a regular file, or not readable
    CannotRead,  // opened, but reading failed or gave fewer bytes than its length
    TooLarge,    // longer than UPLOAD_LIMIT: not read at all
};

struct ProjectFile {
    ProjectFileStatus status = ProjectFileStatus::CannotOpen;
    uint64_t length = 0;         // the file's length (also when TooLarge)
    std::vector<uint8_t> bytes;  // the whole file when Ok
    std::string reason;          // the system's words for CannotOpen / CannotRead
    bool ok() const { return status == ProjectFileStatus::Ok; }
};

// Takes the file's length first and reads it only when the upload would take it, so a
// huge or endless file is refused without being read.
ProjectFile loadProjectFile(const std::string& path);

// A read-back against the image, block by block, over the blocks of the file that the
// dump's range covers. Only the bytes a block carried are compared: the rest of a short
// last sector keeps whatever the flash held before. Blocks whose sector did not come back
// are neither equal nor different: they are missing.
struct BlockComparison {
    int blocks = 0;  // blocks compared
    std::vector<int> differing;  // in block order
    std::vector<int> missing;    // in block order
    std::optional<int> firstDifference() const {
        return differing.empty() ? std::nullopt : std::optional<int>(differing.front());
    }
    bool matches() const { return differing.empty() && missing.empty(); }
};
BlockComparison compareBlocks(const FlashDump& dump, std::span<const uint8_t> image);

}  // namespace tavo
