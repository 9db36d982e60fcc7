#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The result of scanning a web folder: the resources in list order with their indexes,
// and every change the folder needs before it can be built (the copy of the default page,
// renames that make the indexes distinct, pages whose references follow the renames).
// A plan is made without changing anything; applyWebFolderPlan makes its changes.
namespace tavo {

class WebFileSystem;

enum SlotState : int { SLOT_FREE = 0, SLOT_TAKEN = 1, SLOT_RESERVED = 2 };

struct WebResourceRow {
    std::string path;     // full path, after the plan's renames
    std::string urlPath;  // "/img/logo.gif"
    uint64_t size = 0;
    uint8_t index = 0;
    std::string sourcePath;  // the path on disk before the plan
    uint8_t sourceIndex = 0;
    bool templateCopy = false;  // the default page that the plan copies into the folder
};

enum class WebStepKind { CopyTemplate, Rename, PatchPage };

struct WebPlanStep {
    WebStepKind kind = WebStepKind::Rename;
    std::string from;  // CopyTemplate: the template; Rename: the old full path; PatchPage: the page
    std::string to;    // CopyTemplate: the copy; Rename: the new full path; PatchPage: the page
    std::string oldName, newName;  // Rename, PatchPage: the file names replaced
    uint8_t oldIndex = 0, newIndex = 0;  // Rename
};

enum class WebNoteKind {
    SpecialIndexReserved,  // a special file whose index another special file reserved
    SharedIndex,           // a colliding file that keeps its name: no free slot or no character
    RenameWalkExhausted,   // a colliding file that keeps its name: every new name was taken
    SymbolicLinkSkipped,   // never followed, never listed
    NotRegularFileSkipped, // devices, pipes, sockets
    FolderTooDeep,         // a folder below the nesting limit, not scanned
};

struct WebNote {
    WebNoteKind kind;
    std::string path;
    uint8_t index = 0;
};

enum class WebPlanStatus {
    Ready,
    FolderUnreadable,  // failedPath: a folder that cannot be listed
    TemplateMissing,   // failedPath: the default page to copy (empty: none found)
    PageUnreadable,    // failedPath: a page that must be patched but cannot be read
    OverLimit,         // totalBytes > WEB_IMAGE_LIMIT
    TooManyFiles,      // more resources than table entries
};

struct WebFolderPlan {
    WebPlanStatus status = WebPlanStatus::Ready;
    std::string failedPath;
    std::string reason;
    std::string folder;
    std::vector<WebResourceRow> rows;
    std::vector<WebPlanStep> steps;
    std::vector<WebNote> notes;
    uint64_t totalBytes = 0;
    std::array<int, 256> slotStates{};  // m_slots after the scan
    // What the plan leaves on disk that differs from now: final contents of the pages it
    // patches and of the copied default page, and for each renamed file its old path.
    std::map<std::string, std::vector<uint8_t>> plannedContents;
    std::map<std::string, std::string> plannedSource;

    bool ready() const { return status == WebPlanStatus::Ready; }
};

// Largest number of resources the offset table can reach.
inline constexpr size_t WEB_MAX_RESOURCES = 256;
// Folders nested deeper than this below the web folder are not scanned.
inline constexpr int WEB_MAX_FOLDER_DEPTH = 32;

// Scans `folder` and plans its changes. `templatePath` is the default page to copy when
// the folder has no "707.html" (empty when none was found). Nothing is changed.
WebFolderPlan planWebFolder(WebFileSystem& fs, const std::string& folder, const std::string& templatePath);

enum class WebApplyStatus { Done, CopyFailed, RenameFailed, PatchFailed };

struct WebApplyResult {
    WebApplyStatus status = WebApplyStatus::Done;
    size_t stepsDone = 0;  // the steps of the plan made before the failure
    std::string reason;
    std::string failedPage;  // PatchFailed after every step: the page that could not be written
    bool ok() const { return status == WebApplyStatus::Done; }
};

// Makes the plan's changes in order and stops at the first that fails. Pages are read
// once and written once, after the renames, through a temporary file renamed over them;
// a page written holds the references of exactly the renames that were made.
WebApplyResult applyWebFolderPlan(WebFileSystem& fs, const WebFolderPlan& plan);

// The file a failed apply stopped at (the page, the renamed file, or the copy's target).
std::string failedPathOf(const WebFolderPlan& plan, const WebApplyResult& applied);

// The renames among the first `count` steps of a plan (what was done before a failure).
std::vector<WebPlanStep> renamesAmong(const WebFolderPlan& plan, size_t count);

// The URL path of a file below the web folder: the path with the folder cut off, '/'
// separated, with a leading '/'.
std::string webUrlPath(const std::string& folder, const std::string& path);

// The installed programs' data folder, relative to the folder of the programs.
inline constexpr const char* INSTALLED_DATA_DIR = "../share/tavo-utility";

// Where the default page to copy is: "707.html" in the start-up directory, else the one
// beside the program (a build tree), else the one in the installed data folder
// (INSTALLED_DATA_DIR); empty when none exists.
std::string locateWebTemplate(WebFileSystem& fs, const std::string& startupDir, const std::string& programDir);

}  // namespace tavo
