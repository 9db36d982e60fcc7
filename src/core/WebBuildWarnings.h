#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "WebFolderPlan.h"
#include "WebImageBuild.h"

// What an operator should know about a folder before its image goes into a device,
// beyond what the scan itself changes: names that cannot be reached, content types the
// device does not know, records hidden behind a shared index, an image too large for the
// upload, and the scan's own notes.
namespace tavo {

enum class WebWarningKind {
    EscapedName,        // a browser sends the name escaped (detail: what), the sum differs
    UnknownContentType, // served as "unknown"
    UnreachableRecord,  // other: the later resource on the same index
    SpecialIndexReserved,
    SharedIndex,
    RenameWalkExhausted,
    SymbolicLinkSkipped,
    NotRegularFileSkipped,
    FolderTooDeep,
    ImageOverLimit,     // the image itself is larger than the upload accepts (value: its size)
};

struct WebWarning {
    WebWarningKind kind;
    std::string path;   // URL path, or the full path for skipped entries
    uint8_t index = 0;
    std::string other;  // UnreachableRecord: the URL path that owns the index
    std::string detail; // EscapedName: the characters, e.g. "space, %"
    uint64_t value = 0;
};

// `build` may be null (no image was composed).
std::vector<WebWarning> webBuildWarnings(const WebFolderPlan& plan, const WebBuildResult* build);

}  // namespace tavo
