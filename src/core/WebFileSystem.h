#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What the web folder scan and the build need of the file system. The scan only plans
// through it; the changes of a plan (copy of the default page, renames, patched pages)
// and the project file are made through it as well, so that tests can put a fake in its
// place and a preview can run without changing anything. Paths use '/' separators.
namespace tavo {

enum class WebEntryKind { File, Folder, SymbolicLink, Other };

struct WebDirEntry {
    std::string name;
    WebEntryKind kind = WebEntryKind::File;
    uint64_t size = 0;  // files only
};

class WebFileSystem {
public:
    virtual ~WebFileSystem() = default;

    // The entries of a folder without "." and "..", in any order. Symbolic links are
    // reported as such, never followed.
    virtual bool listFolder(const std::string& folder, std::vector<WebDirEntry>& entries) = 0;
    virtual bool readFile(const std::string& path, std::vector<uint8_t>& bytes) = 0;
    // True when `path` names something (file, folder or link), without following a link.
    virtual bool exists(const std::string& path) = 0;
    // Renames within one folder; fails rather than replace an existing entry.
    virtual bool renameEntry(const std::string& from, const std::string& to) = 0;
    // Writes a whole file through a temporary file in the same folder, forced to the disk
    // and renamed over the target, so that a failure, a crash or a power cut never leaves
    // half a file; an existing file keeps its permissions.
    virtual bool writeFile(const std::string& path, std::span<const uint8_t> bytes) = 0;

    // Why the last call that failed did so, for the operator.
    const std::string& lastError() const { return m_lastError; }

protected:
    std::string m_lastError;
};

// The real file system.
class DiskWebFileSystem final : public WebFileSystem {
public:
    bool listFolder(const std::string& folder, std::vector<WebDirEntry>& entries) override;
    bool readFile(const std::string& path, std::vector<uint8_t>& bytes) override;
    bool exists(const std::string& path) override;
    bool renameEntry(const std::string& from, const std::string& to) override;
    bool writeFile(const std::string& path, std::span<const uint8_t> bytes) override;
};

// Joins a folder and a name with one '/'.
std::string joinWebPath(const std::string& folder, const std::string& name);

}  // namespace tavo
