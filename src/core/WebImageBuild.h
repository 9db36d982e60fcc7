#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "WebFileSystem.h"
#include "WebFolderPlan.h"
#include "WebImage.h"

// The build: reads the listed files in list order and composes the project file. The
// page (on its worker) and `tavo image build` both call it, so one folder gives one image.
namespace tavo {

enum class WebBuildStatus {
    Built,
    NothingToBuild,  // an empty list
    FileUnreadable,  // failedPath: a listed file that cannot be read (removed since the scan)
    OverLimit,       // the files add up to more than WEB_IMAGE_LIMIT now
    TooManyFiles,    // more files than table entries
    TooLarge,        // a record beyond the reach of the 32-bit offsets
};

struct WebBuildResult {
    WebBuildStatus status = WebBuildStatus::Built;
    std::string failedPath;
    std::string reason;
    uint64_t totalBytes = 0;  // the files' bytes as read
    std::vector<uint8_t> image;
    std::vector<WebImageRecord> records;
    bool ok() const { return status == WebBuildStatus::Built; }
};

// `paths` are the full paths of the resources in list order; URL paths are taken
// relative to `folder`. `expectedBytes`, the files' sizes from the scan, lets the image
// buffer be reserved once.
WebBuildResult composeWebImageFromFiles(WebFileSystem& fs, const std::string& folder,
                                        const std::vector<std::string>& paths, uint64_t expectedBytes = 0);

// The paths of a plan's rows, in list order.
std::vector<std::string> rowPaths(const WebFolderPlan& plan);

// Reads the folder as a plan will leave it, without any change made: the planned
// contents of patched and copied pages, and renamed files under their new names. Every
// change is refused. A preview composes the image that the real build will make.
class PlannedWebFileSystem final : public WebFileSystem {
public:
    PlannedWebFileSystem(WebFileSystem& disk, const WebFolderPlan& plan) : m_disk(disk), m_plan(plan) {}

    bool listFolder(const std::string& folder, std::vector<WebDirEntry>& entries) override;
    bool readFile(const std::string& path, std::vector<uint8_t>& bytes) override;
    bool exists(const std::string& path) override;
    bool renameEntry(const std::string& from, const std::string& to) override;
    bool writeFile(const std::string& path, std::span<const uint8_t> bytes) override;

private:
    WebFileSystem& m_disk;
    const WebFolderPlan& m_plan;
};

}  // namespace tavo
