#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "WebFileSystem.h"

namespace tavo {
namespace fs = std::filesystem;

namespace {

std::string errnoText() { return std::strerror(errno); }

// Reads up to the end of an open descriptor.
bool readAll(int fd, std::vector<uint8_t>& bytes) {
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

bool writeAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

std::string temporaryName(const std::string& path) {
    static thread_local std::mt19937 random{std::random_device{}()};
    return path + ".tmp" + std::to_string(random() % 1000000);
}

}  // namespace

std::string joinWebPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool DiskWebFileSystem::listFolder(const std::string& folder, std::vector<WebDirEntry>& entries) {
    entries.clear();
    std::error_code error;
    fs::directory_iterator it(fs::path(folder), error);
    if (error) {
        m_lastError = error.message();
        return false;
    }
    for (const fs::directory_entry& entry : it) {
        WebDirEntry out;
        out.name = entry.path().filename().string();
        const fs::file_status status = entry.symlink_status(error);
        if (error) {
            m_lastError = error.message();
            return false;
        }
        if (fs::is_symlink(status)) {
            out.kind = WebEntryKind::SymbolicLink;
        } else if (fs::is_directory(status)) {
            out.kind = WebEntryKind::Folder;
        } else if (fs::is_regular_file(status)) {
            out.kind = WebEntryKind::File;
            out.size = entry.file_size(error);
            if (error) {
                m_lastError = error.message();
                return false;
            }
        } else {
            out.kind = WebEntryKind::Other;
        }
        entries.push_back(std::move(out));
    }
    return true;
}

bool DiskWebFileSystem::readFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    // O_NOFOLLOW and O_NONBLOCK: a link put in a file's place is not followed, and a
    // pipe put there does not hang the read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_lastError = errnoText();
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        errno = EINVAL;
        ok = false;
    }
    if (ok) {
        bytes.reserve(static_cast<size_t>(info.st_size));
        ok = readAll(fd, bytes);
    }
    if (!ok) m_lastError = errnoText();
    ::close(fd);
    return ok;
}

bool DiskWebFileSystem::exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool DiskWebFileSystem::renameEntry(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) {
        m_lastError = errnoText();
        return false;
    }
#endif
    // Without an atomic no-replace rename: check, then rename.
    if (exists(to)) {
        m_lastError = std::strerror(EEXIST);
        return false;
    }
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        m_lastError = errnoText();
        return false;
    }
    return true;
}

bool DiskWebFileSystem::writeFile(const std::string& path, std::span<const uint8_t> bytes) {
    struct stat existing {};
    const bool replacing = ::stat(path.c_str(), &existing) == 0;
    const std::string temporary = temporaryName(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        m_lastError = errnoText();
        return false;
    }
    bool ok = writeAll(fd, bytes);
    if (ok && replacing) ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    if (!ok) m_lastError = errnoText();
    if (::close(fd) != 0 && ok) {
        m_lastError = errnoText();
        ok = false;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        m_lastError = errnoText();
        ok = false;
    }
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace tavo
