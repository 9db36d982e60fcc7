#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>

#include "DurableFile.h"
#include "SafeFileRead.h"
#include "WebFileSystem.h"

namespace tavo {
namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// The paths are UTF-8 texts; Windows takes them as wide texts.
fs::path toPath(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
std::string fromPath(const fs::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}
std::string lastErrorText() { return std::system_category().message(static_cast<int>(GetLastError())); }
#else
fs::path toPath(const std::string& path) { return fs::path(path); }
std::string fromPath(const fs::path& path) { return path.string(); }
std::string errnoText() { return std::strerror(errno); }
#endif

// A page patch or an image write killed between its write and its rename leaves a
// temporary file beside its target ("<name>.<16 hex>.tmp"). It is never web content:
// hidden from the listing, it cannot slip into an image, and the next write of its
// target removes it once it is stale (DurableFile::commit).
void hideTemporaries(std::vector<WebDirEntry>& entries) {
    std::set<std::string, std::less<>> names;
    for (const WebDirEntry& entry : entries) names.insert(entry.name);
    const auto isTemporary = [&](const WebDirEntry& entry) {
        const std::string_view target = DurableFile::targetOfTemporary(entry.name);
        return entry.kind == WebEntryKind::File && !target.empty() && names.count(target) != 0;
    };
    const auto kept = std::remove_if(entries.begin(), entries.end(), isTemporary);
    entries.erase(kept, entries.end());
}

}  // namespace

std::string joinWebPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool DiskWebFileSystem::listFolder(const std::string& folder, std::vector<WebDirEntry>& entries) {
    entries.clear();
    std::error_code error;
    fs::directory_iterator it(toPath(folder), error);
    if (error) {
        m_lastError = error.message();
        return false;
    }
    for (const fs::directory_entry& entry : it) {
        WebDirEntry out;
        out.name = fromPath(entry.path().filename());
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
    hideTemporaries(entries);
    return true;
}

#ifdef _WIN32
// Windows: the same rules with the system's own calls; renames never replace.
bool DiskWebFileSystem::exists(const std::string& path) {
    return GetFileAttributesW(toPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DiskWebFileSystem::renameEntry(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    if (MoveFileExW(toPath(from).c_str(), toPath(to).c_str(), 0)) return true;
    m_lastError = lastErrorText();
    return false;
}

#else
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

#endif

// A link put in a file's place is not followed (it is listed as a link and skipped), and
// a pipe put there does not hang the read.
bool DiskWebFileSystem::readFile(const std::string& path, std::vector<uint8_t>& bytes) {
    FileRead read = readFileSafely(path, {.followLinks = false});
    bytes = std::move(read.bytes);
    if (!read.ok()) m_lastError = read.reason;
    return read.ok();
}

// Every write goes through the durable replace of the tables: a crash, a power cut or a
// full disk leaves the old file or the new one, and an existing file keeps its permissions.
bool DiskWebFileSystem::writeFile(const std::string& path, std::span<const uint8_t> bytes) {
    DurableFile file(path);
    const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (file.write(content, path) && file.commit()) return true;
    m_lastError = file.error();
    return false;
}

}  // namespace tavo
