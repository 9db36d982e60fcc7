#include "WebFolderPlanner.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "WebImage.h"

namespace tavo {
namespace {

constexpr uint8_t kSkippedDownwardSlot = 0xAA;
constexpr const char* kSpecialNames[] = {"707.html", "707.htm", "index.html", "index.htm"};
constexpr const char* kBackupExtension = ".bak";

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The extension with its dot, from the last "."; a name without "." is its own extension.
std::string_view extensionWithDot(std::string_view name) {
    const size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? name : name.substr(dot);
}

// The extension after the dot; a name without "." is its own extension.
std::string_view extensionAfterDot(std::string_view name) {
    const size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

bool isSpecialName(std::string_view name) {
    return std::find(std::begin(kSpecialNames), std::end(kSpecialNames), name) != std::end(kSpecialNames);
}

// Reserved before the scan: exact letter case.
bool reservesIndex(std::string_view name) {
    const std::string_view ext = extensionAfterDot(name);
    return ext == "jar" || ext == "class" || isSpecialName(name);
}

// Claims a reserved slot in the scan: lower-cased test.
bool claimsReservedIndex(std::string_view name) {
    const std::string ext = lowerAscii(extensionWithDot(name));
    return isSpecialName(lowerAscii(name)) || ext == ".jar" || ext == ".class";
}

bool isPage(std::string_view name) {
    const std::string_view ext = extensionAfterDot(name);
    return ext == "htm" || ext == "html";
}

bool isAsciiLetterOrDigit(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Replaces every occurrence, scanning from the start, matches not overlapping.
bool replaceAll(std::vector<uint8_t>& bytes, const std::string& oldName, const std::string& newName) {
    if (oldName.empty() || bytes.size() < oldName.size()) return false;
    bool changed = false;
    auto at = bytes.begin();
    for (;;) {
        at = std::search(at, bytes.end(), oldName.begin(), oldName.end());
        if (at == bytes.end()) return changed;
        at = std::copy(newName.begin(), newName.end(), at);
        changed = true;
    }
}

// Moves the index by shifting one character of the name, walking backwards from `from`:
// the first character c with c + d an ASCII letter or digit takes the shift. Returns the
// position changed, or -1.
int shiftCharacter(std::string& name, int from, uint8_t& index, uint8_t target) {
    const uint8_t d = static_cast<uint8_t>(target - index);
    if (d == 0) return -1;
    for (int p = from; p >= 0; --p) {
        const uint8_t shifted = static_cast<uint8_t>(static_cast<uint8_t>(name[p]) + d);
        if (isAsciiLetterOrDigit(shifted)) {
            name[p] = static_cast<char>(shifted);
            index = target;
            return p;
        }
    }
    return -1;
}

}  // namespace

WebFolderPlanner::WebFolderPlanner(WebFileSystem& fs, std::string folder) : m_fs(fs), m_strFolder(std::move(folder)) {}

void WebFolderPlanner::fail(WebPlanStatus status, const std::string& path, const std::string& reason) {
    if (m_failed) return;
    m_failed = true;
    m_plan->status = status;
    m_plan->failedPath = path;
    m_plan->reason = reason;
}

std::vector<WebFolderPlanner::Entry>* WebFolderPlanner::entriesOf(const std::string& folder) {
    if (auto found = m_folders.find(folder); found != m_folders.end()) return &found->second;
    std::vector<WebDirEntry> listed;
    if (!m_fs.listFolder(folder, listed)) {
        fail(WebPlanStatus::FolderUnreadable, folder, m_fs.lastError());
        return nullptr;
    }
    std::vector<Entry> entries;
    entries.reserve(listed.size());
    for (WebDirEntry& e : listed) {
        if (e.name == "." || e.name == "..") continue;
        std::string source = joinWebPath(folder, e.name);
        entries.push_back({std::move(e.name), e.kind, e.size, std::move(source)});
    }
    return &m_folders.emplace(folder, std::move(entries)).first->second;
}

namespace {

template <class Keyed>
bool walksBefore(const Keyed& a, const Keyed& b) {
    if (a.first != b.first) return a.first < b.first;
    return a.second->name < b.second->name;
}

}  // namespace

std::vector<WebFolderPlanner::Entry*> WebFolderPlanner::sortedEntries(const std::string& folder) {
    std::vector<Entry*> sorted;
    auto found = m_sorted.find(folder);
    if (found == m_sorted.end()) {
        std::vector<Entry>* entries = entriesOf(folder);
        if (entries == nullptr) return sorted;
        SortedEntries keyed;
        keyed.reserve(entries->size());
        for (Entry& e : *entries) keyed.emplace_back(upperAscii(e.name), &e);
        std::sort(keyed.begin(), keyed.end(), walksBefore<SortedEntries::value_type>);
        found = m_sorted.emplace(folder, std::move(keyed)).first;
    }
    sorted.reserve(found->second.size());
    for (const auto& k : found->second) sorted.push_back(k.second);
    return sorted;
}

void WebFolderPlanner::renameEntry(const std::string& folder, Entry& entry, const std::string& name) {
    if (isPage(entry.name) || isPage(name)) m_pageWalkCurrent = false;
    entry.name = name;
    auto found = m_sorted.find(folder);
    if (found == m_sorted.end()) return;  // sorted when it is first walked
    SortedEntries& keyed = found->second;
    const auto at = std::find_if(keyed.begin(), keyed.end(), [&](const auto& k) { return k.second == &entry; });
    if (at == keyed.end()) return;
    keyed.erase(at);
    SortedEntries::value_type moved(upperAscii(name), &entry);
    keyed.insert(std::upper_bound(keyed.begin(), keyed.end(), moved, walksBefore<SortedEntries::value_type>),
                 std::move(moved));
}

// Walks a folder in order, handing each file to `onFile` and handling each sub-folder
// completely where it is met. Links and other entries are never followed.
bool WebFolderPlanner::walkFiles(const std::string& folder, int depth,
                                 const std::function<void(const std::string&, Entry&)>& onFile) {
    for (Entry* entry : sortedEntries(folder)) {
        if (m_failed) return false;
        if (entry->kind == WebEntryKind::Folder) {
            if (depth + 1 > WEB_MAX_FOLDER_DEPTH) continue;
            walkFiles(joinWebPath(folder, entry->name), depth + 1, onFile);
        } else if (entry->kind == WebEntryKind::File) {
            onFile(folder, *entry);
        }
    }
    return !m_failed;
}

// Anything named "707.html" counts: the copy must never replace a folder or a link.
bool WebFolderPlanner::HasDefaultPage(const std::string& folder) {
    const std::vector<Entry>* entries = entriesOf(folder);
    if (entries == nullptr) return false;
    return std::any_of(entries->begin(), entries->end(), [](const Entry& e) { return e.name == DEFAULT_PAGE_NAME; });
}

bool WebFolderPlanner::FileExistsInFolder(const std::string& folder, const std::string& name) {
    // Any entry of that name counts: a rename must not replace a folder or a link either.
    const std::vector<Entry>* entries = entriesOf(folder);
    if (entries == nullptr) return true;
    return std::any_of(entries->begin(), entries->end(), [&](const Entry& e) { return e.name == name; });
}

std::optional<uint8_t> WebFolderPlanner::NextFreeSlot(uint8_t index) const {
    for (int step = 1; step <= 256; ++step) {
        const uint8_t slot = static_cast<uint8_t>(index + step);
        if (m_slots[slot] == SLOT_FREE) return slot;
    }
    return std::nullopt;
}

std::optional<uint8_t> WebFolderPlanner::PrevFreeSlot(uint8_t index) const {
    for (int slot = index - 1; slot >= 1; --slot) {
        if (slot == kSkippedDownwardSlot) continue;
        if (m_slots[slot] == SLOT_FREE) return static_cast<uint8_t>(slot);
    }
    return std::nullopt;
}

void WebFolderPlanner::ReserveSpecialIndexes(const std::string& folder) {
    walkFiles(folder, 0, [this](const std::string& dir, Entry& entry) {
        if (!reservesIndex(entry.name)) return;
        const uint8_t index = ResourceIndex(urlOf(joinWebPath(dir, entry.name)));
        if (m_slots[index] != SLOT_FREE)
            m_plan->notes.push_back({WebNoteKind::SpecialIndexReserved, joinWebPath(dir, entry.name), index});
        else
            m_slots[index] = SLOT_RESERVED;
    });
}

void WebFolderPlanner::ScanFolder(const std::string& folder) {
    std::set<std::string> reported;
    std::function<void(const std::string&, int)> scan = [&](const std::string& dir, int depth) {
        for (Entry* entry : sortedEntries(dir)) {
            if (m_failed) return;
            const std::string path = joinWebPath(dir, entry->name);
            switch (entry->kind) {
                case WebEntryKind::Folder:
                    if (depth + 1 > WEB_MAX_FOLDER_DEPTH)
                        m_plan->notes.push_back({WebNoteKind::FolderTooDeep, path, 0});
                    else
                        scan(path, depth + 1);
                    break;
                case WebEntryKind::File: scanFile(dir, *entry); break;
                case WebEntryKind::SymbolicLink:
                    m_plan->notes.push_back({WebNoteKind::SymbolicLinkSkipped, path, 0});
                    break;
                case WebEntryKind::Other:
                    m_plan->notes.push_back({WebNoteKind::NotRegularFileSkipped, path, 0});
                    break;
            }
        }
    };
    scan(folder, 0);
}

void WebFolderPlanner::scanFile(const std::string& folder, Entry& entry) {
    const std::string sourcePath = entry.source;
    uint8_t index = ResourceIndex(urlOf(joinWebPath(folder, entry.name)));
    const uint8_t sourceIndex = index;
    if (m_slots[index] == SLOT_RESERVED && claimsReservedIndex(entry.name)) m_slots[index] = SLOT_FREE;
    if (m_slots[index] == SLOT_FREE)
        m_slots[index] = SLOT_TAKEN;
    else
        resolveCollision(folder, entry, index);
    if (m_failed) return;
    if (lowerAscii(extensionWithDot(entry.name)) == kBackupExtension) return;
    WebResourceRow row;
    row.path = joinWebPath(folder, entry.name);
    row.urlPath = urlOf(row.path);
    row.size = entry.size;
    row.index = index;
    row.sourcePath = sourcePath;
    row.sourceIndex = sourceIndex;
    row.templateCopy = !m_plan->steps.empty() && m_plan->steps.front().kind == WebStepKind::CopyTemplate &&
                       m_plan->steps.front().to == sourcePath;
    m_plan->totalBytes += entry.size;
    m_plan->rows.push_back(std::move(row));
}

void WebFolderPlanner::resolveCollision(const std::string& folder, Entry& entry, uint8_t& index) {
    const std::string oldName = entry.name;
    const std::string oldPath = joinWebPath(folder, oldName);
    const size_t firstDot = oldName.find('.');
    std::string name = oldName;
    uint8_t newIndex = index;
    int changed = -1;
    // A name without "." or beginning with "." offers no character.
    if (firstDot != std::string::npos && firstDot > 0) {
        const int start = static_cast<int>(firstDot) - 1;
        if (auto up = NextFreeSlot(newIndex)) changed = shiftCharacter(name, start, newIndex, *up);
        if (changed < 0)
            if (auto down = PrevFreeSlot(newIndex)) changed = shiftCharacter(name, start, newIndex, *down);
    }
    if (changed < 0) {
        m_plan->notes.push_back({WebNoteKind::SharedIndex, oldPath, index});
        return;
    }
    while (FileExistsInFolder(folder, name)) {
        const auto up = NextFreeSlot(newIndex);
        changed = up ? shiftCharacter(name, changed - 1, newIndex, *up) : -1;
        if (changed < 0) {
            // Every name the walk could reach is taken: the file keeps its name and shares
            // its index, and the operator is told.
            m_plan->notes.push_back({WebNoteKind::RenameWalkExhausted, oldPath, index});
            return;
        }
    }
    WebPlanStep step;
    step.kind = WebStepKind::Rename;
    step.from = oldPath;
    step.to = joinWebPath(folder, name);
    step.oldName = oldName;
    step.newName = name;
    step.oldIndex = index;
    step.newIndex = newIndex;
    m_plan->steps.push_back(step);
    // A renamed page keeps its planned contents under its new name.
    if (auto node = m_pages.extract(oldPath)) {
        node.key() = step.to;
        m_pages.insert(std::move(node));
    }
    m_plan->plannedSource.erase(oldPath);
    m_plan->plannedSource[step.to] = entry.source;
    renameEntry(folder, entry, name);
    index = newIndex;
    m_slots[index] = SLOT_TAKEN;
    PatchReferences(m_strFolder, oldName, name);
}

WebFolderPlanner::Page* WebFolderPlanner::page(const std::string& path, const Entry& entry) {
    if (auto found = m_pages.find(path); found != m_pages.end()) return &found->second;
    Page read;
    if (!m_fs.readFile(entry.source, read.bytes)) {
        fail(WebPlanStatus::PageUnreadable, entry.source, m_fs.lastError());
        return nullptr;
    }
    return &m_pages.emplace(path, std::move(read)).first->second;
}

void WebFolderPlanner::PatchReferences(const std::string& folder, const std::string& oldName,
                                       const std::string& newName) {
    std::vector<std::pair<std::string, Entry*>> walked;
    const bool kept = folder == m_strFolder;
    if (!kept || !m_pageWalkCurrent) {
        walkFiles(folder, 0, [&](const std::string& dir, Entry& entry) {
            if (isPage(entry.name)) walked.emplace_back(dir, &entry);
        });
        if (kept) {
            m_pageWalk = std::move(walked);
            m_pageWalkCurrent = true;
        }
    }
    for (const auto& [dir, entry] : kept ? m_pageWalk : walked) {
        if (m_failed) return;
        const std::string path = joinWebPath(dir, entry->name);
        Page* contents = page(path, *entry);
        if (contents == nullptr || !replaceAll(contents->bytes, oldName, newName)) continue;
        contents->changed = true;
        WebPlanStep step;
        step.kind = WebStepKind::PatchPage;
        step.from = path;
        step.to = path;
        step.oldName = oldName;
        step.newName = newName;
        m_plan->steps.push_back(std::move(step));
    }
}

void WebFolderPlanner::run(const std::string& templatePath, WebFolderPlan& plan) {
    m_plan = &plan;
    plan.folder = m_strFolder;
    if (entriesOf(m_strFolder) == nullptr) return;
    if (!HasDefaultPage(m_strFolder)) {
        std::vector<uint8_t> templateBytes;
        if (templatePath.empty() || !m_fs.readFile(templatePath, templateBytes)) {
            fail(WebPlanStatus::TemplateMissing, templatePath, templatePath.empty() ? std::string() : m_fs.lastError());
            return;
        }
        const std::string target = joinWebPath(m_strFolder, DEFAULT_PAGE_NAME);
        m_folders[m_strFolder].push_back({DEFAULT_PAGE_NAME, WebEntryKind::File, templateBytes.size(), target});
        plan.steps.push_back({WebStepKind::CopyTemplate, templatePath, target, {}, {}, 0, 0});
        m_pages[target] = {std::move(templateBytes), true};
    }
    ReserveSpecialIndexes(m_strFolder);
    if (m_failed) return;
    ScanFolder(m_strFolder);
    if (m_failed) return;
    for (auto& [path, contents] : m_pages)
        if (contents.changed) plan.plannedContents[path] = std::move(contents.bytes);
    plan.slotStates = m_slots;
    if (plan.totalBytes > WEB_IMAGE_LIMIT)
        plan.status = WebPlanStatus::OverLimit;
    else if (plan.rows.size() > WEB_MAX_RESOURCES)
        plan.status = WebPlanStatus::TooManyFiles;
}

}  // namespace tavo
