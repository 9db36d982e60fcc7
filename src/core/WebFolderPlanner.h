#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "WebFileSystem.h"
#include "WebFolderPlan.h"

// The walks of the web folder scan, on a view of the folder that the planned changes
// update in memory: the disk is read, never changed. Every folder is walked in
// case-insensitive name order (names compared upper-cased, equal ones by their bytes),
// so that one folder gives the same list, renames and image on every machine.
namespace tavo {

class WebFolderPlanner {
public:
    WebFolderPlanner(WebFileSystem& fs, std::string folder);

    // The selection's steps in order, into `plan`.
    void run(const std::string& templatePath, WebFolderPlan& plan);

    // The steps of the scan, named as the page's operations they stand for.
    bool HasDefaultPage(const std::string& folder);
    void ReserveSpecialIndexes(const std::string& folder);
    void ScanFolder(const std::string& folder);
    void PatchReferences(const std::string& folder, const std::string& oldName, const std::string& newName);
    bool FileExistsInFolder(const std::string& folder, const std::string& name);
    std::optional<uint8_t> NextFreeSlot(uint8_t index) const;
    std::optional<uint8_t> PrevFreeSlot(uint8_t index) const;

    std::array<int, 256> m_slots{};

private:
    struct Entry {
        std::string name;
        WebEntryKind kind;
        uint64_t size;
        std::string source;  // the path on disk
    };

    // A folder's entries in walk order: names compared upper-cased, equal ones by their
    // bytes. Kept per folder and updated on each rename, since every rename walks the
    // whole tree again to patch the pages.
    using SortedEntries = std::vector<std::pair<std::string, Entry*>>;  // upper-cased name, entry

    std::vector<Entry>* entriesOf(const std::string& folder);
    // A copy, so that a walk is not disturbed by the renames it causes.
    std::vector<Entry*> sortedEntries(const std::string& folder);
    void renameEntry(const std::string& folder, Entry& entry, const std::string& name);
    bool walkFiles(const std::string& folder, int depth, const std::function<void(const std::string&, Entry&)>& onFile);
    void scanFile(const std::string& folder, Entry& entry);
    void resolveCollision(const std::string& folder, Entry& entry, uint8_t& index);
    struct Page {
        std::vector<uint8_t> bytes;
        bool changed = false;
    };
    // A page as the plan leaves it so far, read once; null when it cannot be read.
    Page* page(const std::string& path, const Entry& entry);
    void fail(WebPlanStatus status, const std::string& path, const std::string& reason);
    std::string urlOf(const std::string& path) const { return webUrlPath(m_strFolder, path); }

    WebFileSystem& m_fs;
    std::string m_strFolder;
    std::map<std::string, std::vector<Entry>> m_folders;
    std::map<std::string, SortedEntries> m_sorted;
    // The pages under the folder in walk order, with their folders: every rename patches
    // them all. A rename keeps a file's extension, so only renaming a page changes them.
    std::vector<std::pair<std::string, Entry*>> m_pageWalk;
    bool m_pageWalkCurrent = false;
    std::map<std::string, Page> m_pages;  // by path as the plan leaves it
    WebFolderPlan* m_plan = nullptr;
    bool m_failed = false;
};

}  // namespace tavo
