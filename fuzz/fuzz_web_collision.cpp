// The index collision resolution of the web folder scan on random names and a random slot
// table: it always ends, never reaches outside its tables, and every resource it lists
// and every rename it plans carries the index its URL path really has.
#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "WebFileSystem.h"
#include "WebFolderPlan.h"
#include "WebFolderPlanner.h"
#include "WebImage.h"

namespace {

constexpr size_t kMaxNames = 400;
constexpr size_t kMaxNameLength = 48;
constexpr size_t kNamesPerPage = 4;
const std::string kRoot = "/web";
const std::string kTemplate = "/template/707.html";

// A folder tree in memory: files with their bytes, folders by path.
class MemoryFileSystem final : public tavo::WebFileSystem {
public:
    std::map<std::string, std::vector<uint8_t>> files;
    std::set<std::string> folders;

    bool listFolder(const std::string& folder, std::vector<tavo::WebDirEntry>& entries) override {
        if (!folders.count(folder)) return false;
        const std::string prefix = folder + "/";
        auto childName = [&](const std::string& path) -> std::string {
            if (path.rfind(prefix, 0) != 0) return {};
            const std::string rest = path.substr(prefix.size());
            return rest.find('/') == std::string::npos ? rest : std::string();
        };
        for (const auto& [path, bytes] : files)
            if (auto name = childName(path); !name.empty())
                entries.push_back({name, tavo::WebEntryKind::File, bytes.size()});
        for (const std::string& path : folders)
            if (auto name = childName(path); !name.empty()) entries.push_back({name, tavo::WebEntryKind::Folder, 0});
        return true;
    }
    bool readFile(const std::string& path, std::vector<uint8_t>& bytes) override {
        auto found = files.find(path);
        if (found == files.end()) return false;
        bytes = found->second;
        return true;
    }
    bool exists(const std::string& path) override { return files.count(path) || folders.count(path); }
    bool renameEntry(const std::string&, const std::string&) override { return false; }
    bool writeFile(const std::string&, std::span<const uint8_t>) override { return false; }
};

std::string folderOf(const std::string& path) { return path.substr(0, path.find_last_of('/')); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryFileSystem fs;
    fs.folders = {kRoot, "/template"};
    fs.files[kTemplate] = {'<', 'a', '>'};

    // The first 256 bytes give the slot table the scan starts from.
    std::array<int, 256> slots{};
    const size_t slotBytes = std::min<size_t>(size, slots.size());
    for (size_t i = 0; i < slotBytes; ++i) slots[i] = data[i] % 3;

    // The rest: names separated by NUL, a '/' in one makes a sub-folder; each page holds
    // the names given just before it, so that renames patch them (a bounded window keeps
    // the pages small: every name still lands in some page).
    const std::string_view rest(reinterpret_cast<const char*>(data) + slotBytes, size - slotBytes);
    std::deque<std::string> recentNames;
    size_t count = 0;
    for (size_t at = 0; at < rest.size() && count < kMaxNames; ++count) {
        size_t end = rest.find('\0', at);
        if (end == std::string_view::npos) end = rest.size();
        std::string name(rest.substr(at, std::min(end - at, kMaxNameLength)));
        at = end + 1;
        std::string folder = kRoot;
        if (const size_t slash = name.find('/'); slash != std::string::npos) {
            const std::string sub = name.substr(0, slash);
            name = name.substr(slash + 1);
            if (sub.empty() || sub == "." || sub == ".." || fs.files.count(kRoot + "/" + sub)) continue;
            folder = kRoot + "/" + sub;
            fs.folders.insert(folder);
        }
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) continue;
        const std::string path = folder + "/" + name;
        if (fs.folders.count(path)) continue;
        if (recentNames.size() == kNamesPerPage) recentNames.pop_front();
        recentNames.push_back(name);
        std::vector<uint8_t>& page = fs.files[path];
        page.clear();
        for (const std::string& recent : recentNames) {
            page.insert(page.end(), recent.begin(), recent.end());
            page.push_back(' ');
        }
    }

    tavo::WebFolderPlanner planner(fs, kRoot);
    planner.m_slots = slots;
    tavo::WebFolderPlan plan;
    planner.run(kTemplate, plan);

    for (int state : plan.slotStates) FUZZ_CHECK(state == tavo::SLOT_FREE || state == tavo::SLOT_TAKEN || state == tavo::SLOT_RESERVED);
    if (!plan.ready() && plan.status != tavo::WebPlanStatus::TooManyFiles && plan.status != tavo::WebPlanStatus::OverLimit)
        return 0;
    for (const tavo::WebResourceRow& row : plan.rows) {
        FUZZ_CHECK(tavo::ResourceIndex(row.urlPath) == row.index);
        FUZZ_CHECK(plan.slotStates[row.index] != tavo::SLOT_FREE);
    }
    // The renames applied in order: each takes a name that nothing holds at that moment.
    std::set<std::string> present(fs.folders.begin(), fs.folders.end());
    for (const auto& file : fs.files) present.insert(file.first);
    for (const tavo::WebPlanStep& step : plan.steps) {
        if (step.kind == tavo::WebStepKind::CopyTemplate) present.insert(step.to);
        if (step.kind != tavo::WebStepKind::Rename) continue;
        FUZZ_CHECK(folderOf(step.from) == folderOf(step.to));
        FUZZ_CHECK(tavo::ResourceIndex(tavo::webUrlPath(kRoot, step.to)) == step.newIndex);
        FUZZ_CHECK(present.erase(step.from) == 1);
        FUZZ_CHECK(present.insert(step.to).second);
    }
    return 0;
}
