#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "FileDBTestSupport.h"
#include "WebFileSystem.h"
#include "WebFolderPlan.h"
#include "WebFolderPlanner.h"
#include "WebImageBuild.h"
#include "WebImageBuilder.h"
#include "WebImageReader.h"

namespace tavo {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

// Every file below a folder with its contents, to see that nothing changed.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = fs::relative(it->path(), root).generic_string();
        if (it->is_symlink())
            files[rel] = "-> " + fs::read_symlink(it->path()).generic_string();
        else if (it->is_regular_file())
            files[rel] = readBytes(it->path());
        else
            files[rel] = "<dir>";
    }
    return files;
}

// A name "<head>XY<tail>" whose URL path "/<name>" (below `folder`) has the given index.
std::string nameWithIndex(const std::string& folderUrl, const std::string& head, const std::string& tail,
                          uint8_t index) {
    const std::string alnum = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (char x : alnum)
        for (char y : alnum) {
            const std::string name = head + x + y + tail;
            if (ResourceIndex(folderUrl + "/" + name) == index) return name;
        }
    return {};
}

class WebFolderTest : public ::testing::Test {
protected:
    void file(const std::string& rel, const std::string& bytes = "x") {
        fs::create_directories((folder.path() / rel).parent_path());
        writeBytes(folder.path() / rel, bytes);
    }
    std::string dir() const { return folder.dir(); }
    WebFolderPlan plan() { return planWebFolder(disk, dir(), templatePath()); }
    std::string templatePath() const { return (templates.path() / "707.html").generic_string(); }
    void SetUp() override { writeBytes(templates.path() / "707.html", "<html>TAVO 707</html>"); }

    static std::vector<std::string> urls(const WebFolderPlan& p) {
        std::vector<std::string> out;
        for (const auto& row : p.rows) out.push_back(row.urlPath);
        return out;
    }
    static const WebResourceRow* row(const WebFolderPlan& p, const std::string& url) {
        for (const auto& r : p.rows)
            if (r.urlPath == url) return &r;
        return nullptr;
    }
    static bool hasNote(const WebFolderPlan& p, WebNoteKind kind, const std::string& suffix) {
        return std::any_of(p.notes.begin(), p.notes.end(), [&](const WebNote& n) {
            return n.kind == kind && n.path.size() >= suffix.size() &&
                   n.path.compare(n.path.size() - suffix.size(), suffix.size(), suffix) == 0;
        });
    }
    // Applies a plan and builds; the image must equal the preview's.
    std::vector<uint8_t> applyAndBuild(const WebFolderPlan& p) {
        PlannedWebFileSystem preview(disk, p);
        const WebBuildResult previewed = composeWebImageFromFiles(preview, p.folder, rowPaths(p), p.totalBytes);
        EXPECT_TRUE(applyWebFolderPlan(disk, p).ok());
        const WebBuildResult built = composeWebImageFromFiles(disk, p.folder, rowPaths(p), p.totalBytes);
        EXPECT_TRUE(built.ok());
        EXPECT_EQ(previewed.image, built.image);
        return built.image;
    }

    TempFolder folder;
    TempFolder templates;
    DiskWebFileSystem disk;
};

TEST_F(WebFolderTest, CollidingNamesAreRenamedAndPagesPatched) {
    file("707.html", "<a href=ba.gif>");
    file("ab.gif", "first");
    file("ba.gif", "second");
    file("links.htm", "ba.gif aba.gif ba.gifba.gif");
    file("UPPER.HTM", "ba.gif");      // "HTM": not a page for the patch
    file("notes.txt", "ba.gif");
    const auto before = snapshot(folder.path());
    const WebFolderPlan p = plan();
    ASSERT_TRUE(p.ready());
    EXPECT_EQ(snapshot(folder.path()), before);  // planning changes nothing
    EXPECT_EQ(urls(p), (std::vector<std::string>{"/707.html", "/ab.gif", "/bb.gif", "/links.htm",
                                                 "/notes.txt", "/UPPER.HTM"}));
    EXPECT_EQ(row(p, "/ab.gif")->index, 0x56);
    EXPECT_EQ(row(p, "/bb.gif")->index, 0x57);
    EXPECT_EQ(row(p, "/bb.gif")->sourceIndex, 0x56);
    ASSERT_EQ(p.steps.size(), 3u);
    EXPECT_EQ(p.steps[0].kind, WebStepKind::Rename);
    EXPECT_EQ(p.steps[0].newName, "bb.gif");

    const std::vector<uint8_t> image = applyAndBuild(p);
    EXPECT_FALSE(fs::exists(folder.file("ba.gif")));
    EXPECT_EQ(readBytes(folder.file("bb.gif")), "second");
    EXPECT_EQ(readBytes(folder.file("links.htm")), "bb.gif abb.gif bb.gifbb.gif");
    EXPECT_EQ(readBytes(folder.file("707.html")), "<a href=bb.gif>");
    EXPECT_EQ(readBytes(folder.file("UPPER.HTM")), "ba.gif");
    EXPECT_EQ(readBytes(folder.file("notes.txt")), "ba.gif");
    const WebImageContents contents = readWebImage(image);
    EXPECT_TRUE(contents.ok());
    EXPECT_TRUE(contents.unreachable.empty());
}

TEST_F(WebFolderTest, NewNameTakenMovesOnTowardTheStart) {
    file("707.html");
    file("ab.gif");
    file("ba.gif");
    file("bb.gif");
    const WebFolderPlan p = plan();
    ASSERT_TRUE(p.ready());
    ASSERT_EQ(p.steps.size(), 1u);
    EXPECT_EQ(p.steps[0].newName, "cb.gif");
    EXPECT_EQ(p.steps[0].newIndex, 0x58);
    EXPECT_EQ(row(p, "/bb.gif")->index, 0x57);
}

TEST_F(WebFolderTest, RenameWalkOutOfCharactersKeepsTheNameAndTellsSo) {
    file("707.html");
    file("a.gfi");
    file("a.gif");
    file("b.gif");
    const WebFolderPlan p = plan();
    ASSERT_TRUE(p.ready());
    EXPECT_TRUE(p.steps.empty());
    EXPECT_TRUE(hasNote(p, WebNoteKind::RenameWalkExhausted, "/a.gif"));
    EXPECT_EQ(row(p, "/a.gif")->index, row(p, "/a.gfi")->index);
    const WebBuildResult built = composeWebImageFromFiles(disk, p.folder, rowPaths(p));
    EXPECT_FALSE(built.records[1].reachable);  // a.gfi, the earlier of the two
}

TEST_F(WebFolderTest, NamesWithoutACharacterToShiftKeepTheirIndex) {
    file("707.html");
    file("noext");
    file("oenxt");
    file(".hidden");
    file(".hiddne");
    const WebFolderPlan p = plan();
    ASSERT_TRUE(p.ready());
    EXPECT_TRUE(p.steps.empty());
    EXPECT_TRUE(hasNote(p, WebNoteKind::SharedIndex, "/oenxt"));
    EXPECT_TRUE(hasNote(p, WebNoteKind::SharedIndex, "/.hiddne"));
    EXPECT_EQ(p.rows.size(), 5u);
}

TEST_F(WebFolderTest, SpecialFilesKeepTheirNameWhicheverComesFirst) {
    file("707.html");
    const uint8_t classIndex = ResourceIndex("/A.class");
    const std::string before = nameWithIndex("", "0", ".gif", classIndex);   // sorts before A.class
    const std::string after = nameWithIndex("", "Z", ".gif", classIndex);    // sorts after it
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(after.empty());
    file(before);
    file("A.class");
    file(after);
    const WebFolderPlan p = plan();
    ASSERT_TRUE(p.ready());
    EXPECT_EQ(row(p, "/A.class")->index, classIndex);
    ASSERT_EQ(p.steps.size(), 2u);
    EXPECT_EQ(p.steps[0].oldName, before);
    EXPECT_EQ(p.steps[1].oldName, after);
}

TEST_F(WebFolderTest, TwoSpecialFilesOnOneIndex) {
    file("707.html");
    file("ab.class");
    file("ba.class");
    const WebFolderPlan p = plan();
    ASSERT_TRUE(p.ready());
    EXPECT_TRUE(hasNote(p, WebNoteKind::SpecialIndexReserved, "/ba.class"));
    ASSERT_EQ(p.steps.size(), 1u);  // the second one found moves like an ordinary file
    EXPECT_EQ(p.steps[0].oldName, "ba.class");
    EXPECT_EQ(p.steps[0].newName, "bb.class");
}

TEST_F(WebFolderTest, BackupFileHoldsItsSlotUnlisted) {
    file("707.html");
    file("x.bak");
    file("x.bka");
    const WebFolderPlan p = plan();
    ASSERT_TRUE(p.ready());
    EXPECT_EQ(urls(p), (std::vector<std::string>{"/707.html", "/y.bka"}));
    EXPECT_EQ(p.slotStates[ResourceIndex("/x.bak")], SLOT_TAKEN);
}

TEST_F(WebFolderTest, TemplateCopiedOnlyWhenTheFolderHasNoDefaultPage) {
    file("707.htm", "own");
    WebFolderPlan p = plan();
    ASSERT_TRUE(p.ready());
    ASSERT_FALSE(p.steps.empty());
    EXPECT_EQ(p.steps[0].kind, WebStepKind::CopyTemplate);
    EXPECT_TRUE(row(p, "/707.html")->templateCopy);
    applyAndBuild(p);
    EXPECT_EQ(readBytes(folder.file("707.html")), "<html>TAVO 707</html>");

    p = plan();
    EXPECT_TRUE(p.steps.empty());
    const WebFolderPlan none = planWebFolder(disk, dir(), "");
    EXPECT_TRUE(none.steps.empty());  // it has one now

    TempFolder empty;
    const WebFolderPlan missing = planWebFolder(disk, empty.dir(), "");
    EXPECT_EQ(missing.status, WebPlanStatus::TemplateMissing);
    EXPECT_EQ(locateWebTemplate(disk, empty.dir(), templates.dir()), templatePath());
    EXPECT_EQ(locateWebTemplate(disk, templates.dir(), empty.dir()), templatePath());
    EXPECT_EQ(locateWebTemplate(disk, empty.dir(), empty.dir()), "");
    // Installed: the programs in PREFIX/bin, the page in PREFIX/share/tavo-utility.
    TempFolder prefix;
    fs::create_directories(prefix.path() / "bin");
    fs::create_directories(prefix.path() / "share" / "tavo-utility");
    writeBytes(prefix.path() / "share" / "tavo-utility" / "707.html", "<html>installed</html>");
    const std::string found = locateWebTemplate(disk, empty.dir(), (prefix.path() / "bin").generic_string());
    EXPECT_EQ(readBytes(found), "<html>installed</html>");
    EXPECT_EQ(locateWebTemplate(disk, templates.dir(), (prefix.path() / "bin").generic_string()), templatePath());
}

TEST_F(WebFolderTest, SizeLimitCountsTheFilesAlone) {
    file("707.html", std::string(100, 'h'));
    file("big.gif", std::string(WEB_IMAGE_LIMIT - 100, 'g'));
    EXPECT_TRUE(plan().ready());
    file("big.gif", std::string(WEB_IMAGE_LIMIT - 99, 'g'));
    const WebFolderPlan over = plan();
    EXPECT_EQ(over.status, WebPlanStatus::OverLimit);
    EXPECT_EQ(over.totalBytes, WEB_IMAGE_LIMIT + 1);
}

TEST_F(WebFolderTest, SubFolderFilesHaveTheirOwnIndexAndOrderIsCaseInsensitive) {
    file("707.html");
    file("img/a.gif");
    file("a.gif");
    file("b.gif");
    file("B.txt");
    file("A.txt");
    const WebFolderPlan p = plan();
    EXPECT_EQ(urls(p), (std::vector<std::string>{"/707.html", "/a.gif", "/A.txt", "/b.gif", "/B.txt", "/img/a.gif"}));
    EXPECT_EQ(row(p, "/img/a.gif")->index, 0x60);
    EXPECT_EQ(row(p, "/a.gif")->index, 0xF4);
}

TEST_F(WebFolderTest, HostileFoldersEndWithAClearStatus) {
    file("707.html");
    file("a.gif");
    TempFolder outside;
    writeBytes(outside.path() / "secret.htm", "ba.gif");
    // Windows lets only some accounts make links (and Wine none).
    std::error_code linkError;
    fs::create_directory_symlink(folder.path(), folder.path() / "loop", linkError);
    if (linkError) GTEST_SKIP() << "symbolic links cannot be made here: " << linkError.message();
    fs::create_symlink(outside.path() / "secret.htm", folder.path() / "out.htm");
    fs::create_directory_symlink(outside.path(), folder.path() / "outdir");
    file("ab.gif");
    file("ba.gif");
    const WebFolderPlan p = plan();
    ASSERT_TRUE(p.ready());
    EXPECT_TRUE(hasNote(p, WebNoteKind::SymbolicLinkSkipped, "/loop"));
    EXPECT_TRUE(hasNote(p, WebNoteKind::SymbolicLinkSkipped, "/out.htm"));
    EXPECT_EQ(p.rows.size(), 4u);
    applyAndBuild(p);
    EXPECT_EQ(readBytes(outside.path() / "secret.htm"), "ba.gif");

    // A file removed between the scan and the build.
    const WebFolderPlan again = plan();
    fs::remove(folder.file("a.gif"));
    const WebBuildResult gone = composeWebImageFromFiles(disk, again.folder, rowPaths(again));
    EXPECT_EQ(gone.status, WebBuildStatus::FileUnreadable);
    EXPECT_EQ(gone.failedPath, folder.file("a.gif").generic_string());
}

TEST_F(WebFolderTest, MoreFilesThanTableEntriesChangeNothing) {
    for (int i = 0; i < 300; ++i) file("f" + std::to_string(i) + ".gif");
    const auto before = snapshot(folder.path());
    const WebFolderPlan p = plan();
    EXPECT_EQ(p.status, WebPlanStatus::TooManyFiles);
    EXPECT_EQ(snapshot(folder.path()), before);
    EXPECT_EQ(composeWebImageFromFiles(disk, p.folder, rowPaths(p)).status, WebBuildStatus::TooManyFiles);
}

TEST_F(WebFolderTest, PatchedPageKeepsItsPermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "no POSIX permission bits on Windows";
#endif
    file("707.html");
    file("ab.gif");
    file("ba.gif");
    file("page.html", "<img src=ba.gif>");
    fs::permissions(folder.file("page.html"), fs::perms(0640));
    applyAndBuild(plan());
    EXPECT_EQ(readBytes(folder.file("page.html")), "<img src=bb.gif>");
    EXPECT_EQ(fs::status(folder.file("page.html")).permissions() & fs::perms::all, fs::perms(0640));
}

// A patch killed before its rename leaves "<page>.<16 hex>.tmp" beside the page: the scan
// does not take it for content, and the next patch of the page removes it once it is
// stale. A file of that form without its page beside it is the operator's and is kept.
TEST_F(WebFolderTest, TemporaryFileOfAKilledPatchIsNotContent) {
    file("707.html");
    file("ab.gif");
    file("ba.gif");
    file("page.html", "<img src=ba.gif>");
    file("page.html.0123456789abcdef.tmp", "<img src=bb");
    fs::last_write_time(folder.file("page.html.0123456789abcdef.tmp"),
                        fs::file_time_type::clock::now() - std::chrono::hours(2));
    file("lone.htm.0123456789abcdef.tmp");
    const WebFolderPlan p = plan();
    ASSERT_TRUE(p.ready());
    EXPECT_EQ(row(p, "/page.html.0123456789abcdef.tmp"), nullptr);
    EXPECT_NE(row(p, "/lone.htm.0123456789abcdef.tmp"), nullptr);
    applyAndBuild(p);
    EXPECT_EQ(readBytes(folder.file("page.html")), "<img src=bb.gif>");
    EXPECT_FALSE(fs::exists(folder.file("page.html.0123456789abcdef.tmp")));
    EXPECT_TRUE(fs::exists(folder.file("lone.htm.0123456789abcdef.tmp")));
}

// Fails chosen operations, for the failures a real folder cannot easily show.
class FailingFileSystem final : public WebFileSystem {
public:
    explicit FailingFileSystem(WebFileSystem& real) : m_real(real) {}
    bool listFolder(const std::string& f, std::vector<WebDirEntry>& e) override { return m_real.listFolder(f, e); }
    bool readFile(const std::string& path, std::vector<uint8_t>& bytes) override {
        if (unreadable.count(path)) return failWith("Permission denied");
        return m_real.readFile(path, bytes);
    }
    bool exists(const std::string& path) override { return m_real.exists(path); }
    bool renameEntry(const std::string& from, const std::string& to) override {
        if (unrenamable.count(from)) return failWith("Permission denied");
        return m_real.renameEntry(from, to);
    }
    bool writeFile(const std::string& path, std::span<const uint8_t> bytes) override {
        return m_real.writeFile(path, bytes);
    }
    std::set<std::string> unreadable, unrenamable;

private:
    bool failWith(const char* reason) {
        m_lastError = reason;
        return false;
    }
    WebFileSystem& m_real;
};

TEST_F(WebFolderTest, FailuresNameTheFileAndTheRenamesAlreadyMade) {
    file("707.html");
    file("ab.gif");
    file("ba.gif");
    file("cd.gif");
    file("dc.gif");
    file("page.htm", "ba.gif dc.gif");
    FailingFileSystem failing(disk);
    failing.unreadable.insert(folder.file("page.htm").generic_string());
    const WebFolderPlan unreadablePage = planWebFolder(failing, dir(), templatePath());
    EXPECT_EQ(unreadablePage.status, WebPlanStatus::PageUnreadable);
    EXPECT_EQ(unreadablePage.failedPath, folder.file("page.htm").generic_string());
    failing.unreadable.clear();

    const WebFolderPlan p = planWebFolder(failing, dir(), templatePath());
    ASSERT_TRUE(p.ready());
    failing.unrenamable.insert(folder.file("dc.gif").generic_string());
    const WebApplyResult applied = applyWebFolderPlan(failing, p);
    EXPECT_EQ(applied.status, WebApplyStatus::RenameFailed);
    EXPECT_EQ(p.steps[applied.stepsDone].from, folder.file("dc.gif").generic_string());
    const std::vector<WebPlanStep> done = renamesAmong(p, applied.stepsDone);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].newName, "bb.gif");
    EXPECT_EQ(readBytes(folder.file("page.htm")), "bb.gif dc.gif");  // the first rename's patch was made

    failing.unreadable.insert(folder.file("cd.gif").generic_string());
    const WebBuildResult built = composeWebImageFromFiles(failing, dir(), rowPaths(p));
    EXPECT_EQ(built.status, WebBuildStatus::FileUnreadable);
    EXPECT_EQ(built.failedPath, folder.file("cd.gif").generic_string());
}

// The selection both front ends make: a preview leaves the folder as it is and composes
// what the change would give; a folder refused for its size is listed as it is, one
// refused for an unreadable page is not; a failed step is told apart from a refusal.
TEST_F(WebFolderTest, TheSelectionPreviewsChangesOrRefusesAsBothFrontEndsDo) {
    file("ab.gif", "1");
    file("ba.gif", "2");
    const WebFolderSelection preview = selectWebFolder(disk, dir(), templatePath(), true);
    ASSERT_TRUE(preview.ready());
    EXPECT_FALSE(fs::exists(folder.path() / "707.html"));  // nothing copied or renamed yet
    EXPECT_TRUE(fs::exists(folder.path() / "ba.gif"));
    const WebBuildResult previewed = previewSelectedImage(disk, preview);
    ASSERT_TRUE(previewed.ok());
    const WebFolderSelection changed = selectWebFolder(disk, dir(), templatePath());
    ASSERT_TRUE(changed.ready());
    EXPECT_TRUE(fs::exists(folder.path() / "707.html"));
    const WebBuildResult built = composeSelectedImage(disk, changed);
    ASSERT_TRUE(built.ok());
    EXPECT_EQ(built.image, previewed.image);

    file("big.gif", std::string(WEB_IMAGE_LIMIT, 'g'));
    const WebFolderSelection over = selectWebFolder(disk, dir(), templatePath());
    EXPECT_EQ(over.status, WebSelectionStatus::Refused);
    EXPECT_TRUE(over.listsFolderAsItIs());
    fs::remove(folder.path() / "big.gif");

    file("ef.gif");
    file("fe.gif");  // collides with ef.gif: the page naming it is patched
    file("page.htm", "fe.gif");
    FailingFileSystem failing(disk);
    failing.unreadable.insert(folder.file("page.htm").generic_string());
    const WebFolderSelection unreadable = selectWebFolder(failing, dir(), templatePath());
    EXPECT_EQ(unreadable.status, WebSelectionStatus::Refused);
    EXPECT_FALSE(unreadable.listsFolderAsItIs());
    failing.unreadable.clear();

    failing.unrenamable.insert(folder.file("fe.gif").generic_string());
    const WebFolderSelection notChanged = selectWebFolder(failing, dir(), templatePath());
    EXPECT_EQ(notChanged.status, WebSelectionStatus::NotChanged);
    EXPECT_EQ(notChanged.applied.status, WebApplyStatus::RenameFailed);
}

TEST(WebFolderSlots, NextWrapsAndPrevSkips170AndNeverGivesZero) {
    DiskWebFileSystem disk;
    WebFolderPlanner planner(disk, "/nowhere");
    planner.m_slots.fill(SLOT_TAKEN);
    planner.m_slots[0] = SLOT_FREE;
    planner.m_slots[0xAA] = SLOT_FREE;
    EXPECT_EQ(planner.NextFreeSlot(0xFF), 0);
    EXPECT_EQ(planner.NextFreeSlot(0xAB), 0);
    EXPECT_EQ(planner.NextFreeSlot(0x10), 0xAA);
    EXPECT_FALSE(planner.PrevFreeSlot(0xFF).has_value());
    planner.m_slots[5] = SLOT_RESERVED;
    EXPECT_FALSE(planner.PrevFreeSlot(0xFF).has_value());
    planner.m_slots[5] = SLOT_FREE;
    EXPECT_EQ(planner.PrevFreeSlot(0xFF), 5);
    EXPECT_FALSE(planner.PrevFreeSlot(5).has_value());
    planner.m_slots.fill(SLOT_TAKEN);
    EXPECT_FALSE(planner.NextFreeSlot(3).has_value());
}

}  // namespace
}  // namespace tavo
