#include "WebEnglish.h"

#include <cstdio>

#include "TimeLeft.h"
#include "WebImage.h"

namespace tavo::cli {

std::string hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%2.2x", value & 0xFFu);
    return text;
}

std::string describeWebWarning(const WebWarning& w) {
    switch (w.kind) {
        case WebWarningKind::EscapedName:
            return w.path + ": a browser sends this name escaped (" + w.detail + "), so the device cannot find it";
        case WebWarningKind::UnknownContentType: return w.path + ": content type \"unknown\"";
        case WebWarningKind::UnreachableRecord:
            return w.path + ": its record cannot be reached: index " + hex2(w.index) + " belongs to " + w.other +
                   ", later in the list";
        case WebWarningKind::SpecialIndexReserved:
            return w.path + ": index " + hex2(w.index) +
                   " is already reserved by another special file (two special files on one index)";
        case WebWarningKind::SharedIndex:
            return w.path + ": keeps its name and shares index " + hex2(w.index) +
                   " (no free index or no character to change)";
        case WebWarningKind::RenameWalkExhausted:
            return w.path + ": keeps its name and shares index " + hex2(w.index) + " (every new name is taken)";
        case WebWarningKind::SymbolicLinkSkipped: return w.path + ": symbolic link, not followed";
        case WebWarningKind::NotRegularFileSkipped: return w.path + ": not a regular file, skipped";
        case WebWarningKind::FolderTooDeep: return w.path + ": folder nested too deep, skipped";
        case WebWarningKind::ImageOverLimit:
            return "the image (" + std::to_string(w.value) + " bytes) is larger than the " +
                   std::to_string(WEB_IMAGE_LIMIT) + " bytes the upload accepts";
    }
    return w.path;
}

const char* phaseName(UploadPhase phase) {
    switch (phase) {
    case UploadPhase::ReadingBefore: return "reading";
    case UploadPhase::Sending: return "sending";
    case UploadPhase::Verifying: return "verifying";
    }
    return "";
}

const char* statusName(UploadStatus status) {
    switch (status) {
    case UploadStatus::Completed: return "completed";
    case UploadStatus::VerifyFailed: return "verify-failed";
    case UploadStatus::VerifyIncomplete: return "verify-incomplete";
    case UploadStatus::NoSocket: return "no-socket";
    case UploadStatus::Stopped: return "stopped";
    }
    return "";
}

QString duration(std::chrono::milliseconds ms) {
    const TimeLeft left = splitTimeLeft(ms);
    if (left.underAMinute()) return QString("%1 s").arg(left.seconds);
    return QString("%1 min %2 s").arg(left.minutes).arg(left.seconds, 2, 10, QChar('0'));
}

}  // namespace tavo::cli
