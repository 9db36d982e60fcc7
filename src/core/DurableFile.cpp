#include "DurableFile.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavo {
namespace fs = std::filesystem;
namespace {

fs::path pathFromUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

// A temporary file is named "<target>.<16 hexadecimal digits>.tmp": a name of its own, so
// that two programs saving the same file at once (the utility and the command line) never
// write into one temporary file.
constexpr size_t kSuffixDigits = 16;
constexpr std::string_view kSuffixEnd = ".tmp";
// A replace writes and renames its temporary file within milliseconds; one a minute old
// was left by a replace that never finished.
constexpr std::chrono::seconds kStaleTemporaryAge{60};

std::string temporarySuffix() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    char text[32];
    std::snprintf(text, sizeof text, ".%016llx.tmp", static_cast<unsigned long long>(generator()));
    return text;
}

#ifdef _WIN32

std::string lastErrorText() {
    const DWORD code = GetLastError();
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string out(text, length);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) out.pop_back();
    return out.empty() ? "error " + std::to_string(code) : out;
}

bool writeAndFlush(const std::string& temporary, std::string_view content, const std::string&, std::string& error) {
    const std::wstring name = pathFromUtf8(temporary).wstring();
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = lastErrorText();
        return false;
    }
    bool ok = true;
    size_t done = 0;
    while (ok && done < content.size()) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
        DWORD put = 0;
        ok = WriteFile(file, content.data() + done, piece, &put, nullptr) != 0 && put > 0;
        done += put;
    }
    if (ok) ok = FlushFileBuffers(file) != 0;
    if (!ok) error = lastErrorText();
    if (!CloseHandle(file) && ok) {
        error = lastErrorText();
        ok = false;
    }
    return ok;
}

bool renameAndFlush(const std::string& temporary, const std::string& target, std::string& error) {
    const std::wstring from = pathFromUtf8(temporary).wstring();
    const std::wstring to = pathFromUtf8(target).wstring();
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    error = lastErrorText();
    return false;
}

void removeFile(const std::string& path) { DeleteFileW(pathFromUtf8(path).wstring().c_str()); }

#else

std::string errnoText() { return errno != 0 ? std::strerror(errno) : "unknown error"; }

bool writeAll(int fd, std::string_view content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (put == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

bool writeAndFlush(const std::string& temporary, std::string_view content, const std::string& permissionsOf,
                   std::string& error) {
    errno = 0;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = errnoText();
        return false;
    }
    bool ok = writeAll(fd, content);
    struct stat existing {};
    if (ok && ::stat(permissionsOf.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    // The data must be on the disk before the rename can make it the file's contents.
    while (ok && ::fsync(fd) != 0) {
        if (errno != EINTR) ok = false;
    }
    if (!ok) error = errnoText();
    if (::close(fd) != 0 && ok) {
        error = errnoText();
        ok = false;
    }
    return ok;
}

// The rename is an entry of the folder: forcing the folder makes it survive a power cut.
// File systems that cannot force a folder (EINVAL) have nothing to force.
bool flushFolder(const std::string& target, std::string& error) {
    fs::path folder = fs::path(target).parent_path();
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

bool renameAndFlush(const std::string& temporary, const std::string& target, std::string& error) {
    errno = 0;
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errnoText();
        return false;
    }
    return flushFolder(target, error);
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

#endif

}  // namespace

std::string_view DurableFile::targetOfTemporary(std::string_view name) {
    constexpr size_t kSuffixSize = 1 + kSuffixDigits + kSuffixEnd.size();
    if (name.size() <= kSuffixSize) return {};
    const size_t targetSize = name.size() - kSuffixSize;
    const std::string_view digits = name.substr(targetSize + 1, kSuffixDigits);
    const bool hex = std::all_of(digits.begin(), digits.end(),
                                 [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
    if (name[targetSize] != '.' || !hex || name.substr(name.size() - kSuffixEnd.size()) != kSuffixEnd) return {};
    return name.substr(0, targetSize);
}

namespace {

// Removes the temporary files of `target` older than the stale age; only names of the
// form "<target>.<16 hexadecimal digits>.tmp" are touched.
void removeStaleTemporaries(const std::string& target) {
    const fs::path targetPath = pathFromUtf8(target);
    fs::path folder = targetPath.parent_path();
    if (folder.empty()) folder = ".";
    const std::u8string targetName = targetPath.filename().u8string();
    const std::string_view targetText(reinterpret_cast<const char*>(targetName.data()), targetName.size());
    const auto now = fs::file_time_type::clock::now();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::u8string name = it->path().filename().u8string();
        const std::string_view nameText(reinterpret_cast<const char*>(name.data()), name.size());
        if (DurableFile::targetOfTemporary(nameText) != targetText) continue;
        std::error_code entryError;
        if (!it->is_regular_file(entryError)) continue;
        const auto written = it->last_write_time(entryError);
        if (entryError || now - written < kStaleTemporaryAge) continue;
        fs::remove(it->path(), entryError);  // a leftover that cannot be removed stays harmless
    }
}

}  // namespace

DurableFile::DurableFile(std::string target) : m_target(std::move(target)) {}

DurableFile::~DurableFile() {
    if (m_written) removeFile(m_temporary);
}

bool DurableFile::write(std::string_view content, const std::string& permissionsOf) {
    if (m_written) removeFile(m_temporary);
    m_written = false;
    m_error.clear();
    m_temporary = m_target + temporarySuffix();
    if (!writeAndFlush(m_temporary, content, permissionsOf, m_error)) {
        removeFile(m_temporary);
        return false;
    }
    m_written = true;
    return true;
}

bool DurableFile::commit() {
    if (!m_written) {
        if (m_error.empty()) m_error = "nothing was written";
        return false;
    }
    const bool renamed = renameAndFlush(m_temporary, m_target, m_error);
    // After a rename the temporary name is gone; after a failed rename it is removed.
    if (!renamed && std::filesystem::exists(pathFromUtf8(m_temporary))) removeFile(m_temporary);
    m_written = false;
    if (renamed) removeStaleTemporaries(m_target);
    return renamed;
}

}  // namespace tavo
