#pragma once

#include <string>
#include <vector>

#include "WebFolderPlan.h"
#include "WebImageBuild.h"

namespace tavo {

class WebFileSystem;

// The web build as the page and `tavo image build` both make it, in its two halves: the
// selection (plan the folder, then change it as planned unless only previewed) and the
// composition of the image from the folder so changed. The page runs the halves apart
// (the composition on a worker, the file to write asked for in between); the command
// runs them one after the other.

enum class WebSelectionStatus {
    Ready,       // planned and (unless previewed) changed: the build may start
    Refused,     // the plan refused the folder (plan.status says why); nothing changed
    NotChanged,  // a step of the plan failed (applied says which); the steps before it stay
};

struct WebFolderSelection {
    WebSelectionStatus status = WebSelectionStatus::Refused;
    WebFolderPlan plan;
    WebApplyResult applied;
    bool ready() const { return status == WebSelectionStatus::Ready; }
    // A folder refused for its size or its number of files is still listed as it is, so
    // that the operator sees what to take out.
    bool listsFolderAsItIs() const;
};

// `preview`: plans only, changes nothing (the composition then reads the folder as the plan
// would leave it).
WebFolderSelection selectWebFolder(WebFileSystem& fs, const std::string& folder, const std::string& templatePath,
                                   bool preview = false);

// The image of a ready selection: read from the folder as it is now once changed
// (composeWebImageFromFiles with the plan's paths and total), or, for a preview, as the
// plan would leave it.
WebBuildResult composeSelectedImage(WebFileSystem& fs, const WebFolderSelection& selection);
WebBuildResult previewSelectedImage(WebFileSystem& fs, const WebFolderSelection& selection);

}  // namespace tavo
