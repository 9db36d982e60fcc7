#include <QProcess>
#include <gtest/gtest.h>

namespace {

TEST(Cli, VersionAndHelp) {
    QProcess tavo;
    tavo.start(TAVO_CLI_EXE, {"--version"});
    ASSERT_TRUE(tavo.waitForFinished(10000));
    EXPECT_EQ(tavo.exitCode(), 0);
    EXPECT_TRUE(tavo.readAllStandardOutput().startsWith("tavo "));

    tavo.start(TAVO_CLI_EXE, {"--help"});
    ASSERT_TRUE(tavo.waitForFinished(10000));
    EXPECT_EQ(tavo.exitCode(), 0);
    EXPECT_TRUE(tavo.readAllStandardOutput().contains("usage: tavo"));

    tavo.start(TAVO_CLI_EXE, {"no-such-command"});
    ASSERT_TRUE(tavo.waitForFinished(10000));
    EXPECT_NE(tavo.exitCode(), 0);
}

}  // namespace
