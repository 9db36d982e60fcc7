#include "WebFolderPlan.h"

#include <algorithm>

#include "WebFileSystem.h"
#include "WebFolderPlanner.h"
#include "WebImage.h"

namespace tavo {
namespace {

bool patchPage(WebFileSystem& fs, const WebPlanStep& step) {
    std::vector<uint8_t> bytes;
    if (!fs.readFile(step.to, bytes)) return false;
    bool changed = false;
    const std::string& from = step.oldName;
    for (auto at = bytes.begin();;) {
        at = std::search(at, bytes.end(), from.begin(), from.end());
        if (at == bytes.end()) break;
        at = std::copy(step.newName.begin(), step.newName.end(), at);
        changed = true;
    }
    return !changed || fs.writeFile(step.to, bytes);
}

}  // namespace

WebFolderPlan planWebFolder(WebFileSystem& fs, const std::string& folder, const std::string& templatePath) {
    WebFolderPlan plan;
    WebFolderPlanner planner(fs, folder);
    planner.run(templatePath, plan);
    return plan;
}

WebApplyResult applyWebFolderPlan(WebFileSystem& fs, const WebFolderPlan& plan) {
    WebApplyResult result;
    for (const WebPlanStep& step : plan.steps) {
        switch (step.kind) {
            case WebStepKind::CopyTemplate: {
                // The copy is of the template as it is now, byte for byte, and never
                // replaces something that appeared under its name since the scan.
                std::vector<uint8_t> bytes;
                bool ok = fs.readFile(step.from, bytes);
                if (ok && fs.exists(step.to)) {
                    ok = false;
                    result.reason = "the target exists";
                } else if (ok) {
                    ok = fs.writeFile(step.to, bytes);
                }
                if (!ok) {
                    result.status = WebApplyStatus::CopyFailed;
                    if (result.reason.empty()) result.reason = fs.lastError();
                    return result;
                }
                break;
            }
            case WebStepKind::Rename:
                if (!fs.renameEntry(step.from, step.to)) {
                    result.status = WebApplyStatus::RenameFailed;
                    result.reason = fs.lastError();
                    return result;
                }
                break;
            case WebStepKind::PatchPage:
                if (!patchPage(fs, step)) {
                    result.status = WebApplyStatus::PatchFailed;
                    result.reason = fs.lastError();
                    return result;
                }
                break;
        }
        ++result.stepsDone;
    }
    return result;
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
    for (const std::string& dir : {startupDir, programDir}) {
        if (dir.empty()) continue;
        const std::string path = joinWebPath(dir, DEFAULT_PAGE_NAME);
        if (fs.exists(path)) return path;
    }
    return {};
}

}  // namespace tavo
