#include <gtest/gtest.h>

#include <chrono>

#include "DurableFile.h"
#include "FileDBTestSupport.h"
#include "IPFDB.h"

namespace tavo {
namespace {

using testing::TempFolder;
using testing::writeBytes;
namespace fs = std::filesystem;

// A save killed between writing its temporary file and renaming it leaves the temporary
// file behind; the next save of the same table removes it once it is old, and touches
// nothing else: not a young one (a save under way in another program), not another
// table's, not a name of another form, not a folder.
TEST(DurableFile, SaveRemovesOnlyStaleTemporariesOfItsOwnTable) {
    TempFolder folder;
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
    const auto place = [&](const std::string& name, bool isOld) {
        writeBytes(folder.file(name), "left behind");
        if (isOld) fs::last_write_time(folder.file(name), old);
    };
    place("iph.ini.0123456789abcdef.tmp", true);
    place("iph.ini.bak.0123456789abcdef.tmp", true);
    const std::vector<std::string> kept{"iph.ini.fedcba9876543210.tmp",   // young: another save
                                        "mach.ini.0123456789abcdef.tmp",  // another table
                                        "iph.ini.0123456789abcdeg.tmp",   // not a name we make
                                        "iph.ini.0123456789abcde.tmp",    "iph.ini.0123456789abcdef.tmp.x",
                                        "xiph.ini.0123456789abcdef.tmp"};
    place(kept[0], false);
    for (size_t i = 1; i < kept.size(); ++i) place(kept[i], true);
    fs::create_directory(folder.file("iph.ini.00000000000000aa.tmp"));
    // Windows may refuse to date a folder back; the folder must stay either way.
    std::error_code ignored;
    fs::last_write_time(folder.file("iph.ini.00000000000000aa.tmp"), old, ignored);

    CIPFDB history(folder.dir());
    ASSERT_NE(history.AddNew(), -1);
    history.SetRecord(10, 0, 0, 1);
    ASSERT_TRUE(history.Save());

    EXPECT_FALSE(fs::exists(folder.file("iph.ini.0123456789abcdef.tmp")));
    // The ".bak" copy's temporaries go when a save next writes the copy.
    EXPECT_TRUE(fs::exists(folder.file("iph.ini.bak.0123456789abcdef.tmp")));
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(folder.file(name))) << name;
    EXPECT_TRUE(fs::is_directory(folder.file("iph.ini.00000000000000aa.tmp")));
}

}  // namespace
}  // namespace tavo
