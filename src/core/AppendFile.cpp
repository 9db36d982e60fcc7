#include "AppendFile.h"

#ifdef _WIN32
#include "WindowsFileText.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#endif

namespace tavo::append_file {
namespace {

constexpr size_t kReadChunk = 1 << 16;

std::string partialWriteText(size_t written, size_t size) {
    return "only " + std::to_string(written) + " of " + std::to_string(size) + " bytes could be written";
}

}  // namespace

#ifdef _WIN32

namespace {

HANDLE native(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

using windows::lastErrorText;
using windows::widePath;

bool moveTo(HANDLE file, int64_t offset, DWORD from) {
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    return SetFilePointerEx(file, distance, nullptr, from) != 0;
}

}  // namespace

Opened openOrCreate(const std::string& utf8Path) {
    Opened opened;
    const std::wstring path = widePath(utf8Path);
    // Sharing reads only: a second program that opens the report for writing is refused.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    opened.created = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS)
        file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        opened.error = lastErrorText();
        return opened;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        opened.error = "not a regular file";
        return opened;
    }
    opened.handle = reinterpret_cast<intptr_t>(file);
    return opened;
}

bool fileSize(intptr_t handle, uint64_t& size, std::string& error) {
    LARGE_INTEGER length{};
    if (GetFileSizeEx(native(handle), &length) == 0) {
        error = lastErrorText();
        return false;
    }
    size = static_cast<uint64_t>(length.QuadPart);
    return true;
}

bool readAll(intptr_t handle, uint64_t limit, std::string& out, bool& tooLarge, std::string& error) {
    out.clear();
    tooLarge = false;
    uint64_t size = 0;
    if (!fileSize(handle, size, error)) return false;
    if (size > limit) {
        tooLarge = true;
        return false;
    }
    if (!moveTo(native(handle), 0, FILE_BEGIN)) {
        error = lastErrorText();
        return false;
    }
    out.reserve(static_cast<size_t>(size));
    char chunk[kReadChunk];
    DWORD got = 0;
    while (true) {
        if (ReadFile(native(handle), chunk, sizeof chunk, &got, nullptr) == 0) {
            error = lastErrorText();
            return false;
        }
        if (got == 0) return true;
        out.append(chunk, got);
        if (out.size() > limit) {
            tooLarge = true;
            return false;
        }
    }
}

bool truncateTo(intptr_t handle, uint64_t length, std::string& error) {
    if (!moveTo(native(handle), static_cast<int64_t>(length), FILE_BEGIN) || SetEndOfFile(native(handle)) == 0) {
        error = lastErrorText();
        return false;
    }
    return true;
}

bool sync(intptr_t handle, std::string& error) {
    if (FlushFileBuffers(native(handle)) == 0) {
        error = lastErrorText();
        return false;
    }
    return true;
}

bool appendAndSync(intptr_t handle, std::string_view bytes, std::string& error) {
    uint64_t before = 0;
    if (!fileSize(handle, before, error)) return false;
    if (!moveTo(native(handle), 0, FILE_END)) {
        error = lastErrorText();
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(native(handle), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (ok == 0 || written != bytes.size()) {
        error = ok == 0 ? lastErrorText() : partialWriteText(written, bytes.size());
        std::string ignored;
        if (truncateTo(handle, before, ignored)) sync(handle, ignored);
        return false;
    }
    return sync(handle, error);
}

bool syncFolderOf(const std::string&, std::string&) { return true; }

void close(intptr_t handle) {
    if (handle != kNoHandle) CloseHandle(native(handle));
}

#else

namespace {

int native(intptr_t handle) { return static_cast<int>(handle); }
std::string errnoText() { return errno != 0 ? std::strerror(errno) : "unknown error"; }
constexpr mode_t kNewFileMode = 0644;

}  // namespace

Opened openOrCreate(const std::string& utf8Path) {
    Opened opened;
    // O_NONBLOCK: a pipe put in the report's place does not hang the open.
    constexpr int kFlags = O_RDWR | O_APPEND | O_CLOEXEC | O_NONBLOCK;
    int fd = -1;
    // Created or opened as it is; the second try covers a file made or removed between.
    for (int attempt = 0; attempt < 3 && fd < 0; ++attempt) {
        errno = 0;
        fd = ::open(utf8Path.c_str(), kFlags | O_CREAT | O_EXCL, kNewFileMode);
        opened.created = fd >= 0;
        if (fd < 0 && errno == EEXIST) fd = ::open(utf8Path.c_str(), kFlags);
        if (fd < 0 && errno != ENOENT && errno != EEXIST) break;
    }
    if (fd < 0) {
        opened.error = errnoText();
        return opened;
    }
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        opened.error = known ? "not a regular file" : errnoText();
        ::close(fd);
        return opened;
    }
    // A file system without locks (EOPNOTSUPP, ENOLCK) still takes the report.
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) {
            opened.error = "the report is in use by another program";
            ::close(fd);
            return opened;
        }
        break;
    }
    opened.handle = fd;
    return opened;
}

bool fileSize(intptr_t handle, uint64_t& size, std::string& error) {
    struct stat info {};
    if (::fstat(native(handle), &info) != 0) {
        error = errnoText();
        return false;
    }
    size = static_cast<uint64_t>(info.st_size);
    return true;
}

bool readAll(intptr_t handle, uint64_t limit, std::string& out, bool& tooLarge, std::string& error) {
    out.clear();
    tooLarge = false;
    uint64_t size = 0;
    if (!fileSize(handle, size, error)) return false;
    if (size > limit) {
        tooLarge = true;
        return false;
    }
    out.reserve(static_cast<size_t>(size));
    char chunk[kReadChunk];
    while (true) {
        const ssize_t got = ::pread(native(handle), chunk, sizeof chunk, static_cast<off_t>(out.size()));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = errnoText();
            return false;
        }
        if (got == 0) return true;
        out.append(chunk, static_cast<size_t>(got));
        if (out.size() > limit) {
            tooLarge = true;
            return false;
        }
    }
}

bool truncateTo(intptr_t handle, uint64_t length, std::string& error) {
    while (::ftruncate(native(handle), static_cast<off_t>(length)) != 0) {
        if (errno == EINTR) continue;
        error = errnoText();
        return false;
    }
    return true;
}

bool sync(intptr_t handle, std::string& error) {
    while (::fsync(native(handle)) != 0) {
        if (errno == EINTR) continue;
        error = errnoText();
        return false;
    }
    return true;
}

bool appendAndSync(intptr_t handle, std::string_view bytes, std::string& error) {
    uint64_t before = 0;
    if (!fileSize(handle, before, error)) return false;
    ssize_t written = -1;
    do {
        errno = 0;
        written = ::write(native(handle), bytes.data(), bytes.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0 || static_cast<size_t>(written) != bytes.size()) {
        error = written < 0 ? errnoText() : partialWriteText(static_cast<size_t>(written), bytes.size());
        std::string ignored;
        if (written > 0 && truncateTo(handle, before, ignored)) sync(handle, ignored);
        return false;
    }
    return sync(handle, error);
}

// A folder that cannot be forced (EINVAL on some file systems) has nothing to force.
bool syncFolderOf(const std::string& utf8Path, std::string& error) {
    std::filesystem::path folder = std::filesystem::path(utf8Path).parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = errnoText();
        return false;
    }
    bool ok = true;
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        if (errno != EINVAL) {
            error = errnoText();
            ok = false;
        }
        break;
    }
    ::close(fd);
    return ok;
}

void close(intptr_t handle) {
    if (handle != kNoHandle) ::close(native(handle));
}

#endif

}  // namespace tavo::append_file
