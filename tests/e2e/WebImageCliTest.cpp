// `tavo image build` against an independent model of the selection and the image
// (web_reference.py) on generated folders full of collisions, and the preview's promise
// that a dry run changes nothing.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace {

constexpr const char* kPython = "/usr/bin/python3";

struct ProgramRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

ProgramRun runProgram(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    ProgramRun run;
    if (!process.waitForFinished(30000)) return run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

ProgramRun tavo(const QStringList& args) { return runProgram(TAVO_CLI_EXE, args); }

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Every entry below a folder: relative path -> contents ("<dir>" for folders).
QMap<QString, QByteArray> tree(const QString& root) {
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(root).relativeFilePath(path);
        out[rel] = it.fileInfo().isDir() ? QByteArray("<dir>") : bytesOf(path);
    }
    return out;
}

// A folder whose short names from a small alphabet collide often: ordinary files, pages
// that name other files, special files, backups, names without a dot or starting with one,
// and a sub-folder.
void generateFolder(const QString& root, unsigned seed) {
    std::mt19937 random(seed);
    const QStringList stems = {"a", "b", "ab", "ba", "bb", "abc", "cab", "bca", "aab", "x1", "1x", "index", "707"};
    const QStringList extensions = {"gif", "gif", "htm", "html", "class", "jar", "txt", "bak", "GIF", "jpeg"};
    QStringList names;
    for (int i = 0; i < 45; ++i) {
        const QString stem = stems[random() % stems.size()] + (random() % 3 == 0 ? QString::number(random() % 4) : "");
        const int shape = random() % 12;
        QString name = shape == 0 ? stem : shape == 1 ? "." + stem : stem + "." + extensions[random() % extensions.size()];
        if (random() % 5 == 0) name = "img/" + name;
        if (!names.contains(name)) names << name;
    }
    for (const QString& name : names) {
        QByteArray body;
        if (name.endsWith(".htm") || name.endsWith(".html")) {
            for (int k = 0; k < 4; ++k) body += "<img src=\"" + QFileInfo(names[random() % names.size()]).fileName().toUtf8() + "\">\n";
        } else {
            body = QByteArray(static_cast<int>(random() % 300), static_cast<char>('A' + random() % 26));
        }
        writeFile(root + "/" + name, body);
    }
}

class WebImageCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        templatePath = QString(TAVO_SOURCE_DIR) + "/src/app/707.html";
    }
    QString path(const QString& rel) const { return dir.filePath(rel); }
    QTemporaryDir dir;
    QString templatePath;
};

TEST_F(WebImageCli, SameImageAndFolderAsTheIndependentReference) {
    const QString reference = QString(TAVO_SOURCE_DIR) + "/tests/e2e/web_reference.py";
    int renamedFolders = 0;
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE(seed);
        const QString ours = path(QString("ours%1").arg(seed)), theirs = path(QString("theirs%1").arg(seed));
        generateFolder(ours, seed);
        generateFolder(theirs, seed);
        const auto before = tree(ours);
        const ProgramRun built = tavo({"image", "build", ours, "-o", ours + ".TAV", "--template", templatePath});
        ASSERT_EQ(built.code, 0) << built.err.constData();
        const ProgramRun modelled = runProgram(kPython, {reference, theirs, templatePath, theirs + ".TAV"});
        ASSERT_EQ(modelled.code, 0) << modelled.err.constData();
        EXPECT_EQ(bytesOf(ours + ".TAV"), bytesOf(theirs + ".TAV"));
        EXPECT_EQ(tree(ours), tree(theirs));
        renamedFolders += tree(ours).keys() != before.keys();
    }
    EXPECT_GT(renamedFolders, 3);  // the folders did collide
}

TEST_F(WebImageCli, DryRunChangesNothingAndForeseesTheImage) {
    generateFolder(path("web"), 11);
    const auto before = tree(path("web"));
    const ProgramRun preview = tavo({"image", "build", path("web"), "-o", path("web.TAV"), "--dry-run", "--template", templatePath});
    ASSERT_EQ(preview.code, 0) << preview.err.constData();
    EXPECT_EQ(tree(path("web")), before);
    EXPECT_FALSE(QFile::exists(path("web.TAV")));
    EXPECT_TRUE(preview.out.contains("renames:\n  /"));
    EXPECT_TRUE(preview.out.contains("dry run: nothing changed"));

    const ProgramRun built = tavo({"image", "build", path("web"), "-o", path("web.TAV"), "--template", templatePath});
    ASSERT_EQ(built.code, 0) << built.err.constData();
    // The preview printed what the build then did, down to the image's size.
    EXPECT_EQ(preview.out.left(preview.out.indexOf("dry run")), built.out.left(built.out.indexOf("written")));
    EXPECT_TRUE(built.out.contains(QString("image: %1 bytes").arg(bytesOf(path("web.TAV")).size()).toUtf8()));

    const ProgramRun inspected = tavo({"image", "inspect", path("web.TAV")});
    EXPECT_EQ(inspected.code, 0) << inspected.out.constData();
    EXPECT_TRUE(inspected.out.contains("malformations: none"));
}

TEST_F(WebImageCli, RefusalsAndBadCommandLines) {
    writeFile(path("big/707.html"), "x");
    writeFile(path("big/a.gif"), QByteArray(520192, 'a'));
    writeFile(path("big/ab.gif"), "1");
    writeFile(path("big/ba.gif"), "2");
    const auto before = tree(path("big"));
    const ProgramRun over = tavo({"image", "build", path("big"), "-o", path("big.TAV")});
    EXPECT_EQ(over.code, 1);
    EXPECT_TRUE(over.err.contains("520195 bytes")) << over.err.constData();
    EXPECT_EQ(tree(path("big")), before);
    EXPECT_FALSE(QFile::exists(path("big.TAV")));

    EXPECT_EQ(tavo({"image", "build", path("big")}).code, 2);
    EXPECT_EQ(tavo({"image", "build"}).code, 2);
    EXPECT_EQ(tavo({"image", "frobnicate", "x"}).code, 2);
    EXPECT_EQ(tavo({"image", "build", path("big"), "-o", path("x.TAV"), "--bogus"}).code, 2);

    writeFile(path("cut.TAV"), QByteArray(1000, '\0'));
    const ProgramRun cut = tavo({"image", "inspect", path("cut.TAV")});
    EXPECT_EQ(cut.code, 1);
    EXPECT_TRUE(cut.out.contains("the offset table is cut short"));
    // A file that does not exist is a bad command line.
    EXPECT_EQ(tavo({"image", "inspect", path("missing.TAV")}).code, 2);
}

TEST_F(WebImageCli, HostileFoldersEndWithAClearMessage) {
    writeFile(path("outside/secret.htm"), "ba.gif");
    writeFile(path("web/707.html"), "x");
    writeFile(path("web/ab.gif"), "1");
    writeFile(path("web/ba.gif"), "2");
    ASSERT_TRUE(QFile::link(path("web"), path("web/loop")));
    ASSERT_TRUE(QFile::link(path("outside/secret.htm"), path("web/out.htm")));
    const ProgramRun built = tavo({"image", "build", path("web"), "-o", path("web.TAV")});
    ASSERT_EQ(built.code, 0) << built.err.constData();
    EXPECT_TRUE(built.out.contains("/loop: symbolic link, not followed"));
    EXPECT_TRUE(built.out.contains("/out.htm: symbolic link, not followed"));
    EXPECT_EQ(bytesOf(path("outside/secret.htm")), "ba.gif");

    for (int i = 0; i < 300; ++i) writeFile(path(QString("many/f%1.gif").arg(i)), "g");
    const auto before = tree(path("many"));
    const ProgramRun many = tavo({"image", "build", path("many"), "-o", path("many.TAV"), "--template", templatePath});
    EXPECT_EQ(many.code, 1);
    EXPECT_TRUE(many.err.contains("301 files")) << many.err.constData();
    EXPECT_EQ(tree(path("many")), before);

    const ProgramRun missing = tavo({"image", "build", path("nothing"), "-o", path("x.TAV")});
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains("no such folder")) << missing.err.constData();
}

TEST_F(WebImageCli, DefaultPageFromTheCurrentDirectoryElseBesideTheProgram) {
    writeFile(path("site/a.gif"), "gif");
    QProcess process;
    process.setWorkingDirectory(dir.path());  // no 707.html here: the shipped one is copied
    process.start(TAVO_CLI_EXE, {"image", "build", path("site"), "-o", path("site.TAV")});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    EXPECT_EQ(bytesOf(path("site/707.html")), bytesOf(templatePath));

    writeFile(path("707.html"), "<html>own</html>");
    writeFile(path("site2/a.gif"), "gif");
    process.start(TAVO_CLI_EXE, {"image", "build", path("site2"), "-o", path("site2.TAV")});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0);
    EXPECT_EQ(bytesOf(path("site2/707.html")), "<html>own</html>");
}

}  // namespace
