#include "WebImageBuild.h"

#include <algorithm>

namespace tavo {

WebBuildResult composeWebImageFromFiles(WebFileSystem& fs, const std::string& folder,
                                        const std::vector<std::string>& paths, uint64_t expectedBytes) {
    WebBuildResult result;
    if (paths.empty()) {
        result.status = WebBuildStatus::NothingToBuild;
        return result;
    }
    if (paths.size() > WEB_MAX_RESOURCES) {
        result.status = WebBuildStatus::TooManyFiles;
        return result;
    }
    constexpr size_t kHeaderRoom = 160;  // record header and response header, generously
    const uint64_t expected = std::min<uint64_t>(expectedBytes, WEB_IMAGE_LIMIT);
    WebImageComposer composer(static_cast<size_t>(WEB_TABLE_SIZE + expected + paths.size() * kHeaderRoom));
    std::vector<uint8_t> body;
    for (const std::string& path : paths) {
        if (!fs.readFile(path, body)) {
            result.status = WebBuildStatus::FileUnreadable;
            result.failedPath = path;
            result.reason = fs.lastError();
            return result;
        }
        result.totalBytes += body.size();
        // A file that grew since the scan is caught here rather than by the upload.
        if (result.totalBytes > WEB_IMAGE_LIMIT) {
            result.status = WebBuildStatus::OverLimit;
            return result;
        }
        if (!composer.addResource(webUrlPath(folder, path), body)) {
            result.status = WebBuildStatus::TooLarge;
            result.failedPath = path;
            return result;
        }
    }
    result.image = composer.finish();
    result.records = composer.records();
    return result;
}

std::vector<std::string> rowPaths(const WebFolderPlan& plan) {
    std::vector<std::string> paths;
    paths.reserve(plan.rows.size());
    for (const WebResourceRow& row : plan.rows) paths.push_back(row.path);
    return paths;
}

bool PlannedWebFileSystem::listFolder(const std::string& folder, std::vector<WebDirEntry>& entries) {
    return m_disk.listFolder(folder, entries);
}

bool PlannedWebFileSystem::readFile(const std::string& path, std::vector<uint8_t>& bytes) {
    if (auto planned = m_plan.plannedContents.find(path); planned != m_plan.plannedContents.end()) {
        bytes = planned->second;
        return true;
    }
    auto renamed = m_plan.plannedSource.find(path);
    const bool ok = m_disk.readFile(renamed != m_plan.plannedSource.end() ? renamed->second : path, bytes);
    if (!ok) m_lastError = m_disk.lastError();
    return ok;
}

bool PlannedWebFileSystem::exists(const std::string& path) {
    return m_plan.plannedContents.count(path) != 0 || m_plan.plannedSource.count(path) != 0 || m_disk.exists(path);
}

bool PlannedWebFileSystem::renameEntry(const std::string&, const std::string&) {
    m_lastError = "a preview changes nothing";
    return false;
}

bool PlannedWebFileSystem::writeFile(const std::string&, std::span<const uint8_t>) {
    m_lastError = "a preview changes nothing";
    return false;
}

}  // namespace tavo
