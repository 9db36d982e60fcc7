#include "SafeFileRead.h"

#ifdef _WIN32
#include "WindowsFileText.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace tavo {

#ifdef _WIN32
using windows::lastErrorText;
using windows::widePath;

// With links refused, a link (reparse point) put in the file's place is opened as itself
// and refused as not a file.
FileRead readFileSafely(const std::string& path, FileReadOptions options) {
    FileRead result;
    const DWORD flags = options.followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT;
    const HANDLE file =
        CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        result.reason = lastErrorText();
        return result;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const DWORD notAFile = FILE_ATTRIBUTE_DIRECTORY | (options.followLinks ? 0 : FILE_ATTRIBUTE_REPARSE_POINT);
    if (GetFileInformationByHandle(file, &info) == 0 || GetFileType(file) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & notAFile) != 0) {
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_INVALID_PARAMETER);
        result.reason = lastErrorText();
        CloseHandle(file);
        return result;
    }
    result.length = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (result.length > options.limit) {
        result.status = FileReadStatus::TooLarge;
        CloseHandle(file);
        return result;
    }
    result.bytes.reserve(static_cast<size_t>(result.length));
    uint8_t chunk[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr) != 0) && got > 0)
        result.bytes.insert(result.bytes.end(), chunk, chunk + got);
    if (ok) {
        result.status = FileReadStatus::Ok;
    } else {
        result.status = FileReadStatus::CannotRead;
        result.reason = lastErrorText();
    }
    CloseHandle(file);
    return result;
}
#else
namespace {
struct FileCloser {
    int fd;
    ~FileCloser() { ::close(fd); }
};
}  // namespace

FileRead readFileSafely(const std::string& path, FileReadOptions options) {
    FileRead result;
    // O_NONBLOCK: a pipe put in the file's place does not hang the open or the read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (options.followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        result.reason = std::strerror(errno);
        return result;
    }
    const FileCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.reason = std::strerror(errno);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.reason = std::strerror(EINVAL);
        return result;
    }
    result.length = static_cast<uint64_t>(info.st_size);
    if (result.length > options.limit) {
        result.status = FileReadStatus::TooLarge;
        return result;
    }
    result.bytes.reserve(static_cast<size_t>(result.length));
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            result.status = FileReadStatus::CannotRead;
            result.reason = std::strerror(errno);
            return result;
        }
        if (got == 0) break;
        result.bytes.insert(result.bytes.end(), chunk, chunk + got);
    }
    result.status = FileReadStatus::Ok;
    return result;
}
#endif

}  // namespace tavo
