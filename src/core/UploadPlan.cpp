#include "UploadPlan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "SafeFileRead.h"

namespace tavo {

int uploadBlockCount(uint64_t length) {
    return static_cast<int>((length + UPLOAD_BLOCK_SIZE - 1) / UPLOAD_BLOCK_SIZE);
}

std::span<const uint8_t> uploadBlockData(std::span<const uint8_t> image, int block) {
    const size_t from = static_cast<size_t>(block) * UPLOAD_BLOCK_SIZE;
    if (block < 0 || from >= image.size()) return {};
    return image.subspan(from, std::min(UPLOAD_BLOCK_SIZE, image.size() - from));
}

std::vector<uint8_t> uploadDatagram(std::span<const uint8_t> image, int block) {
    return encodeUploadBlock(block, uploadBlockData(image, block));
}

// The file's length is taken first and the file read only when the upload would take it.
// The bytes of its length when opened are sent: a file that shrank meanwhile is refused,
// one that grew is cut where it ended when it was opened.
ProjectFile loadProjectFile(const std::string& path) {
    FileRead read = readFileSafely(path, {.followLinks = true, .limit = UPLOAD_LIMIT});
    ProjectFile file;
    file.length = read.length;
    file.reason = std::move(read.reason);
    switch (read.status) {
    case FileReadStatus::Ok:
        if (read.bytes.size() < read.length) {
            file.status = ProjectFileStatus::CannotRead;
            file.reason = std::strerror(EIO);
            return file;
        }
        read.bytes.resize(static_cast<size_t>(read.length));
        file.bytes = std::move(read.bytes);
        file.status = ProjectFileStatus::Ok;
        return file;
    case FileReadStatus::CannotOpen: file.status = ProjectFileStatus::CannotOpen; return file;
    case FileReadStatus::TooLarge: file.status = ProjectFileStatus::TooLarge; return file;
    case FileReadStatus::CannotRead: file.status = ProjectFileStatus::CannotRead; return file;
    }
    return file;
}

BlockComparison compareBlocks(const FlashDump& dump, std::span<const uint8_t> image) {
    BlockComparison result;
    const int last = std::min(dump.to(), uploadBlockCount(image.size()) - 1);
    for (int k = std::max(dump.from(), 0); k <= last; ++k) {
        ++result.blocks;
        const SectorData* sector = dump.sector(k);
        if (!sector) {
            result.missing.push_back(k);
            continue;
        }
        const std::span<const uint8_t> data = uploadBlockData(image, k);
        if (!std::equal(data.begin(), data.end(), sector->begin())) result.differing.push_back(k);
    }
    return result;
}

}  // namespace tavo
