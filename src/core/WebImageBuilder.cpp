#include "WebImageBuilder.h"

namespace tavo {

bool WebFolderSelection::listsFolderAsItIs() const {
    return status == WebSelectionStatus::Refused &&
           (plan.status == WebPlanStatus::OverLimit || plan.status == WebPlanStatus::TooManyFiles);
}

WebFolderSelection selectWebFolder(WebFileSystem& fs, const std::string& folder, const std::string& templatePath,
                                   bool preview) {
    WebFolderSelection selection;
    selection.plan = planWebFolder(fs, folder, templatePath);
    if (!selection.plan.ready()) return selection;
    if (!preview) {
        selection.applied = applyWebFolderPlan(fs, selection.plan);
        if (!selection.applied.ok()) {
            selection.status = WebSelectionStatus::NotChanged;
            return selection;
        }
    }
    selection.status = WebSelectionStatus::Ready;
    return selection;
}

WebBuildResult composeSelectedImage(WebFileSystem& fs, const WebFolderSelection& selection) {
    return composeWebImageFromFiles(fs, selection.plan.folder, rowPaths(selection.plan), selection.plan.totalBytes);
}

WebBuildResult previewSelectedImage(WebFileSystem& fs, const WebFolderSelection& selection) {
    PlannedWebFileSystem preview(fs, selection.plan);
    return composeWebImageFromFiles(preview, selection.plan.folder, rowPaths(selection.plan), selection.plan.totalBytes);
}

}  // namespace tavo
