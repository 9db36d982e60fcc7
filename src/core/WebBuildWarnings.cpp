#include "WebBuildWarnings.h"

#include <map>

#include "WebImage.h"

namespace tavo {
namespace {

// What makes a browser send a path other than the bytes of the name: it escapes blanks,
// controls, "%" and non-ASCII bytes, cuts the path at "#" and "?", and turns "\" into "/".
std::string escapedCharacters(const std::string& url) {
    std::string what;
    auto add = [&what](const char* name) {
        if (what.find(name) != std::string::npos) return;
        if (!what.empty()) what += ", ";
        what += name;
    };
    for (unsigned char c : url) {
        if (c == ' ') add("space");
        else if (c < 0x20 || c == 0x7F) add("control character");
        else if (c >= 0x80) add("non-ASCII");
        else if (c == '%') add("%");
        else if (c == '#') add("#");
        else if (c == '?') add("?");
        else if (c == '\\') add("\\");
    }
    return what;
}

WebWarningKind warningOf(WebNoteKind kind) {
    switch (kind) {
        case WebNoteKind::SpecialIndexReserved: return WebWarningKind::SpecialIndexReserved;
        case WebNoteKind::SharedIndex: return WebWarningKind::SharedIndex;
        case WebNoteKind::RenameWalkExhausted: return WebWarningKind::RenameWalkExhausted;
        case WebNoteKind::SymbolicLinkSkipped: return WebWarningKind::SymbolicLinkSkipped;
        case WebNoteKind::NotRegularFileSkipped: return WebWarningKind::NotRegularFileSkipped;
        case WebNoteKind::FolderTooDeep: return WebWarningKind::FolderTooDeep;
    }
    return WebWarningKind::SharedIndex;
}

}  // namespace

std::vector<WebWarning> webBuildWarnings(const WebFolderPlan& plan, const WebBuildResult* build) {
    std::vector<WebWarning> warnings;
    for (const WebResourceRow& row : plan.rows) {
        if (std::string what = escapedCharacters(row.urlPath); !what.empty())
            warnings.push_back({WebWarningKind::EscapedName, row.urlPath, row.index, {}, what, 0});
        if (contentTypeOf(fileNameOf(row.urlPath)) == UNKNOWN_CONTENT_TYPE)
            warnings.push_back({WebWarningKind::UnknownContentType, row.urlPath, row.index, {}, {}, 0});
    }
    if (build != nullptr && build->ok()) {
        std::map<uint8_t, std::string> owner;
        for (const WebImageRecord& record : build->records)
            if (record.reachable) owner[record.index] = record.urlPath;
        for (const WebImageRecord& record : build->records)
            if (!record.reachable)
                warnings.push_back({WebWarningKind::UnreachableRecord, record.urlPath, record.index, owner[record.index], {}, 0});
        if (build->image.size() > WEB_IMAGE_LIMIT)
            warnings.push_back({WebWarningKind::ImageOverLimit, {}, 0, {}, {}, build->image.size()});
    }
    for (const WebNote& note : plan.notes) {
        const bool below = note.path.compare(0, plan.folder.size(), plan.folder) == 0;
        warnings.push_back({warningOf(note.kind), below ? webUrlPath(plan.folder, note.path) : note.path, note.index,
                            {}, {}, 0});
    }
    return warnings;
}

}  // namespace tavo
