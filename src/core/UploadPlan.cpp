#include "UploadPlan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#ifdef _WIN32
#include <filesystem>
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

namespace {

ProjectFile failed(ProjectFileStatus status, uint64_t length = 0) {
    ProjectFile file;
    file.status = status;
    file.length = length;
    file.reason = std::strerror(errno);
    return file;
}

}  // namespace

#ifdef _WIN32
// Windows has no pipes in the file system's place: the file is checked, sized and read.
ProjectFile loadProjectFile(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path file = fs::u8path(path);
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
        errno = error ? error.value() : EINVAL;
        return failed(ProjectFileStatus::CannotOpen);
    }
    const uint64_t length = fs::file_size(file, error);
    if (error) return failed(ProjectFileStatus::CannotOpen);
    if (length > UPLOAD_LIMIT) {
        ProjectFile result;
        result.status = ProjectFileStatus::TooLarge;
        result.length = length;
        return result;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) return failed(ProjectFileStatus::CannotOpen);
    ProjectFile result;
    result.length = length;
    result.bytes.resize(length);
    if (!in.read(reinterpret_cast<char*>(result.bytes.data()), std::streamsize(length))) {
        errno = EIO;  // the file shrank while it was read, or the read failed
        return failed(ProjectFileStatus::CannotRead, length);
    }
    result.status = ProjectFileStatus::Ok;
    return result;
}
#else
namespace {
struct FileCloser {
    int fd;
    ~FileCloser() { ::close(fd); }
};
}  // namespace

ProjectFile loadProjectFile(const std::string& path) {
    // O_NONBLOCK: a pipe put in the file's place does not hang the open or the read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return failed(ProjectFileStatus::CannotOpen);
    const FileCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) return failed(ProjectFileStatus::CannotOpen);
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return failed(ProjectFileStatus::CannotOpen);
    }
    const auto length = static_cast<uint64_t>(info.st_size);
    if (length > UPLOAD_LIMIT) {
        ProjectFile file;
        file.status = ProjectFileStatus::TooLarge;
        file.length = length;
        return file;
    }
    ProjectFile file;
    file.length = length;
    file.bytes.resize(length);
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::read(fd, file.bytes.data() + done, length - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got == 0) errno = EIO;  // the file shrank while it was read
            return failed(ProjectFileStatus::CannotRead, length);
        }
        done += static_cast<size_t>(got);
    }
    file.status = ProjectFileStatus::Ok;
    return file;
}
#endif

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
