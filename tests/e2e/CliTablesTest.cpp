// `tavo devices` and `tavo history` run as the real binary on private data folders.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "Profile.h"

namespace {

struct CliRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

CliRun Tavo(const QStringList& args, const QString& workingDir = {}) {
    QProcess tavo;
    if (!workingDir.isEmpty()) tavo.setWorkingDirectory(workingDir);
    tavo.start(TAVO_CLI_EXE, args);
    CliRun run;
    if (!tavo.waitForFinished(20000)) return run;
    run.code = tavo.exitStatus() == QProcess::NormalExit ? tavo.exitCode() : -1;
    run.out = tavo.readAllStandardOutput();
    run.err = tavo.readAllStandardError();
    return run;
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray Golden(const char* name) { return Bytes(QString(TAVO_SOURCE_DIR) + "/tests/core/data/" + name); }

class CliTables : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    CliRun Devices(QStringList args) { return Tavo(QStringList{"devices"} + args + QStringList{"--data-dir", dir.path()}); }
    CliRun History(QStringList args) { return Tavo(QStringList{"history"} + args + QStringList{"--data-dir", dir.path()}); }
    QString File(const char* name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(CliTables, AddListAndRemoveWriteTheTablesForms) {
    CliRun run = Devices({"add", "--ip", "192.168.1.10", "--mac", "00:11:aa:bb:cc:dd"});
    ASSERT_EQ(run.code, 0) << run.err.constData();
    run = Devices({"add", "--ip", "10.0.0.1", "--mac", "02-AB-CD-EF-01-23", "--gateway", "10.0.0.254", "--subnet",
                   "255.0.0.0"});
    ASSERT_EQ(run.code, 0) << run.err.constData();
    EXPECT_EQ(Bytes(File("bootp.ini")), Golden("bootp.ini"));

    run = Devices({"list"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out,
              "1\t6\t192.168.  1. 10\t0011AABBCCDD\t  0.  0.  0.  0\t255.255.255.  0\n"
              "1\t6\t 10.  0.  0.  1\t02ABCDEF0123\t 10.  0.  0.254\t255.  0.  0.  0\n");

    // Both addresses went into the histories, which list newest first.
    EXPECT_EQ(Bytes(File("iph.ini")), "[1]\t 192.168.1.10\r\n[2]\t 10.0.0.1\r\n");
    EXPECT_EQ(Bytes(File("mach.ini")), "[1]\t 0:17:170:187:204:221\r\n[2]\t 2:171:205:239:1:35\r\n");
    EXPECT_EQ(History({"ip", "list"}).out, " 10.  0.  0.  1\n192.168.  1. 10\n");
    EXPECT_EQ(History({"mac", "list"}).out, "02:AB:CD:EF:01:23\n00:11:AA:BB:CC:DD\n");

    run = Devices({"remove", "--mac", "0011AABBCCDD"});
    EXPECT_EQ(run.code, 0) << run.err.constData();
    EXPECT_EQ(Devices({"list"}).out, "1\t6\t 10.  0.  0.  1\t02ABCDEF0123\t 10.  0.  0.254\t255.  0.  0.  0\n");

    for (const char* history : {"ip", "mac"}) EXPECT_EQ(History({history, "clear"}).code, 0) << history;
    EXPECT_EQ(Bytes(File("iph.ini")), "");
    EXPECT_EQ(Bytes(File("mach.ini")), "");
    EXPECT_EQ(History({"mac", "list"}).out, "");
}

TEST_F(CliTables, RefusalsChangeNothingAndGoToStderr) {
    ASSERT_EQ(Devices({"add", "--ip", "10.0.0.1", "--mac", "02ABCDEF0123"}).code, 0);
    const QByteArray table = Bytes(File("bootp.ini"));
    const QByteArray ipHistory = Bytes(File("iph.ini"));
    const QByteArray macHistory = Bytes(File("mach.ini"));
    struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"add", "--mac", "0011AABBCCDD"}, "no device address"},
        {{"add", "--ip", "0.0.0.0", "--mac", "0011AABBCCDD"}, "no device address"},
        {{"add", "--ip", "10.0.0.0", "--mac", "0011AABBCCDD"}, "cannot end in .0 or .255"},
        {{"add", "--ip", "10.0.0.255", "--mac", "0011AABBCCDD"}, "cannot end in .0 or .255"},
        {{"add", "--ip", "10.0.0.7"}, "no MAC address"},
        {{"add", "--ip", "10.0.0.7", "--mac="}, "no MAC address"},
        {{"add", "--ip", "10.0.0.1", "--mac", "0011AABBCCDD"}, "same IP or MAC"},
        {{"add", "--ip", "10.0.0.9", "--mac", "02:ab:cd:ef:01:23"}, "same IP or MAC"},
        {{"add", "--ip", "10.0.0.9", "--mac", "0011AABBCCD"}, "not a MAC address"},
        {{"add", "--ip", "10.0.0.256", "--mac", "0011AABBCCDD"}, "not an IPv4 address"},
        {{"add", "--ip", "10.0.0.9", "--mac", "0011AABBCCDD", "--subnet", "x"}, "not an IPv4 address"},
        {{"add", "--ip", "10.0.0.9", "--mac", "0011AABBCCDD", "--colour", "red"}, "unknown option"},
        {{"remove", "--mac", "0011AABBCCDD"}, "no device with MAC 0011AABBCCDD"},
        {{"rename"}, "usage:"},
    };
    for (const auto& c : cases) {
        const CliRun run = Devices(c.args);
        const QString name = c.args.join(' ');
        EXPECT_NE(run.code, 0) << qPrintable(name);
        EXPECT_TRUE(run.err.contains(c.message)) << qPrintable(name) << ": " << run.err.constData();
        EXPECT_TRUE(run.out.isEmpty()) << qPrintable(name);
        EXPECT_EQ(Bytes(File("bootp.ini")), table) << qPrintable(name);
        EXPECT_EQ(Bytes(File("iph.ini")), ipHistory) << qPrintable(name);
        EXPECT_EQ(Bytes(File("mach.ini")), macHistory) << qPrintable(name);
    }
}

TEST_F(CliTables, UnwritableDataFolderIsReported) {
    QFile plain(File("plain-file"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString underAFile = File("plain-file") + "/data";
    for (const QStringList& args : {QStringList{"devices", "add", "--ip", "10.0.0.1", "--mac", "0011AABBCCDD"},
                                    QStringList{"history", "ip", "clear"}}) {
        const CliRun run = Tavo(args + QStringList{"--data-dir", underAFile});
        // A data folder that cannot hold the tables is a bad command line, refused first.
        EXPECT_EQ(run.code, 2) << qPrintable(args.join(' '));
        EXPECT_TRUE(run.err.contains(QDir::toNativeSeparators(underAFile).toUtf8())) << run.err.constData();
    }
}

TEST_F(CliTables, DataFolderComesFromTheProfileElseTheCurrentFolder) {
    QTemporaryDir current;
    ASSERT_EQ(Tavo({"devices", "add", "--ip", "10.0.0.1", "--mac", "0011AABBCCDD"}, current.path()).code, 0);
    EXPECT_TRUE(QFile::exists(current.filePath("bootp.ini")));

    // The suite's settings folder is private to this process and inherited by the child.
    tavo::Profile::writeStartupPath(dir.path());
    const CliRun run = Tavo({"devices", "add", "--ip", "10.0.0.2", "--mac", "0011AABBCCDE"}, current.path());
    tavo::Profile::writeStartupPath(QString());
    EXPECT_EQ(run.code, 0) << run.err.constData();
    EXPECT_TRUE(Bytes(File("bootp.ini")).contains("0011AABBCCDE"));
    EXPECT_FALSE(Bytes(current.filePath("bootp.ini")).contains("0011AABBCCDE"));
}

}  // namespace
