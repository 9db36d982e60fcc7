#include "WebFolderPlan.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "WebFileSystem.h"
#include "WebFolderPlanner.h"
#include "WebImage.h"

namespace tavo {
namespace {

// Pages patched by the steps made so far, each read once and written once at the end:
// its contents then follow exactly the renames that were made.
class PendingPages {
public:
    explicit PendingPages(WebFileSystem& fs) : m_fs(fs) {}

    bool patch(const WebPlanStep& step) {
        auto found = m_pages.find(step.to);
        if (found == m_pages.end()) {
            std::vector<uint8_t> bytes;
            if (!m_fs.readFile(step.to, bytes)) return false;
            found = m_pages.emplace(step.to, std::move(bytes)).first;
        }
        auto& bytes = found->second;
        for (auto at = bytes.begin();;) {
            at = std::search(at, bytes.end(), step.oldName.begin(), step.oldName.end());
            if (at == bytes.end()) break;
            at = std::copy(step.newName.begin(), step.newName.end(), at);
        }
        return true;
    }
    // A page that is renamed after a patch is written under its new name.
    void renamed(const std::string& from, const std::string& to) {
        if (auto node = m_pages.extract(from)) {
            node.key() = to;
            m_pages.insert(std::move(node));
        }
    }
    // Writes every page; the path of the first that fails, or empty.
    std::string flush() {
        for (const auto& [path, bytes] : m_pages)
            if (!m_fs.writeFile(path, bytes)) return path;
        return {};
    }

private:
    WebFileSystem& m_fs;
    std::map<std::string, std::vector<uint8_t>> m_pages;
};

}  // namespace

WebFolderPlan planWebFolder(WebFileSystem& fs, const std::string& folder, const std::string& templatePath) {
    WebFolderPlan plan;
    WebFolderPlanner planner(fs, folder);
    planner.run(templatePath, plan);
    return plan;
}

WebApplyResult applyWebFolderPlan(WebFileSystem& fs, const WebFolderPlan& plan) {
    WebApplyResult result;
    PendingPages pages(fs);
    auto stop = [&](WebApplyStatus status, std::string reason) {
        result.status = status;
        result.reason = std::move(reason);
    };
    for (const WebPlanStep& step : plan.steps) {
        if (step.kind == WebStepKind::CopyTemplate) {
            // The copy is of the template as it is now, byte for byte, and never
            // replaces something that appeared under its name since the scan.
            std::vector<uint8_t> bytes;
            if (!fs.readFile(step.from, bytes)) {
                stop(WebApplyStatus::CopyFailed, fs.lastError());
            } else if (fs.exists(step.to)) {
                stop(WebApplyStatus::CopyFailed, "the target exists");
            } else if (!fs.writeFile(step.to, bytes)) {
                stop(WebApplyStatus::CopyFailed, fs.lastError());
            }
        } else if (step.kind == WebStepKind::Rename) {
            if (fs.renameEntry(step.from, step.to))
                pages.renamed(step.from, step.to);
            else
                stop(WebApplyStatus::RenameFailed, fs.lastError());
        } else if (!pages.patch(step)) {
            stop(WebApplyStatus::PatchFailed, fs.lastError());
        }
        if (!result.ok()) break;
        ++result.stepsDone;
    }
    const std::string failedPage = pages.flush();
    if (result.ok() && !failedPage.empty()) {
        // Every rename was made; the page names its old references.
        stop(WebApplyStatus::PatchFailed, fs.lastError());
        result.failedPage = failedPage;
    }
    return result;
}

std::string failedPathOf(const WebFolderPlan& plan, const WebApplyResult& applied) {
    if (!applied.failedPage.empty() || applied.stepsDone >= plan.steps.size()) return applied.failedPage;
    const WebPlanStep& step = plan.steps[applied.stepsDone];
    return applied.status == WebApplyStatus::CopyFailed ? step.to : step.from;
}

std::vector<WebPlanStep> renamesAmong(const WebFolderPlan& plan, size_t count) {
    std::vector<WebPlanStep> renames;
    for (size_t i = 0; i < count && i < plan.steps.size(); ++i)
        if (plan.steps[i].kind == WebStepKind::Rename) renames.push_back(plan.steps[i]);
    return renames;
}

std::string webUrlPath(const std::string& folder, const std::string& path) {
    // Paths here are '/' separated already; a backslash is part of a name.
    std::string url = path.compare(0, folder.size(), folder) == 0 ? path.substr(folder.size()) : path;
    if (url.empty() || url.front() != '/') url.insert(url.begin(), '/');
    return url;
}

std::string locateWebTemplate(WebFileSystem& fs, const std::string& startupDir, const std::string& programDir) {
    // An installed program finds its data folder beside its bin folder.
    const std::string installedDir =
        programDir.empty() ? std::string()
                           : std::filesystem::path(joinWebPath(programDir, INSTALLED_DATA_DIR)).lexically_normal().string();
    for (const std::string& dir : {startupDir, programDir, installedDir}) {
        if (dir.empty()) continue;
        const std::string path = joinWebPath(dir, DEFAULT_PAGE_NAME);
        if (fs.exists(path)) return path;
    }
    return {};
}

}  // namespace tavo
