// Every save on a full file system refuses with its message and leaves the table and
// its ".bak" copy exactly as they were. The file system is a small tmpfs mounted in a
// mount namespace of the test's own (for a user other than root, inside a user namespace
// of its own, where it may mount a tmpfs): the test runs this binary again inside it,
// where the inner test does the work.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "FileDBTestSupport.h"
#include "IPFDB.h"
#include "MacHistoryFDB.h"
#include "BigTable.h"

namespace tavo::testing {
namespace {

constexpr const char* kInsideVariable = "TAVO_FULL_DISK_DIR";
constexpr const char* kTmpfsSize = "4m";
constexpr size_t kPage = 4096;

std::string runAndCapture(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    std::array<char, 4096> piece;
    size_t got = 0;
    while ((got = fread(piece.data(), 1, piece.size(), pipe)) > 0) output.append(piece.data(), got);
    const int raw = pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return output;
}

TEST(TableFullDisk, EverySaveRefusesAndLeavesTheFilesAsTheyWere) {
    const std::string unshare = geteuid() == 0 ? "unshare -m --propagation private" : "unshare -rm --propagation private";
    int status = 0;
    const std::string probe = runAndCapture(unshare + " true", status);
    if (status != 0) GTEST_SKIP() << "cannot make a mount namespace here (" << unshare << "): " << probe;

    TempFolder mountPoint;
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string command = std::string(kInsideVariable) + "='" + mountPoint.dir() +
                                "' " + unshare + " sh -c 'mount -t tmpfs -o size=" + kTmpfsSize +
                                " tavo-full \"$0\" && exec \"$1\" --gtest_filter=TableFullDiskInside.*' '" +
                                mountPoint.dir() + "' '" + self + "'";
    const std::string output = runAndCapture(command, status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
    EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
    // The tmpfs lived in the namespace only: nothing is left at the mount point.
    EXPECT_TRUE(fs::is_empty(mountPoint.path()));
}

// Fills the file system with one file, then frees `room` bytes of it again.
class Filler {
public:
    explicit Filler(const fs::path& path) : path_(path) {
        fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        fill();
    }
    void fill() {
        lseek(fd_, static_cast<off_t>(size_), SEEK_SET);
        std::string piece(64 * 1024, 'x');
        size_t chunk = piece.size();
        while (chunk > 0) {
            const ssize_t put = write(fd_, piece.data(), chunk);
            if (put > 0) {
                size_ += static_cast<size_t>(put);
            } else {
                chunk /= 2;
            }
        }
    }
    ~Filler() {
        close(fd_);
        fs::remove(path_);
    }
    // Fills the file system up again, then frees `room` bytes (a file that grows by
    // truncation would only get holes, so it is written).
    void leave(size_t room) {
        fill();
        ASSERT_EQ(ftruncate(fd_, static_cast<off_t>(size_ - std::min(room, size_))), 0);
        size_ -= std::min(room, size_);
    }

private:
    fs::path path_;
    int fd_ = -1;
    size_t size_ = 0;
};

// The names of the files whose bytes differ, and of files that came or went (a
// comparison of the contents themselves would print megabytes on a failure).
std::string changedFiles(const std::map<std::string, std::string>& before,
                         const std::map<std::string, std::string>& after) {
    std::string changed;
    for (const auto& [name, bytes] : after) {
        const auto old = before.find(name);
        if (old == before.end() || old->second != bytes) changed += name + " ";
    }
    for (const auto& entry : before)
        if (!after.count(entry.first)) changed += entry.first + "(gone) ";
    return changed;
}

std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename() != "filler") files[entry.path().filename().string()] = readBytes(entry.path());
    return files;
}

void expectRefusedForLackOfSpace(const MessageLog& log, const std::string& what) {
    ASSERT_FALSE(log.entries.empty()) << what;
    EXPECT_EQ(log.entries.back().first, TableMessage::FileNotWritable) << what;
    EXPECT_NE(log.entries.back().second.find(std::strerror(ENOSPC)), std::string::npos)
        << what << ": " << log.entries.back().second;
}

TEST(TableFullDiskInside, EverySaveRefuses) {
    const char* inside = std::getenv(kInsideVariable);
    if (inside == nullptr) GTEST_SKIP() << "runs inside the mount namespace that TableFullDisk makes";
    const fs::path dir(inside);

    // A whole device table whose last line cannot be read (so a save must keep a ".bak"
    // copy), an older copy, and the two histories.
    size_t tableSize = 0;
    {
        CBootPFDB table(dir.string());
        fillBigTable(table, 1);
        ASSERT_TRUE(table.Save());
        std::string bytes = readBytes(dir / "bootp.ini") + "\r\n[5001]\r\nnot a record\r\n";
        writeBytes(dir / "bootp.ini", bytes);
        tableSize = bytes.size();
        writeBytes(dir / "bootp.ini.bak", "an older copy\r\n");
        ASSERT_EQ(CIPFDB::AddIfAbsent(dir.string(), 192, 168, 1, 10), HistoryAddResult::Added);
    }
    ASSERT_EQ(CMacHistoryFDB::AddIfAbsent(dir.string(), {2, 75, 126, 1, 2, 3}), HistoryAddResult::Added);
    const auto before = snapshot(dir);

    Filler filler(dir / "filler");
    // No room at all; a page; more than a page; room for the new table but not for the
    // copy of the old one beside it.
    for (const size_t room : {size_t{0}, kPage, 16 * kPage, tableSize + 8 * kPage}) {
        SCOPED_TRACE("room " + std::to_string(room));
        filler.leave(room);
        MessageLog log;
        CBootPFDB table(dir.string(), log.sink());
        ASSERT_TRUE(table.Load());
        ASSERT_TRUE(table.hasUnreadRest());
        setBigTableVariant(table, 2);
        EXPECT_FALSE(table.Save());
        expectRefusedForLackOfSpace(log, "device table");
        EXPECT_EQ(changedFiles(before, snapshot(dir)), "");
    }
    filler.leave(0);
    MessageLog ipLog;
    EXPECT_EQ(CIPFDB::AddIfAbsent(dir.string(), 10, 1, 2, 3, ipLog.sink()), HistoryAddResult::Failed);
    expectRefusedForLackOfSpace(ipLog, "IP history");
    MessageLog macLog;
    EXPECT_EQ(CMacHistoryFDB::AddIfAbsent(dir.string(), {2, 75, 126, 4, 5, 6}, macLog.sink()), HistoryAddResult::Failed);
    expectRefusedForLackOfSpace(macLog, "MAC history");
    EXPECT_EQ(changedFiles(before, snapshot(dir)), "");
}

}  // namespace
}  // namespace tavo::testing
